// Decoding IMA ADPCM blocks: the reference decoder and the fast one the
// codec runs, which gives identical samples.
//
// Pure functions: buffers in, buffers out, no allocation.
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_DECODE_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_DECODE_H

#include <cstddef>
#include <cstdint>

// Decodes one block (possibly a final partial one of `bytes` bytes) into
// `out`, interleaved, FramesInBlock(bytes, channels) frames, code by code
// with DecodeNibble. Returns the frames written.
uint32_t DecodeBlockReference(const uint8_t* block, uint32_t bytes, uint32_t channels, int16_t* out);

// Decodes `count` whole blocks of blockBytes each (channels 1 or 2) into
// `out`; the result is identical to DecodeBlockReference block by block.
// Returns the frames written.
size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out);

#endif
