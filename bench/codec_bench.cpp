// Throughput of the codec and of the silence cut: samples per second
// (frames times channels) and MB of ADPCM (or of image, for the cut) per
// second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/adpcm_decode.h"
#include "conversion/codec/adpcm_encode.h"
#include "conversion/files/extraction.h"

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

// Bytes of ADPCM and samples per second of CPU time.
void SetRates(benchmark::State& state, size_t bytes, size_t samples) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["samples/s"] = benchmark::Counter(double(state.iterations()) * double(samples),
                                                     benchmark::Counter::kIsRate);
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
    SetRates(state, data.size(), data.size() / (36 * channels) * 65 * channels);
}
BENCHMARK(BM_Decompress)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The block decoders alone, into a buffer written before: the fast one
// and the reference one.
template <bool fast>
void BM_DecodeBlocks(benchmark::State& state) {
    const uint32_t channels = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> data = Packed(channels, 44100 * 20);
    const uint32_t blockBytes = 36 * channels;
    const size_t blocks = data.size() / blockBytes;
    std::vector<int16_t> out(blocks * 65 * channels);
    for (auto _ : state) {
        if (fast)
            DecodeBlocks(data.data(), blocks, blockBytes, channels, out.data());
        else
            for (size_t b = 0; b < blocks; ++b)
                DecodeBlockReference(data.data() + b * blockBytes, blockBytes, channels, out.data() + b * 65 * channels);
        benchmark::DoNotOptimize(out.data());
    }
    SetRates(state, data.size(), out.size());
}
BENCHMARK_TEMPLATE(BM_DecodeBlocks, true)->Name("BM_DecodeBlocks/fast")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_DecodeBlocks, false)->Name("BM_DecodeBlocks/reference")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

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
    SetRates(state, size - ADPCM_IMAGE_DATA, pcm.size());
}
BENCHMARK(BM_Compress)->ArgNames({"channels", "search"})->Args({1, 1})->Args({2, 1})->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

// The search alone on the same signal's blocks, in each of its forms.
template <bool portable>
void BM_Search(benchmark::State& state) {
    const std::vector<int16_t> pcm = Signal(44100 * 2, 1);
    const size_t blocks = pcm.size() / 65;
    uint8_t block[36];
    for (auto _ : state) {
        AdpcmChannelState channel = {0, 0};
        for (size_t b = 0; b < blocks; ++b) {
            const ChannelBlock target = {pcm.data() + b * 65, 1, block, block + 4, 4, nullptr};
            if (portable)
                EncodeChannelBlockSearchPortable(target, &channel);
            else
                EncodeChannelBlockSearch(target, &channel);
        }
        benchmark::DoNotOptimize(block);
    }
    SetRates(state, blocks * 36, blocks * 65);
}
BENCHMARK_TEMPLATE(BM_Search, false)->Name("BM_Search/sse2")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Search, true)->Name("BM_Search/portable")->Unit(benchmark::kMillisecond);

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
