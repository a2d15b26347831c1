// Speed of the resampler: output frames per second of one channel and the
// cost of preparing its tables. (Packing with it: packing_bench.)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "conversion/files/resampler.h"

namespace {

const uint32_t OUTPUT_RATE = 44100;
const size_t CHUNK = 65536;  // output frames per span, as packing works

// Speech-like test signal in 16-bit units: a few partials under a
// wandering envelope, and a little noise.
std::vector<float> Signal(uint32_t rate, double seconds) {
    std::mt19937 random(42);
    std::vector<float> samples(static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t);
        samples[i] = static_cast<float>(envelope * (6000 * std::sin(2 * M_PI * 220 * t) +
                                                    3000 * std::sin(2 * M_PI * 1370 * t)) +
                                        double(static_cast<int>(random() % 801) - 400));
    }
    return samples;
}

// The input with zeros around it, so that any span is one pointer into it.
struct PaddedInput {
    std::vector<float> samples;
    int64_t origin;  // index of input frame 0
};

PaddedInput Pad(const std::vector<float>& input, const Resampler* resampler) {
    int64_t first, end;
    ResamplerInputSpan(resampler, 0, 1, &first, &end);
    const int64_t margin = end - first + 1;
    PaddedInput padded = {std::vector<float>(input.size() + 2 * size_t(margin), 0.0f), margin};
    std::copy(input.begin(), input.end(), padded.samples.begin() + margin);
    return padded;
}

// Resamples the whole padded input span by span into output.
void ResampleAll(const Resampler* resampler, const PaddedInput& input, std::vector<float>* output) {
    for (size_t first = 0; first < output->size(); first += CHUNK) {
        const size_t count = std::min(CHUNK, output->size() - first);
        int64_t from, to;
        ResamplerInputSpan(resampler, first, count, &from, &to);
        ResampleSpan(resampler, input.samples.data() + (input.origin + from), first, count, output->data() + first);
    }
}

void BM_Resample(benchmark::State& state) {
    const uint32_t rate = static_cast<uint32_t>(state.range(0));
    Resampler resampler;
    if (!OpenResampler(rate, OUTPUT_RATE, &resampler)) {
        state.SkipWithError("cannot open");
        return;
    }
    const std::vector<float> input = Signal(rate, 10.0);
    const PaddedInput padded = Pad(input, &resampler);
    std::vector<float> output(ResampledFrameCount(&resampler, input.size()));
    for (auto _ : state) {
        ResampleAll(&resampler, padded, &output);
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["taps"] = resampler.taps;
    state.counters["rows"] = resampler.rows;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * output.size()));
    CloseResampler(&resampler);
}
BENCHMARK(BM_Resample)->ArgName("from")->Arg(48000)->Arg(96000)->Arg(192000)->Arg(384000)->Arg(32000)
    ->Arg(22050)->Arg(8000)->Arg(37800)->Arg(44101)->Unit(benchmark::kMillisecond);

void BM_OpenResampler(benchmark::State& state) {
    const uint32_t rate = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        Resampler resampler;
        benchmark::DoNotOptimize(OpenResampler(rate, OUTPUT_RATE, &resampler));
        CloseResampler(&resampler);
    }
}
BENCHMARK(BM_OpenResampler)->ArgName("from")->Arg(48000)->Arg(96000)->Arg(384000)->Arg(22050)->Arg(8000)
    ->Arg(44101)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
