// The yardstick for the search encoder: on a sample of blocks of a PCM
// WAV, the exact optimum of each block's squared error, found by a search
// over every decoder state (predictor and step index) that merges nothing,
// against the search encoder's result. Both keep the block's first sample
// in its header, as the encoder does. Slow, and memory-hungry (about 100
// MB), by design.
//   search_optimum IN.wav [EVERY]   (every EVERY-th block, 20 by default)
// Prints, per block sampled, the two errors, then the totals: how far the
// encoder's total error lies above the optimum's, in dB.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_wav.h"
#include "conversion/codec/adpcm_encode.h"

namespace {

const size_t STATES = size_t(65536) * IMA_STEP_INDICES;
const uint64_t NONE = UINT64_MAX;

inline size_t StateOf(int32_t predictor, int32_t index) {
    return static_cast<size_t>(predictor - SAMPLE_MIN) * IMA_STEP_INDICES + static_cast<size_t>(index);
}

// Costs by state for one code position, and the states that hold one.
struct Layer {
    std::vector<uint64_t> cost = std::vector<uint64_t>(STATES, NONE);
    std::vector<size_t> held;
};

// The least squared error of a block (65 samples) over every code and
// every starting index, header sample fixed; only paths within `bound`
// are followed, so the bound must be reachable.
uint64_t Optimum(const int16_t* x, uint64_t bound, Layer* a, Layer* b) {
    for (int32_t index = 0; index < IMA_STEP_INDICES; ++index) {
        a->cost[StateOf(x[0], index)] = 0;
        a->held.push_back(StateOf(x[0], index));
    }
    for (int32_t n = 1; n < static_cast<int32_t>(GAME_FRAMES_PER_BLOCK); ++n) {
        for (size_t state : a->held) {
            const uint64_t cost = a->cost[state];
            a->cost[state] = NONE;
            AdpcmChannelState from = {static_cast<int32_t>(state / IMA_STEP_INDICES) + SAMPLE_MIN,
                                      static_cast<int32_t>(state % IMA_STEP_INDICES)};
            for (uint32_t code = 0; code < 16; ++code) {
                AdpcmChannelState to = from;
                const int32_t value = DecodeNibble(&to, code);
                const uint64_t total = cost + SquaredError(x[n], value);
                const size_t next = StateOf(to.predictor, to.stepIndex);
                if (total > bound || total >= b->cost[next]) continue;
                if (b->cost[next] == NONE) b->held.push_back(next);
                b->cost[next] = total;
            }
        }
        a->held.clear();
        std::swap(*a, *b);
    }
    uint64_t best = NONE;
    for (size_t state : a->held) {
        best = a->cost[state] < best ? a->cost[state] : best;
        a->cost[state] = NONE;
    }
    a->held.clear();
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: search_optimum IN.wav [EVERY]\n");
        return 2;
    }
    const size_t every = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 20;
    uint32_t channels = 0, rate = 0;
    std::vector<int16_t> pcm;
    if (!ReadPcmWav(ReadAll(argv[1]), &channels, &rate, &pcm) || channels == 0 || every == 0) return 1;
    const size_t frames = pcm.size() / channels;
    Layer a, b;
    double ours = 0, optimum = 0;
    int blocks = 0, optimal = 0;
    for (size_t first = 0; first < frames; first += every * GAME_FRAMES_PER_BLOCK)
        for (uint32_t c = 0; c < channels; ++c) {
            int16_t x[GAME_FRAMES_PER_BLOCK];
            for (size_t f = 0; f < GAME_FRAMES_PER_BLOCK; ++f)
                x[f] = pcm[(first + f < frames ? first + f : frames - 1) * channels + c];
            uint8_t block[GAME_BLOCK_BYTES_PER_CHANNEL];
            int16_t predicted[GAME_FRAMES_PER_BLOCK];
            AdpcmChannelState state = {0, 0};
            EncodeChannelBlockSearch({x, 1, block, block + 4, 4, predicted}, &state);
            uint64_t error = 0;
            for (size_t f = 0; f < GAME_FRAMES_PER_BLOCK; ++f) error += SquaredError(x[f], predicted[f]);
            const uint64_t best = Optimum(x, error, &a, &b);
            std::printf("block %zu channel %u: search %llu, optimum %llu\n", first / GAME_FRAMES_PER_BLOCK, c,
                        static_cast<unsigned long long>(error), static_cast<unsigned long long>(best));
            ours += static_cast<double>(error);
            optimum += static_cast<double>(best);
            ++blocks;
            optimal += best == error;
        }
    std::printf("%d blocks, %d at the optimum; total error %.3f dB above the optimum's\n", blocks, optimal,
                optimum > 0 ? 10 * std::log10(ours / optimum) : 0.0);
    return 0;
}
