// IMA ADPCM primitives: the transition tables, the nearest code, the
// greedy pass and the writing of a channel block.
#include "conversion/codec/adpcm_ima.h"

#include "conversion/codec/byte_order.h"

namespace {

constexpr ImaTransitions MakeTransitions() {
    ImaTransitions t = {};
    for (int32_t i = 0; i < IMA_STEP_INDICES; ++i) {
        for (uint32_t m = 0; m < IMA_MAGNITUDES; ++m) {
            t.difference[i][m] = ImaDifference(i, m);
            t.next[i][m] = static_cast<uint8_t>(ImaNextIndex(i, m));
        }
        for (uint32_t m = 0; m + 1 < IMA_MAGNITUDES; ++m)
            t.midpoint[i][m] = t.difference[i][m] + t.difference[i][m + 1];
    }
    return t;
}

}  // namespace

constexpr ImaTransitions IMA_TRANSITIONS = MakeTransitions();

Reconstruction NearerSign(int32_t p, int32_t stepIndex, uint32_t magnitude, int32_t target) {
    const int32_t difference = IMA_TRANSITIONS.difference[stepIndex][magnitude];
    const int32_t up = ClampSample(p + difference);
    const int32_t down = ClampSample(p - difference);
    const uint32_t errorUp = SquaredError(target, up);
    const uint32_t errorDown = SquaredError(target, down);
    const bool negative = errorDown < errorUp || (errorDown == errorUp && target < p);
    if (negative) return {magnitude | IMA_SIGN_BIT, down, errorDown};
    return {magnitude, up, errorUp};
}

Reconstruction NearestCodeNearRails(int32_t p, int32_t stepIndex, int32_t target) {
    Reconstruction best = NearerSign(p, stepIndex, 0, target);
    for (uint32_t m = 1; m < IMA_MAGNITUDES; ++m) {
        const Reconstruction r = NearerSign(p, stepIndex, m, target);
        if (r.error < best.error) best = r;
    }
    return best;
}

uint32_t FramesInBlock(uint32_t blockBytes, uint32_t channels) {
    const uint32_t header = CHANNEL_HEADER_BYTES * channels;
    if (channels == 0 || blockBytes < header) return 0;
    return 1 + CODES_PER_GROUP * ((blockBytes - header) / (GROUP_BYTES * channels));
}

AdpcmChannelState ReadChannelHeader(const uint8_t* header) {
    return {static_cast<int16_t>(ReadLe16(header)), ClampStepIndex(header[HEADER_STEP_INDEX])};
}

uint64_t GreedyCodes(const ChannelBlock& block, int32_t from, AdpcmChannelState state, uint8_t* path,
                     uint64_t enough) {
    uint64_t total = 0;
    for (int32_t n = from; n < GAME_CODES_PER_BLOCK && total < enough; ++n) {
        const int32_t target = block.samples[static_cast<size_t>(n + 1) * block.stride];
        const Reconstruction r = NearestCode(state.predictor, state.stepIndex, target);
        total += r.error;
        path[n] = static_cast<uint8_t>(r.code);
        state = {r.value, IMA_TRANSITIONS.next[state.stepIndex][r.code & 7]};
    }
    return total;
}

void GreedyCodesSideBySide(const ChannelBlock& block, const AdpcmChannelState* starts, int32_t count,
                           uint8_t (*paths)[GAME_CODES_PER_BLOCK], uint64_t* errors) {
    AdpcmChannelState states[MAX_SIDE_BY_SIDE];
    for (int32_t k = 0; k < count; ++k) {
        states[k] = starts[k];
        errors[k] = 0;
    }
    for (int32_t n = 0; n < GAME_CODES_PER_BLOCK; ++n) {
        const int32_t target = block.samples[static_cast<size_t>(n + 1) * block.stride];
        for (int32_t k = 0; k < count; ++k) {
            const Reconstruction r = NearestCode(states[k].predictor, states[k].stepIndex, target);
            errors[k] += r.error;
            paths[k][n] = static_cast<uint8_t>(r.code);
            states[k] = {r.value, IMA_TRANSITIONS.next[states[k].stepIndex][r.code & 7]};
        }
    }
}

void WriteChannelBlock(const ChannelBlock& block, int32_t startIndex, const uint8_t* path,
                       AdpcmChannelState* state) {
    const int16_t first = block.samples[0];
    WriteLe16(block.header, static_cast<uint16_t>(first));
    block.header[HEADER_STEP_INDEX] = static_cast<uint8_t>(startIndex);
    block.header[HEADER_RESERVED] = 0;
    for (int32_t n = 0; n < GAME_CODES_PER_BLOCK; n += 2)
        block.codes[static_cast<size_t>(n) / CODES_PER_GROUP * block.groupStride + n % CODES_PER_GROUP / 2] =
            static_cast<uint8_t>(path[n] | path[n + 1] << 4);
    *state = {first, startIndex};
    if (block.predicted) block.predicted[0] = first;
    for (int32_t n = 0; n < GAME_CODES_PER_BLOCK; ++n) {
        const int32_t value = DecodeNibble(state, path[n]);
        if (block.predicted) block.predicted[n + 1] = static_cast<int16_t>(value);
    }
}
