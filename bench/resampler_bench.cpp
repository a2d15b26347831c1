// Speed of the resampler: output frames per second of one channel, the
// cost of preparing its tables, and packing with and without resampling
// (the resampler and the encoder in a row, as packing runs them).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "conversion/adpcm_codec.h"
#include "conversion/resampler.h"

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

// Packing a mono sound (10 s, or a short one of 0.25 s, where preparing
// the tables weighs most): from 44100 Hz the encoder alone; from another
// rate the tables, the resampler, rounding to 16 bits, then the encoder on
// the result.
void BM_Pack(benchmark::State& state) {
    const uint32_t rate = static_cast<uint32_t>(state.range(0));
    const std::vector<float> input = Signal(rate, double(state.range(1)) / 1000);
    std::vector<float> resampled;
    std::vector<int16_t> pcm;
    for (auto _ : state) {
        Resampler resampler;
        OpenResampler(rate, OUTPUT_RATE, &resampler);
        resampled.resize(ResampledFrameCount(&resampler, input.size()));
        if (rate == OUTPUT_RATE)
            resampled = input;
        else
            ResampleAll(&resampler, Pad(input, &resampler), &resampled);
        CloseResampler(&resampler);
        pcm.resize(resampled.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = static_cast<int16_t>(std::min(32767.0f, std::max(-32768.0f, std::nearbyint(resampled[i]))));
        const SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), OUTPUT_RATE, 16,
                                1, static_cast<uint32_t>(pcm.size()), 0};
        void* image = nullptr;
        uint32_t size = 0;
        AIL_compress_ADPCM(&info, &image, &size);
        benchmark::DoNotOptimize(image);
        ReleaseCodecImage(image);
    }
}
BENCHMARK(BM_Pack)->ArgNames({"from", "ms"})->Args({44100, 10000})->Args({48000, 10000})->Args({96000, 10000})
    ->Args({44100, 250})->Args({48000, 250})->Args({96000, 250})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
