// IMA ADPCM blocks: the tables, the scalar block decoder and the plain
// encoder.
#include "conversion/adpcm_block.h"

#include <cstdint>

#include "conversion/byte_order.h"

const int16_t kImaStepTable[IMA_MAX_STEP_INDEX + 1] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int8_t kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

uint32_t FramesInBlock(uint32_t blockBytes, uint32_t channels) {
    const uint32_t header = 4 * channels;
    if (channels == 0 || blockBytes < header) return 0;
    return 1 + 8 * ((blockBytes - header) / header);
}

uint32_t DecodeBlockScalar(const uint8_t* block, uint32_t bytes, uint32_t channels, int16_t* out) {
    const uint32_t frames = FramesInBlock(bytes, channels);
    if (frames == 0) return 0;
    const uint32_t groups = (frames - 1) / 8;
    for (uint32_t c = 0; c < channels; ++c) {
        const uint8_t* header = block + 4 * c;
        AdpcmChannelState state;
        state.predictor = static_cast<int16_t>(ReadLe16(header));
        state.stepIndex = header[2] > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : header[2];
        int16_t* o = out + c;
        *o = static_cast<int16_t>(state.predictor);
        o += channels;
        const uint8_t* g = block + 4 * channels + 4 * c;
        for (uint32_t k = 0; k < groups; ++k, g += 4 * channels) {
            for (int b = 0; b < 4; ++b) {
                o[0] = static_cast<int16_t>(DecodeNibble(&state, g[b] & 15u));
                o[channels] = static_cast<int16_t>(DecodeNibble(&state, g[b] >> 4));
                o += 2 * channels;
            }
        }
    }
    return frames;
}

size_t DecodeBlocksScalar(const uint8_t* blocks, size_t count, uint32_t blockBytes,
                          uint32_t channels, int16_t* out) {
    const uint32_t frames = FramesInBlock(blockBytes, channels);
    for (size_t b = 0; b < count; ++b)
        DecodeBlockScalar(blocks + b * blockBytes, blockBytes, channels,
                          out + b * static_cast<size_t>(frames) * channels);
    return count * frames;
}

// Per step index: the differences the decoder adds by magnitude, and
// the sums of neighbouring ones (twice the midpoints between
// reconstructions, where the nearest magnitude changes).
struct Differences {
    int32_t diff[IMA_MAX_STEP_INDEX + 1][8];
    int32_t midpoint[IMA_MAX_STEP_INDEX + 1][7];
};

static Differences MakeDifferences() {
    Differences d;
    for (int i = 0; i <= IMA_MAX_STEP_INDEX; ++i) {
        const int32_t step = kImaStepTable[i];
        for (int m = 0; m < 8; ++m)
            d.diff[i][m] = (step >> 3) + ((m & 4) ? step : 0) + ((m & 2) ? step >> 1 : 0) + ((m & 1) ? step >> 2 : 0);
        for (int m = 0; m < 7; ++m) d.midpoint[i][m] = d.diff[i][m] + d.diff[i][m + 1];
    }
    return d;
}

static const Differences kDifferences = MakeDifferences();

// The code for `target` from `state` whose reconstruction lies nearest;
// ties go to the smaller magnitude. Both signs are tried: near the rails
// the clamp can make the sign away from the target exact. Away from them
// the sign is the target's side and the magnitude is the number of
// midpoints the distance lies beyond.
static uint32_t NearestCode(const AdpcmChannelState& state, int32_t target) {
    const int32_t p = state.predictor;
    const int32_t* diffs = kDifferences.diff[state.stepIndex];
    if (p + diffs[7] <= 32767 && p - diffs[7] >= -32768) {
        const int32_t twice = 2 * (target < p ? p - target : target - p);
        const int32_t* mid = kDifferences.midpoint[state.stepIndex];
        const uint32_t m = (twice > mid[0]) + (twice > mid[1]) + (twice > mid[2]) + (twice > mid[3]) +
                           (twice > mid[4]) + (twice > mid[5]) + (twice > mid[6]);
        return target < p ? m | 8 : m;
    }
    uint32_t best = 0;
    int64_t bestError = INT64_MAX;
    for (uint32_t m = 0; m < 8; ++m) {
        const int32_t diff = diffs[m];
        const int32_t up = p + diff > 32767 ? 32767 : p + diff;
        const int32_t down = p - diff < -32768 ? -32768 : p - diff;
        const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
        const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
        const bool negative = eDown < eUp || (eDown == eUp && target < p);
        const int64_t e = negative ? eDown : eUp;
        if (e < bestError) {
            bestError = e;
            best = negative ? m | 8 : m;
        }
    }
    return best;
}

// Puts code i (0..63) of a channel's block into its groups.
static void StoreCode(uint8_t* codes, size_t groupStride, uint32_t i, uint32_t code) {
    uint8_t* byte = codes + (i / 8) * groupStride + (i % 8) / 2;
    if (i % 2 == 0)
        *byte = static_cast<uint8_t>((*byte & 0xF0u) | code);
    else
        *byte = static_cast<uint8_t>((*byte & 0x0Fu) | (code << 4));
}

// Greedy codes for one block from a given starting step index; returns
// the squared error and, when `codes` is set, stores the codes. Stops
// early, returning at least `enough`, once the error reaches it.
static int64_t GreedyBlock(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                           uint8_t* codes, size_t groupStride, int16_t* predicted,
                           int64_t enough = INT64_MAX) {
    int64_t error = 0;
    for (uint32_t i = 0; i + 1 < GAME_FRAMES_PER_BLOCK && error < enough; ++i) {
        const int32_t target = samples[(i + 1) * stride];
        const uint32_t code = NearestCode(*state, target);
        const int32_t value = DecodeNibble(state, code);
        error += static_cast<int64_t>(target - value) * (target - value);
        if (predicted) predicted[i + 1] = static_cast<int16_t>(value);
        if (codes) StoreCode(codes, groupStride, i, code);
    }
    return error;
}

void EncodeChannelBlockPlain(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                             uint8_t* header, uint8_t* codes, size_t groupStride,
                             int16_t* predicted) {
    // The block starts at the step index that serves the greedy codes
    // best, the index carried from the last block winning ties.
    int32_t bestIndex = state->stepIndex;
    AdpcmChannelState trial = {samples[0], bestIndex};
    int64_t bestError = GreedyBlock(samples, stride, &trial, nullptr, 0, nullptr);
    for (int32_t index = 0; index <= IMA_MAX_STEP_INDEX; ++index) {
        trial = {samples[0], index};
        const int64_t error = GreedyBlock(samples, stride, &trial, nullptr, 0, nullptr, bestError);
        if (error < bestError) {
            bestError = error;
            bestIndex = index;
        }
    }
    WriteLe16(header, static_cast<uint16_t>(samples[0]));
    header[2] = static_cast<uint8_t>(bestIndex);
    header[3] = 0;
    if (predicted) predicted[0] = samples[0];
    *state = {samples[0], bestIndex};
    GreedyBlock(samples, stride, state, codes, groupStride, predicted);
}
