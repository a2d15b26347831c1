// Helpers for the codec tests: WAV files read by their chunks, the codec
// called on vectors, and the signal-to-noise ratio.
#ifndef VELKMAR_TESTS_CODEC_CODEC_HELPERS_H
#define VELKMAR_TESTS_CODEC_CODEC_HELPERS_H

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/codec/adpcm_codec.h"
#include "tests/support/test_files.h"


// The fmt fields and the data chunk of a WAV file; format 0 when the bytes
// are no RIFF WAVE with both chunks.
struct WavFile {
    uint32_t format = 0;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t blockAlign = 0;
    Bytes data;
};
WavFile ParseWav(const Bytes& bytes);

// The 16-bit samples of a PCM WAV fixture (empty when it is missing).
Samples FixtureSamples(const std::string& name);

// Our decoding of packed data, through AIL_decompress_ADPCM; empty when
// the codec refuses.
Samples DecodePacked(const Bytes& packed, uint32_t channels, uint32_t blockSize);

// Our encoding of interleaved PCM: the whole ADPCM WAV image; empty when
// the codec refuses.
Bytes EncodePcm(const Samples& pcm, uint32_t channels, AdpcmEncoder encoder);

// The ADPCM data of an encoded image (from offset 60).
Bytes PackedData(const Bytes& image);


// One channel of interleaved samples.
Samples Channel(const Samples& interleaved, uint32_t channels, uint32_t channel);

// Frames first.. first+count-1 of interleaved samples (fewer at the end).
Samples Excerpt(const Samples& interleaved, uint32_t channels, size_t first, size_t count);

#endif
