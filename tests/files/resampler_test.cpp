// The resampler through its public functions: a sine keeps its level and
// timing from the rates a WAV may have and between the extremes. (The
// rates it takes, the output's length as sox gives it, and the same bits
// in every build: the packing and bad-input suites.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "conversion/files/resampler.h"

namespace {

const double TWO_PI = 6.283185307179586;

// Resamples the whole input span by span, as packing does: zeros before
// and after the sound.
std::vector<float> ResampleWhole(const Resampler* resampler, const std::vector<float>& input, size_t spanFrames) {
    std::vector<float> output(static_cast<size_t>(ResampledFrameCount(resampler, input.size())));
    std::vector<float> span;
    for (size_t first = 0; first < output.size(); first += spanFrames) {
        const size_t count = std::min(spanFrames, output.size() - first);
        int64_t from, to;
        ResamplerInputSpan(resampler, first, count, &from, &to);
        span.assign(static_cast<size_t>(to - from), 0.0f);
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min<int64_t>(to, int64_t(input.size())); ++i)
            span[static_cast<size_t>(i - from)] = input[static_cast<size_t>(i)];
        ResampleSpan(resampler, span.data(), first, count, output.data() + first);
    }
    return output;
}

TEST(Resampler, SineKeepsItsLevelAndTiming) {
    const struct {
        uint32_t input, output;
        double hz;
    } cases[] = {
        {48000, 44100, 1000},  {48000, 44100, 19900}, {96000, 44100, 19900}, {22050, 44100, 9900},
        {8000, 44100, 3500},   {44101, 44100, 19900}, {384000, 4000, 1500},   {4000, 384000, 1500},
        {44100, 44100, 10000},
    };
    const double amplitude = 20000;
    for (const auto& c : cases) {
        Resampler resampler;
        ASSERT_TRUE(OpenResampler(c.input, c.output, &resampler));
        std::vector<float> input(c.input / 2);
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<float>(amplitude * std::sin(TWO_PI * c.hz * double(i) / c.input));
        const std::vector<float> output = ResampleWhole(&resampler, input, 4096);
        // Away from the ends, where the filter reaches past the sound; within
        // 5e-6 of the amplitude (-106 dB).
        double worst = 0;
        for (size_t n = output.size() / 4; n < output.size() * 3 / 4; ++n) {
            const double expected = amplitude * std::sin(TWO_PI * c.hz * double(n) / c.output);
            worst = std::max(worst, std::fabs(output[n] - expected));
        }
        EXPECT_LT(worst, 0.1) << c.input << " to " << c.output << ", " << c.hz << " Hz";
        CloseResampler(&resampler);
    }
}

}  // namespace
