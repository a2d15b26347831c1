// The search encoder: chooses each block's header and codes for the
// least squared error the decoder will reconstruct.
//
// A block starts from its header alone, so blocks are searched one at a
// time. The decoder's state after each code is (predictor, step index).
// The search keeps, for every step index and for each side of the input
// sample (reconstruction at or above it, or below), the cheapest path so
// far that ends there, with its predictor: a Viterbi search over the step
// index that keeps two predictors apart instead of merging them. All 89
// indices start the block, which is how the header's index is chosen.
// Each path is extended by every magnitude, each with the sign whose
// clamped reconstruction lies nearer the input (near the rails the clamp
// can make the sign away from the input exact). Paths cost their squared
// error; the cheapest at the block's end is traced back to its codes.
#include <cstring>
#include <initializer_list>

#include "conversion/adpcm_block.h"
#include "conversion/byte_order.h"

namespace {

const int kIndices = IMA_MAX_STEP_INDEX + 1;
const int kSlots = 2 * kIndices;  // side * kIndices + step index
const int kCodes = static_cast<int>(GAME_FRAMES_PER_BLOCK) - 1;
const int64_t kUnreached = INT64_MAX / 2;

// Per step index and magnitude: the difference the decoder adds and the
// next step index.
struct Transitions {
    int32_t diff[kIndices][8];
    uint8_t next[kIndices][8];
};

Transitions MakeTransitions() {
    Transitions t;
    for (int i = 0; i < kIndices; ++i) {
        const int32_t step = kImaStepTable[i];
        for (int m = 0; m < 8; ++m) {
            int32_t diff = step >> 3;
            if (m & 4) diff += step;
            if (m & 2) diff += step >> 1;
            if (m & 1) diff += step >> 2;
            t.diff[i][m] = diff;
            int next = i + kImaIndexTable[m];
            next = next < 0 ? 0 : next > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : next;
            t.next[i][m] = static_cast<uint8_t>(next);
        }
    }
    return t;
}

const Transitions kTransitions = MakeTransitions();

// Greedy codes for codes `from`.. of the block, from decoder state
// (p, i): the nearest reconstruction sample by sample. Returns their
// squared error; stores the codes at path[from..].
int64_t GreedyPath(const int16_t* samples, size_t stride, int from, int32_t p, int i, uint8_t* path) {
    int64_t total = 0;
    for (int n = from; n < kCodes; ++n) {
        const int32_t target = samples[static_cast<size_t>(n + 1) * stride];
        int64_t best = INT64_MAX;
        int bestCode = 0;
        int32_t bestValue = p;
        for (int m = 0; m < 8; ++m) {
            const int32_t diff = kTransitions.diff[i][m];
            const int32_t up = p + diff > 32767 ? 32767 : p + diff;
            const int32_t down = p - diff < -32768 ? -32768 : p - diff;
            const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
            const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
            const bool negative = eDown < eUp || (eDown == eUp && target < p);
            const int64_t e = negative ? eDown : eUp;
            if (e < best) {
                best = e;
                bestCode = negative ? m | 8 : m;
                bestValue = negative ? down : up;
            }
        }
        total += best;
        path[n] = static_cast<uint8_t>(bestCode);
        i = kTransitions.next[i][bestCode & 7];
        p = bestValue;
    }
    return total;
}

struct Frontier {
    int64_t cost[kSlots];
    int32_t predictor[kSlots];
};

}  // namespace

