// The plain encoder: greedy codes from the best starting step index.
#include "conversion/codec/adpcm_encode.h"

void EncodeChannelBlockPlain(const ChannelBlock& block, AdpcmChannelState* state) {
    // The block starts at the step index that serves the greedy codes
    // best, the index carried from the last block winning ties. A trial
    // stops once it cannot win.
    uint8_t path[GAME_CODES_PER_BLOCK];
    const int16_t first = block.samples[0];
    int32_t bestIndex = state->stepIndex;
    uint64_t bestError = GreedyCodes(block, 0, {first, bestIndex}, path, UINT64_MAX);
    for (int32_t index = 0; index < IMA_STEP_INDICES; ++index) {
        const uint64_t error = GreedyCodes(block, 0, {first, index}, path, bestError);
        if (error < bestError) {
            bestError = error;
            bestIndex = index;
        }
    }
    GreedyCodes(block, 0, {first, bestIndex}, path, UINT64_MAX);
    WriteChannelBlock(block, bestIndex, path, state);
}
