// IMA ADPCM blocks: the reference arithmetic, the block layout, and the
// block decoders and encoders the codec's entry points are built from.
//
// A block holds, for each channel, a 4-byte header (the first sample as
// int16 little-endian, the step index, a reserved byte), then 4-bit codes,
// low nibble first, in groups of 4 bytes (8 codes) per channel, the
// channels' groups interleaved. A code is a sign bit (8) and a magnitude
// (0..7); the decoder adds (step>>3) + bits of step, step>>1, step>>2 to
// the predictor, clamps it to int16 and moves the step index by the
// index table, clamped to 0..88.
//
// Everything here is pure: buffers in, buffers out, no allocation.
#ifndef VELKMAR_CONVERSION_ADPCM_BLOCK_H
#define VELKMAR_CONVERSION_ADPCM_BLOCK_H

#include <cstddef>
#include <cstdint>

const int IMA_MAX_STEP_INDEX = 88;

// Block layout the game reads: 36 bytes a channel, 65 frames a block.
const uint32_t GAME_BLOCK_BYTES_PER_CHANNEL = 36;
const uint32_t GAME_FRAMES_PER_BLOCK = 65;

extern const int16_t kImaStepTable[IMA_MAX_STEP_INDEX + 1];
extern const int8_t kImaIndexTable[16];

// Decoder state of one channel.
struct AdpcmChannelState {
    int32_t predictor;  // last reconstructed sample, -32768..32767
    int32_t stepIndex;  // 0..88
};

// Reconstruction of one code: the reference arithmetic, state updated.
// Returns the new sample.
inline int32_t DecodeNibble(AdpcmChannelState* state, uint32_t code) {
    const int32_t step = kImaStepTable[state->stepIndex];
    int32_t diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    int32_t value = (code & 8) ? state->predictor - diff : state->predictor + diff;
    if (value > 32767) value = 32767;
    if (value < -32768) value = -32768;
    int32_t index = state->stepIndex + kImaIndexTable[code & 15];
    if (index < 0) index = 0;
    if (index > IMA_MAX_STEP_INDEX) index = IMA_MAX_STEP_INDEX;
    state->predictor = value;
    state->stepIndex = index;
    return value;
}

// Frames a block of blockBytes bytes holds (channels 1 or 2, blockBytes a
// multiple of 4*channels larger than the header); for a shorter, final
// block, the frames its whole groups give; 0 when not even the headers fit.
uint32_t FramesInBlock(uint32_t blockBytes, uint32_t channels);

// Decodes one block (possibly a final partial one of `bytes` bytes) into
// `out`, interleaved, FramesInBlock(bytes, channels) frames. Returns the
// frames written.
uint32_t DecodeBlockScalar(const uint8_t* block, uint32_t bytes, uint32_t channels, int16_t* out);

// Decodes `count` whole blocks of blockBytes each into `out`, several at
// once with SSE2 where the build has it; the result is identical to
// DecodeBlockScalar block by block. Returns the frames written.
size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out);

// The same, always scalar (the yardstick for the SIMD path).
size_t DecodeBlocksScalar(const uint8_t* blocks, size_t count, uint32_t blockBytes,
                          uint32_t channels, int16_t* out);

// Encodes one channel of one game block: `samples` holds
// GAME_FRAMES_PER_BLOCK input samples spaced `stride` apart. Writes the
// 4-byte header to `header` and the 32 code bytes to the channel's groups,
// `codes` pointing at its first group and groups `groupStride` bytes apart.
// `state` carries the step index from block to block and holds the state
// the decoder ends the block in. When `predicted` is not null it receives
// the GAME_FRAMES_PER_BLOCK samples the decoder will reconstruct. The plain
// encoder picks, sample by sample, the code whose reconstruction is
// nearest the input, from the starting step index that serves it best.
void EncodeChannelBlockPlain(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                             uint8_t* header, uint8_t* codes, size_t groupStride,
                             int16_t* predicted);

// The same with the search encoder: every starting step index and a
// dynamic programme over step indices choose the codes and the header
// that minimise the block's squared error.
void EncodeChannelBlockSearch(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                              uint8_t* header, uint8_t* codes, size_t groupStride,
                              int16_t* predicted);

// The same, always scalar (the yardstick for the SIMD path): identical
// results.
void EncodeChannelBlockSearchScalar(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                                    uint8_t* header, uint8_t* codes, size_t groupStride,
                                    int16_t* predicted);

#endif