void EncodeChannelBlockSearch(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                              uint8_t* header, uint8_t* codes, size_t groupStride,
                              int16_t* predicted) {
    // A feasible path first: greedy codes from the index the last block
    // ended in and a few around it. Its error bounds the search: a path
    // that already costs more can only end dearer, so it is dropped.
    uint8_t path[kCodes];
    uint8_t trial[kCodes];
    int startIndex = state->stepIndex;
    int64_t bound = GreedyPath(samples, stride, 0, samples[0], startIndex, path);
    for (int offset : {-8, -3, 3, 8}) {
        int index = state->stepIndex + offset;
        index = index < 0 ? 0 : index > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : index;
        const int64_t error = GreedyPath(samples, stride, 0, samples[0], index, trial);
        if (error < bound) {
            bound = error;
            startIndex = index;
            std::memcpy(path, trial, sizeof path);
        }
    }

    int boundAt = -1;  // the bound's path: the search's up to boundAt, then greedy
    int boundSlot = 0;
    uint8_t tail[kCodes];

    uint8_t parent[kCodes][kSlots];
    uint8_t chosen[kCodes][kSlots];
    Frontier frontiers[2];
    Frontier* current = &frontiers[0];
    Frontier* next = &frontiers[1];
    for (int s = 0; s < kSlots; ++s) {
        current->cost[s] = s < kIndices ? 0 : kUnreached;
        current->predictor[s] = samples[0];
    }

    for (int n = 0; n < kCodes; ++n) {
        const int32_t target = samples[static_cast<size_t>(n + 1) * stride];
        for (int s = 0; s < kSlots; ++s) next->cost[s] = kUnreached;
        for (int s = 0; s < kSlots; ++s) {
            const int64_t base = current->cost[s];
            if (base > bound) continue;
            const int i = s < kIndices ? s : s - kIndices;
            const int32_t p = current->predictor[s];
            const int32_t* diffs = kTransitions.diff[i];
            const uint8_t* nextIndex = kTransitions.next[i];
            if (p + diffs[7] <= 32767 && p - diffs[7] >= -32768) {
                // No magnitude reaches a rail: the sign follows the input.
                const bool negative = target < p;
                for (int m = 0; m < 8; ++m) {
                    const int32_t value = negative ? p - diffs[m] : p + diffs[m];
                    const uint32_t e = static_cast<uint32_t>(target - value);
                    const int64_t cost = base + static_cast<int64_t>(e * e);
                    const int slot = nextIndex[m] + (value >= target ? kIndices : 0);
                    if (cost < next->cost[slot] && cost <= bound) {
                        next->cost[slot] = cost;
                        next->predictor[slot] = value;
                        parent[n][slot] = static_cast<uint8_t>(s);
                        chosen[n][slot] = static_cast<uint8_t>(negative ? m | 8 : m);
                    }
                }
                continue;
            }
            for (int m = 0; m < 8; ++m) {
                const int32_t diff = diffs[m];
                const int32_t up = p + diff > 32767 ? 32767 : p + diff;
                const int32_t down = p - diff < -32768 ? -32768 : p - diff;
                const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
                const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
                const bool negative = eDown < eUp || (eDown == eUp && target < p);
                const int64_t cost = base + (negative ? eDown : eUp);
                const int32_t value = negative ? down : up;
                const int slot = nextIndex[m] + (value >= target ? kIndices : 0);
                if (cost < next->cost[slot] && cost <= bound) {
                    next->cost[slot] = cost;
                    next->predictor[slot] = value;
                    parent[n][slot] = static_cast<uint8_t>(s);
                    chosen[n][slot] = static_cast<uint8_t>(negative ? m | 8 : m);
                }
            }
        }
        Frontier* swap = current;
        current = next;
        next = swap;

        // Now and then the cheapest path so far, finished greedily, may
        // tighten the bound.
        if (n % 16 == 15 && n + 1 < kCodes) {
            int best = 0;
            for (int s = 1; s < kSlots; ++s)
                if (current->cost[s] < current->cost[best]) best = s;
            if (current->cost[best] < bound) {
                const int index = best < kIndices ? best : best - kIndices;
                const int64_t total = current->cost[best] +
                    GreedyPath(samples, stride, n + 1, current->predictor[best], index, trial);
                if (total < bound) {
                    bound = total;
                    boundAt = n;
                    boundSlot = best;
                    std::memcpy(tail + n + 1, trial + n + 1, static_cast<size_t>(kCodes - n - 1));
                }
            }
        }
    }

    int best = 0;
    for (int s = 1; s < kSlots; ++s)
        if (current->cost[s] < current->cost[best]) best = s;
    int last = -1;
    int at = 0;
    if (current->cost[best] < bound) {
        last = kCodes - 1;
        at = best;
    } else if (boundAt >= 0) {
        last = boundAt;
        at = boundSlot;
        std::memcpy(path + last + 1, tail + last + 1, static_cast<size_t>(kCodes - last - 1));
    }
    if (last >= 0) {
        for (int n = last; n >= 0; --n) {
            path[n] = chosen[n][at];
            at = parent[n][at];
        }
        startIndex = at < kIndices ? at : at - kIndices;
    }

    WriteLe16(header, static_cast<uint16_t>(samples[0]));
    header[2] = static_cast<uint8_t>(startIndex);
    header[3] = 0;
    AdpcmChannelState decoder = {samples[0], startIndex};
    if (predicted) predicted[0] = samples[0];
    for (int n = 0; n < kCodes; ++n) {
        const int32_t value = DecodeNibble(&decoder, path[n]);
        if (predicted) predicted[n + 1] = static_cast<int16_t>(value);
        uint8_t* byte = codes + static_cast<size_t>(n / 8) * groupStride + (n % 8) / 2;
        *byte = static_cast<uint8_t>(n % 2 == 0 ? (*byte & 0xF0u) | path[n] : (*byte & 0x0Fu) | (path[n] << 4));
    }
    *state = decoder;
}
