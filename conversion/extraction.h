// Single-file extraction: one packed sound file to a WAV file.
#ifndef VELKMAR_CONVERSION_EXTRACTION_H
#define VELKMAR_CONVERSION_EXTRACTION_H

#include <cstdint>
#include <string>

#include "conversion/conversion_status.h"

// Size of the silent run that ends an extracted sound.
const uint32_t SILENCE_RUN = 4096;

// Extracts source to destination with the preset already in g_soundInfo.
// The destination is replaced only when the whole conversion succeeds.
// Returns 1 on success, 0 on failure; never shows a message.
int ExtractSoundFile(const char* source, const char* destination);

// The same, returning why it failed.
ConvStatus ExtractSoundFileStatus(const char* source, const char* destination);

// The WAV path proposed for a packed file: the file name's extension
// replaced by ".wav", or ".wav" appended when it has none. A dot in a
// folder name is no extension: my.dir/boom gives my.dir/boom.wav.
std::string WavPathFor(const std::string& packedPath);

// The trailing-silence cut on a decoded WAV image of imageLength bytes
// whose RIFF size field says n = imageLength - 8: finds the first offset i
// < n at which SILENCE_RUN zero bytes start (the window may not reach past
// the image's end) and rewrites the RIFF size to i and the data size to
// i - 36. Returns the number of bytes to write: i + 8, or imageLength when
// there is no such run. Linear time.
uint32_t CutTrailingSilence(uint8_t* image, uint32_t imageLength);

#endif
