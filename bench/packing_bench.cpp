// What packing costs in memory, from the WAV's bytes to the encoded image:
// the same sound at 44100 Hz (packed as it stands) and at other rates
// (through the resampler), mono and stereo. From 48000 Hz it may take at
// most a quarter longer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/wav_reader.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// A canonical 16-bit WAV of seconds of a speech-like sound: partials under
// a wandering envelope, the same at every rate.
Bytes SpeechLikeWav(uint32_t rate, uint32_t channels, double seconds) {
    const size_t frames = static_cast<size_t>(seconds * rate);
    Bytes wav(44 + frames * channels * 2);
    std::memcpy(wav.data(), "RIFF\0\0\0\0WAVEfmt \x10\0\0\0", 20);
    WriteLe16(&wav[20], WAVE_TAG_PCM);
    WriteLe16(&wav[22], channels);
    WriteLe32(&wav[24], rate);
    WriteLe16(&wav[34], 16);
    std::memcpy(&wav[36], "data", 4);
    WriteLe32(&wav[40], static_cast<uint32_t>(frames * channels * 2));
    uint8_t* data = &wav[44];
    for (size_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c) {
            const double t = double(i) / rate;
            const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t + c);
            const double v = envelope * (6000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 1370 * t) +
                                         900 * std::sin(2 * M_PI * 5210 * t));
            WriteLe16(data + (i * channels + c) * 2, static_cast<uint16_t>(static_cast<int16_t>(v)));
        }
    return wav;
}

void BM_Pack(benchmark::State& state) {
    const uint32_t rate = static_cast<uint32_t>(state.range(0));
    const uint32_t channels = static_cast<uint32_t>(state.range(1));
    const double seconds = static_cast<double>(state.range(2)) / 1000;
    const Bytes wav = SpeechLikeWav(rate, channels, seconds);
    WavLayout layout;
    ParseWavFile(wav.data(), wav.size(), &layout);
    for (auto _ : state) {
        GamePcm pcm = {};
        MakeGamePcm(wav.data(), layout, channels, &pcm);
        const SoundInfo info = {WAVE_TAG_PCM, pcm.samples, pcm.frames * channels * 2, GAME_RATE, 16,
                                channels, pcm.frames, 0};
        void* image = nullptr;
        uint32_t size = 0;
        AIL_compress_ADPCM(&info, &image, &size);
        ReleaseCodecImage(image);
        ReleaseGamePcm(&pcm);
    }
    // Seconds of sound packed per second.
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
// 10 s, and 0.25 s, where preparing the resampler's tables weighs most.
BENCHMARK(BM_Pack)->ArgNames({"from", "channels", "ms"})
    ->Args({44100, 1, 10000})->Args({48000, 1, 10000})->Args({44100, 2, 10000})->Args({48000, 2, 10000})
    ->Args({96000, 1, 10000})->Args({44100, 1, 250})->Args({48000, 1, 250})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
