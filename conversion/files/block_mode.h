// Which mode a packed file's own blocks show.
//
// A packed file has no header, but every IMA ADPCM block starts with a
// header per channel: the first sample (2 bytes), a step index from 0 to
// 88 and a reserved byte that is 0. With b bytes of block per channel (36
// in the game's files), a mono file has a header every b bytes; a stereo
// file has two, back to back, every 2b bytes, and codes in between. So at
// offset b of every 2b bytes a mono file holds a header and a stereo file
// codes, and at offset 4 it is the other way round. In random bytes a
// header fits by chance about once in 700.
//
// Blocks that are all zeros (silence) prove nothing and are not counted.
// Other encoders use other block sizes, so b is looked for among the
// game's 36 and the powers of two from 32 to 2048; the mode is decided
// only when one block size shows it clearly and no other contradicts it.
#ifndef VELKMAR_CONVERSION_FILES_BLOCK_MODE_H
#define VELKMAR_CONVERSION_FILES_BLOCK_MODE_H

#include <cstddef>
#include <cstdint>

#include "conversion/files/conversion_status.h"

enum BlockMode { BLOCKS_UNDECIDED, BLOCKS_MONO, BLOCKS_STEREO };

// The counts behind a decision, at one block size.
struct BlockEvidence {
    uint32_t blockBytes;   // bytes of a block per channel
    uint64_t monoStarts;   // non-silent blocks read as mono
    uint64_t monoFits;     //   of which start with a valid header
    uint64_t stereoStarts; // non-silent blocks read as stereo
    uint64_t stereoFits;   //   of which start with two valid headers
};

// Reads the mode from length bytes of packed data. evidence (may be null)
// receives the counts at the block size that decided, or at the game's
// when none did.
BlockMode DetectBlockMode(const uint8_t* data, size_t length, BlockEvidence* evidence);

// The same for a file, reading only as much of it as it takes to decide
// (at most the whole file). CONV_CANNOT_OPEN_SOURCE or CONV_READ_FAILED
// when it cannot be read.
ConvStatus DetectFileBlockMode(const char* path, BlockMode* mode, BlockEvidence* evidence);

// "mono", "stereo" or "undecided".
const char* BlockModeName(BlockMode mode);

#endif
