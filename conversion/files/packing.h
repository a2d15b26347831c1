// Packing: a WAV file to a headerless packed sound file the game plays.
#ifndef VELKMAR_CONVERSION_FILES_PACKING_H
#define VELKMAR_CONVERSION_FILES_PACKING_H

#include <cstdint>

#include "conversion/files/conversion_status.h"
#include "conversion/files/presets.h"
#include "conversion/files/wav_reader.h"

// What a packing found and did, for the command line to tell.
struct PackReport {
    bool parsed;         // layout holds the source's format
    WavLayout layout;
    WavRefusal refusal;  // why the format was refused (CONV_UNSUPPORTED_FORMAT)
    uint32_t channels;   // the mode written: 1 or 2
};

// Packs source (a WAV file, see wav_reader.h) into destination, which
// receives only the ADPCM data: 16-bit, 44100 Hz, in the mode the
// destination is read in (ChannelsForExtension with force, on the
// destination's extension). Every failure is shown in a message box
// (ShowConversionMessage) with the path concerned as its caption. Returns
// 1 or 0.
int PackSoundFile(const char* source, const char* destination, ChannelForce force = FORCE_NONE);

// The same without any message, returning why it failed. report may be
// null.
ConvStatus PackSoundFileStatus(const char* source, const char* destination, ChannelForce force,
                               PackReport* report);

// Reads the format of the WAV file at path as packing reads it: CONV_OK,
// CONV_NOT_PCM_WAV for a file that is no RIFF WAVE with both chunks, or
// why it could not be read.
ConvStatus ReadWavFormat(const char* path, WavLayout* layout);

#endif
