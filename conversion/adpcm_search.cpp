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

// Greedy codes from a starting step index: the nearest reconstruction
// sample by sample. Returns the squared error; stores the codes.
int64_t GreedyPath(const int16_t* samples, size_t stride, int startIndex, uint8_t* path) {
    int32_t p = samples[0];
    int i = startIndex;
    int64_t total = 0;
    for (int n = 0; n < kCodes; ++n) {
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
    int64_t bound = GreedyPath(samples, stride, startIndex, path);
    for (int offset : {-8, -3, 3, 8}) {
        int index = state->stepIndex + offset;
        index = index < 0 ? 0 : index > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : index;
        const int64_t error = GreedyPath(samples, stride, index, trial);
        if (error < bound) {
            bound = error;
            startIndex = index;
            std::memcpy(path, trial, sizeof path);
        }
    }

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
            for (int m = 0; m < 8; ++m) {
                const int32_t diff = kTransitions.diff[i][m];
                const int32_t up = p + diff > 32767 ? 32767 : p + diff;
                const int32_t down = p - diff < -32768 ? -32768 : p - diff;
                const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
                const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
                const bool negative = eDown < eUp || (eDown == eUp && target < p);
                const int64_t cost = base + (negative ? eDown : eUp);
                const int32_t value = negative ? down : up;
                const int slot = kTransitions.next[i][m] + (value >= target ? kIndices : 0);
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
    }

    int best = 0;
    for (int s = 1; s < kSlots; ++s)
        if (current->cost[s] < current->cost[best]) best = s;
    if (current->cost[best] < bound) {
        int at = best;
        for (int n = kCodes - 1; n >= 0; --n) {
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
