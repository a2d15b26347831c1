// Decoding many blocks at once.
#include "conversion/adpcm_block.h"

size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out) {
    return DecodeBlocksScalar(blocks, count, blockBytes, channels, out);
}
