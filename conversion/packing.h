// Packing: a PCM WAV file to a headerless packed sound file.
#ifndef VELKMAR_CONVERSION_PACKING_H
#define VELKMAR_CONVERSION_PACKING_H

#include <cstddef>
#include <cstdint>

#include "conversion/conversion_status.h"

// Packs source (a PCM WAV file) into destination, which receives only the
// ADPCM data. Every failure is shown in a message box (ShowConversionMessage)
// with the path concerned as its caption. Returns 1 or 0.
int PackSoundFile(const char* source, const char* destination);

// The same without any message, returning why it failed.
ConvStatus PackSoundFileStatus(const char* source, const char* destination);

// What the packing takes from a WAV file's "fmt " and "data" chunks.
struct WavLayout {
    uint32_t format;      // format tag; extensible with the PCM sub-format reads as 1
    uint32_t channels;
    uint32_t rate;
    uint32_t bits;
    size_t dataOffset;    // where the samples start in the file
    uint32_t dataLength;  // sample bytes present, clamped to the file
};

// Finds the chunks of a RIFF WAVE file held whole in file[0..length).
// Returns CONV_OK and fills layout, or CONV_NOT_PCM_WAV.
ConvStatus ParseWavFile(const uint8_t* file, size_t length, WavLayout* layout);

#endif
