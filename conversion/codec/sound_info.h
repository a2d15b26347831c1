// The sound description: the record that carries the format parameters
// from the presets and the WAV header to the codec.
#ifndef VELKMAR_CONVERSION_CODEC_SOUND_INFO_H
#define VELKMAR_CONVERSION_CODEC_SOUND_INFO_H

#include <cstdint>

// WAVE format tags the program deals in.
const uint32_t WAVE_TAG_PCM = 0x0001;
const uint32_t WAVE_TAG_IMA_ADPCM = 0x0011;

// The game's packed sound: 4-bit IMA ADPCM at one rate, in blocks of 36
// bytes a channel.
const uint32_t GAME_RATE = 44100;
const uint32_t GAME_BITS = 4;
const uint32_t GAME_BLOCK_BYTES_PER_CHANNEL = 36;

struct SoundInfo {
    uint32_t format;      // WAVE format tag of the input data
    const void* data;     // input data; stays the caller's
    uint32_t dataLength;  // input length in bytes
    uint32_t rate;        // samples per second
    uint32_t bits;        // bits per sample: 4 for ADPCM, the WAV's own for PCM
    uint32_t channels;    // 1 or 2
    uint32_t samples;     // sample frames in the input (an upper bound for ADPCM)
    uint32_t blockSize;   // ADPCM block size in bytes, set by the presets only
};

#endif
