// Single-file extraction: one packed sound file to a WAV file.
#ifndef VELKMAR_CONVERSION_FILES_EXTRACTION_H
#define VELKMAR_CONVERSION_FILES_EXTRACTION_H

#include <cstdint>
#include <string>

#include "conversion/files/conversion_status.h"
#include "conversion/files/paths.h"

// Size of the silent run that ends an extracted sound.
const uint32_t SILENCE_RUN = 4096;

// Extracts source to destination with the preset already in g_soundInfo.
// The destination is replaced only when the whole conversion succeeds.
// Returns 1 on success, 0 on failure; never shows a message.
int ExtractSoundFile(const char* source, const char* destination);

// The same, returning why it failed.
ConvStatus ExtractSoundFileStatus(const char* source, const char* destination);

// Where the silence cut falls in a decoded sound, and what sound it drops.
struct SilenceCut {
    uint64_t frames;       // frames decoded
    bool cut;              // a silent run ends the sound early
    uint64_t keptFrames;   // whole frames before the cut (frames when there is none)
    uint64_t framesAfter;  // from the cut to the end of the last sound after it; 0 when only silence follows
};

// ExtractSoundFileStatus with the choices of the command line: whole
// writes everything decoded, without the silence cut; cut (may be null)
// receives where the cut falls, or would fall.
ConvStatus ExtractSoundFileWith(const char* source, const char* destination, bool whole, SilenceCut* cut);

// Reads source whole and decodes it with the preset in g_soundInfo, as an
// extraction does. On success *image is the caller's to release with
// ReleaseCodecImage and *imageLength is its length; on failure *image is
// null.
ConvStatus DecodePackedFile(const char* source, void** image, uint32_t* imageLength);


// The offset of the first run of SILENCE_RUN zero bytes in a decoded WAV
// image, as CutTrailingSilence finds it; imageLength when there is none.
uint32_t FindSilenceRun(const uint8_t* image, uint32_t imageLength);

// Measures the cut on a decoded image of channels channels, untouched.
SilenceCut MeasureSilenceCut(const uint8_t* image, uint32_t imageLength, uint32_t channels);

// The trailing-silence cut on a decoded WAV image of imageLength bytes
// whose RIFF size field says n = imageLength - 8: finds the first offset i
// < n at which SILENCE_RUN zero bytes start (the window may not reach past
// the image's end) and rewrites the RIFF size to i and the data size to
// i - 36. Returns the number of bytes to write: i + 8, or imageLength when
// there is no such run. Linear time.
uint32_t CutTrailingSilence(uint8_t* image, uint32_t imageLength);

#endif
