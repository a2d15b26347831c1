// What packing makes of a WAV's samples before the encoder: 16-bit PCM at
// 44100 Hz in the mode the packed file will be read in.
//
// Everything is worked out on the input's full precision and rounded
// once, at the end: samples to the nearest 16-bit value (ties upwards),
// clamped; no dither, so the output is deterministic. Stereo to mono is
// the average of the two channels; mono to stereo puts the sound in both.
// Other rates go through the band-limited resampler. A WAV that is
// already 16-bit, 44100 Hz and in the right mode is used as it stands.
#ifndef VELKMAR_CONVERSION_FILES_GAME_PCM_H
#define VELKMAR_CONVERSION_FILES_GAME_PCM_H

#include <cstdint>
#include <string>

#include "conversion/codec/sound_info.h"
#include "conversion/files/conversion_status.h"
#include "conversion/files/wav_reader.h"

// 16-bit little-endian interleaved samples ready for the encoder.
struct GamePcm {
    const uint8_t* samples;  // the WAV's own bytes, or owned
    uint32_t frames;
    uint32_t channels;
    uint8_t* owned;  // the converted samples, freed by ReleaseGamePcm; null when none
};

// Makes channels-channel (1 or 2) game PCM of a packable layout of file.
// Returns CONV_OK, CONV_TOO_LARGE when the result passes 4 GiB, or
// CONV_NO_MEMORY. pcm is to be released with ReleaseGamePcm whatever the
// result; it may point into file, which must outlive it.
ConvStatus MakeGamePcm(const uint8_t* file, const WavLayout& layout, uint32_t channels, GamePcm* pcm);

// Frees what MakeGamePcm allocated. Safe to call more than once.
void ReleaseGamePcm(GamePcm* pcm);

// What MakeGamePcm does to layout for channels, in one line for the
// command line: "48000 Hz resampled to 44100 Hz; stereo mixed down to
// mono for .wad". reason ends the part about channels ("for .wad", "as
// --mono asks"). Empty when the samples are packed as they stand.
std::string DescribeGamePcm(const WavLayout& layout, uint32_t channels, const std::string& reason);

#endif
