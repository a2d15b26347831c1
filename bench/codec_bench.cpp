// Throughput of the codec and of the silence cut, in MB of ADPCM (or of
// image, for the cut) per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "conversion/adpcm_block.h"
#include "conversion/adpcm_codec.h"
#include "conversion/extraction.h"

namespace {

// Speech-like test signal: a few partials under a wandering envelope, and
// a little noise.
std::vector<int16_t> Signal(size_t frames, uint32_t channels) {
    std::mt19937 random(42);
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c) {
            const double t = double(i) / 44100.0;
            const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t + c);
            const double v = envelope * (6000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 1370 * t)) +
                             double(static_cast<int>(random() % 801) - 400);
            pcm[i * channels + c] = static_cast<int16_t>(v);
        }
    return pcm;
}

std::vector<uint8_t> Packed(uint32_t channels, size_t frames) {
    const std::vector<int16_t> pcm = Signal(frames, channels);
    SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), 44100, 16,
                      channels, static_cast<uint32_t>(frames), 0};
    void* image = nullptr;
    uint32_t size = 0;
    CompressAdpcmWith(&info, ADPCM_ENCODER_PLAIN, &image, &size);
    const uint8_t* p = static_cast<const uint8_t*>(image);
    std::vector<uint8_t> data(p + ADPCM_IMAGE_DATA, p + size);
    ReleaseCodecImage(image);
    return data;
}

void BM_Decompress(benchmark::State& state) {
    const uint32_t channels = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> data = Packed(channels, 44100 * 20);
    const SoundInfo info = {WAVE_TAG_IMA_ADPCM, data.data(), static_cast<uint32_t>(data.size()), 44100, 4,
                            channels, UINT32_MAX, 36 * channels};
    for (auto _ : state) {
        void* image = nullptr;
        uint32_t size = 0;
        AIL_decompress_ADPCM(&info, &image, &size);
        benchmark::DoNotOptimize(image);
        ReleaseCodecImage(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Decompress)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

template <bool simd>
void BM_DecodeBlocks(benchmark::State& state) {
    const uint32_t channels = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> data = Packed(channels, 44100 * 20);
    const uint32_t blockBytes = 36 * channels;
    const size_t blocks = data.size() / blockBytes;
    std::vector<int16_t> out(blocks * 65 * channels);
    for (auto _ : state) {
        if (simd)
            DecodeBlocks(data.data(), blocks, blockBytes, channels, out.data());
        else
            DecodeBlocksScalar(data.data(), blocks, blockBytes, channels, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK_TEMPLATE(BM_DecodeBlocks, true)->Name("BM_DecodeBlocks/simd")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_DecodeBlocks, false)->Name("BM_DecodeBlocks/scalar")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Compress(benchmark::State& state) {
    const uint32_t channels = static_cast<uint32_t>(state.range(0));
    const AdpcmEncoder encoder = state.range(1) ? ADPCM_ENCODER_SEARCH : ADPCM_ENCODER_PLAIN;
    const size_t frames = 44100 * 2;
    const std::vector<int16_t> pcm = Signal(frames, channels);
    const SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), 44100, 16,
                            channels, static_cast<uint32_t>(frames), 0};
    uint32_t size = 0;
    for (auto _ : state) {
        void* image = nullptr;
        CompressAdpcmWith(&info, encoder, &image, &size);
        benchmark::DoNotOptimize(image);
        ReleaseCodecImage(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (size - ADPCM_IMAGE_DATA)));
    state.counters["samples/s"] = benchmark::Counter(double(state.iterations() * pcm.size()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Compress)->ArgNames({"channels", "search"})->Args({1, 1})->Args({2, 1})->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

// The silence cut's worst input: runs of 4095 zero bytes, each ended by
// one nonzero byte, so that almost every offset starts a run that almost
// matches; and a sound with no zero bytes at all.
void BM_CutTrailingSilence(benchmark::State& state) {
    const size_t length = 64u << 20;
    std::vector<uint8_t> image(length, 0);
    if (state.range(0) == 0) {
        for (size_t i = 44 + SILENCE_RUN - 1; i < length; i += SILENCE_RUN) image[i] = 1;
    } else {
        std::memset(image.data() + 44, 0x55, length - 44);
    }
    std::vector<uint8_t> work(image);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CutTrailingSilence(work.data(), static_cast<uint32_t>(work.size())));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}
BENCHMARK(BM_CutTrailingSilence)->ArgName("no_zeros")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
