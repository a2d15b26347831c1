// Game PCM from any packable WAV: sample format, channels and rate.
#include "conversion/files/game_pcm.h"

#include <cmath>
#include <cstdlib>

#include "conversion/codec/byte_order.h"
#include "conversion/files/resampler.h"
#include "conversion/codec/sound_info.h"

namespace {

// Output frames the resampler makes in one call: the memory it needs
// stays small, whatever the length of the sound.
const uint32_t CHUNK_FRAMES = 16384;

// Nearest 16-bit value, ties upwards, clamped.
int16_t RoundToPcm16(double value) {
    if (value != value) return 0;
    const double rounded = std::floor(value + 0.5);
    if (rounded >= 32767.0) return 32767;
    if (rounded <= -32768.0) return -32768;
    return static_cast<int16_t>(rounded);
}

// How the WAV's channels become the game's.
struct ChannelPlan {
    uint32_t sources;  // channels worked on: 1, or 2 for stereo kept stereo
    bool mixDown;      // source 0 is the average of a stereo pair
    bool duplicate;    // source 0 goes to both output channels
};

ChannelPlan PlanChannels(uint32_t from, uint32_t to) {
    ChannelPlan plan;
    plan.mixDown = from == 2 && to == 1;
    plan.duplicate = from == 1 && to == 2;
    plan.sources = from == 2 && to == 2 ? 2 : 1;
    return plan;
}

// Source channel's sample at frame, in 16-bit units.
double SourceSample(const uint8_t* file, const WavLayout& layout, const ChannelPlan& plan, uint32_t frame,
                    uint32_t source) {
    if (plan.mixDown) return (WavSample(file, layout, frame, 0) + WavSample(file, layout, frame, 1)) * 0.5;
    return WavSample(file, layout, frame, source);
}

// Writes value to the output channel(s) that source feeds.
void Store(uint8_t* out, uint32_t channels, const ChannelPlan& plan, uint64_t frame, uint32_t source, int16_t value) {
    uint8_t* at = out + (static_cast<size_t>(frame) * channels + source) * 2;
    WriteLe16(at, static_cast<uint16_t>(value));
    if (plan.duplicate) WriteLe16(at + 2, static_cast<uint16_t>(value));
}

// The same rate: each sample rounded on its own.
void ConvertSamples(const uint8_t* file, const WavLayout& layout, const ChannelPlan& plan, uint32_t channels,
                    uint32_t frames, uint8_t* out) {
    for (uint32_t frame = 0; frame < frames; ++frame)
        for (uint32_t source = 0; source < plan.sources; ++source)
            Store(out, channels, plan, frame, source, RoundToPcm16(SourceSample(file, layout, plan, frame, source)));
}

// Another rate: each source channel through the resampler, a chunk of
// output frames at a time. False when memory runs out.
bool ResampleSamples(const uint8_t* file, const WavLayout& layout, const ChannelPlan& plan, uint32_t channels,
                     const Resampler* resampler, uint64_t outFrames, uint8_t* out) {
    const int64_t inFrames = WavFrames(layout);
    float* input = nullptr;
    size_t inputCapacity = 0;
    float* output = static_cast<float*>(std::malloc(CHUNK_FRAMES * sizeof(float)));
    bool done = output != nullptr;
    for (uint32_t source = 0; done && source < plan.sources; ++source) {
        for (uint64_t first = 0; done && first < outFrames; first += CHUNK_FRAMES) {
            const size_t count = static_cast<size_t>(outFrames - first < CHUNK_FRAMES ? outFrames - first : CHUNK_FRAMES);
            int64_t spanFirst = 0, spanEnd = 0;
            ResamplerInputSpan(resampler, first, count, &spanFirst, &spanEnd);
            const size_t span = static_cast<size_t>(spanEnd - spanFirst);
            if (span > inputCapacity) {
                float* grown = static_cast<float*>(std::realloc(input, span * sizeof(float)));
                if (!grown) {
                    done = false;
                    break;
                }
                input = grown;
                inputCapacity = span;
            }
            for (int64_t i = spanFirst; i < spanEnd; ++i)
                input[i - spanFirst] = i >= 0 && i < inFrames
                    ? static_cast<float>(SourceSample(file, layout, plan, static_cast<uint32_t>(i), source))
                    : 0.0f;
            ResampleSpan(resampler, input, first, count, output);
            for (size_t k = 0; k < count; ++k) Store(out, channels, plan, first + k, source, RoundToPcm16(output[k]));
        }
    }
    std::free(input);
    std::free(output);
    return done;
}

bool IsGameReady(const WavLayout& layout, uint32_t channels) {
    return layout.format == WAVE_TAG_PCM && layout.bits == 16 && layout.rate == GAME_RATE &&
           layout.channels == channels;
}

}  // namespace

ConvStatus MakeGamePcm(const uint8_t* file, const WavLayout& layout, uint32_t channels, GamePcm* pcm) {
    *pcm = GamePcm{file + layout.dataOffset, WavFrames(layout), channels, nullptr};
    if (IsGameReady(layout, channels)) return CONV_OK;
    const ChannelPlan plan = PlanChannels(layout.channels, channels);
    Resampler resampler;
    const bool resample = layout.rate != GAME_RATE;
    if (resample && !OpenResampler(layout.rate, GAME_RATE, &resampler)) return CONV_NO_MEMORY;
    const uint64_t frames = resample ? ResampledFrameCount(&resampler, pcm->frames) : pcm->frames;
    const uint64_t bytes = frames * channels * 2;
    ConvStatus status = CONV_OK;
    if (bytes > UINT32_MAX) status = CONV_TOO_LARGE;
    else if (bytes > SIZE_MAX || !(pcm->owned = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes)))))
        status = CONV_NO_MEMORY;
    if (status == CONV_OK) {
        pcm->samples = pcm->owned;
        pcm->frames = static_cast<uint32_t>(frames);
        if (!resample)
            ConvertSamples(file, layout, plan, channels, pcm->frames, pcm->owned);
        else if (!ResampleSamples(file, layout, plan, channels, &resampler, frames, pcm->owned))
            status = CONV_NO_MEMORY;
    }
    if (resample) CloseResampler(&resampler);
    return status;
}

void ReleaseGamePcm(GamePcm* pcm) {
    std::free(pcm->owned);
    pcm->owned = nullptr;
    pcm->samples = nullptr;
}

std::string DescribeGamePcm(const WavLayout& layout, uint32_t channels, const std::string& reason) {
    std::string text;
    const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (layout.format == WAVE_TAG_IEEE_FLOAT)
        add(std::to_string(layout.bits) + "-bit float converted to 16-bit");
    else if (layout.bits != 16)
        add(std::to_string(layout.bits) + "-bit PCM converted to 16-bit");
    if (layout.rate != GAME_RATE)
        add(std::to_string(layout.rate) + " Hz resampled to " + std::to_string(GAME_RATE) + " Hz");
    if (layout.channels == 2 && channels == 1) add(std::string("stereo mixed down to mono ") + reason);
    if (layout.channels == 1 && channels == 2) add(std::string("mono copied to both channels of stereo ") + reason);
    return text;
}
