// A small command-line tool for compare_resamplers.sh: makes the test
// signals, resamples with ours, and measures any resampler's output with
// one analysis. Signals and outputs are mono 32-bit float WAVs (full scale
// 1.0), so that the measurement sees the filter, not the file format.
//   resample_tool signal pass|fold|sine RATE OUT.wav
//   resample_tool resample IN.wav RATE OUT.wav
//   resample_tool measure pass|fold|sine IN.wav OUT.wav   (prints dB)
//
// The signals last 3 s and are sums of tones at whole frequencies in Hz,
// so that one second of output at 44100 Hz holds whole periods of every
// tone and of every alias and image: each is measured alone by projecting
// output frames 44100..88199 (the second second) on its frequency.
//   pass: 400 tones of equal level from 20 Hz to the pass band's top
//         (20 kHz, or 0.9 of the input's Nyquist frequency when lower);
//         measures the largest gain error in dB.
//   fold: going down, 60 tones between 22050 Hz and the input's Nyquist
//         frequency; going up, 60 tones over the whole input band (denser
//         towards its top). Measures the loudest alias or image relative
//         to its tone, in dB ("zero" when the output holds none at all).
//   sine: 1 kHz at 32767/32768 of full scale; measures THD+N in dB after
//         rounding to 16 bits, and the resampler's own (before rounding).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "conversion/codec/byte_order.h"
#include "conversion/files/resampler.h"

namespace {

const uint32_t OUTPUT_RATE = 44100;
const uint32_t SIGNAL_SECONDS = 3;
const uint32_t PASS_TONES = 400;
const uint32_t FOLD_TONES = 60;
const size_t CHUNK = 65536;  // output frames per span, as packing works
const double TWO_PI = 6.283185307179586;

struct Tone {
    uint32_t hz;
    std::vector<uint32_t> folds;  // where it folds back into the output's band
};

// The frequencies below 22050 Hz that a tone of hz at inputRate folds to:
// aliases going down, images going up.
std::vector<uint32_t> FoldsOf(uint32_t hz, uint32_t inputRate) {
    std::vector<uint32_t> folds;
    if (inputRate > OUTPUT_RATE) {
        if (2 * hz > OUTPUT_RATE) {
            const uint32_t rest = hz % OUTPUT_RATE;
            folds.push_back(std::min(rest, OUTPUT_RATE - rest));
        }
    } else {
        for (uint32_t m = inputRate; m - hz < OUTPUT_RATE / 2; m += inputRate) {
            folds.push_back(m - hz);
            if (m + hz < OUTPUT_RATE / 2) folds.push_back(m + hz);
        }
    }
    return folds;
}

// The top of the pass band measured: 20 kHz, or 0.9 of the input's
// Nyquist frequency when that is lower.
uint32_t PassTop(uint32_t inputRate) {
    return std::min<uint32_t>(20000, inputRate * 9 / 20);
}

std::vector<Tone> Tones(const char* kind, uint32_t inputRate) {
    std::vector<Tone> tones;
    if (std::strcmp(kind, "sine") == 0) {
        tones.push_back({1000, {}});
    } else if (std::strcmp(kind, "pass") == 0) {
        const uint32_t top = PassTop(inputRate);
        for (uint32_t j = 0; j < PASS_TONES; ++j) {
            const uint32_t hz = 20 + static_cast<uint32_t>(std::lround((top - 20) * (j / double(PASS_TONES - 1))));
            if (tones.empty() || tones.back().hz != hz) tones.push_back({hz, {}});
        }
    } else if (inputRate != OUTPUT_RATE) {
        // Fold tones; one whose folds meet another's or a tone is left out.
        const bool down = inputRate > OUTPUT_RATE;
        const double low = down ? OUTPUT_RATE / 2 + 1 : 20;
        const double high = inputRate / 2 - 1;
        std::set<uint32_t> used;
        for (uint32_t j = 0; j < FOLD_TONES; ++j) {
            const double s = j / double(FOLD_TONES - 1);
            const double at = down ? s * s : 1 - (1 - s) * (1 - s);  // denser at the filter's edge
            const uint32_t hz = static_cast<uint32_t>(std::lround(low + (high - low) * at));
            Tone tone = {hz, FoldsOf(hz, inputRate)};
            bool clash = used.count(hz) > 0;
            for (uint32_t f : tone.folds) clash = clash || f == 0 || 2 * f == OUTPUT_RATE || used.count(f) > 0;
            if (clash) continue;
            used.insert(hz);
            used.insert(tone.folds.begin(), tone.folds.end());
            tones.push_back(tone);
        }
    }
    return tones;
}

// One period of cos and sin at rate, for tones at whole frequencies.
struct Circle {
    std::vector<double> cos, sin;
};

Circle MakeCircle(uint32_t rate) {
    Circle circle = {std::vector<double>(rate), std::vector<double>(rate)};
    for (uint32_t k = 0; k < rate; ++k) {
        circle.cos[k] = std::cos(TWO_PI * k / rate);
        circle.sin[k] = std::sin(TWO_PI * k / rate);
    }
    return circle;
}

// The sum of the tones with Schroeder's phases (for a low peak), scaled to
// peak at 0.9; the lone sine is full scale less one 16-bit step.
std::vector<float> MakeSignal(const std::vector<Tone>& tones, uint32_t rate) {
    const Circle circle = MakeCircle(rate);
    const size_t frames = size_t(rate) * SIGNAL_SECONDS;
    std::vector<double> sum(frames, 0.0);
    for (size_t j = 0; j < tones.size(); ++j) {
        const double phase = M_PI * double(j) * double(j) / double(tones.size());
        const double c = std::cos(phase), s = std::sin(phase);
        for (size_t n = 0; n < frames; ++n) {
            const size_t k = (uint64_t(tones[j].hz) * n) % rate;
            sum[n] += circle.sin[k] * c + circle.cos[k] * s;
        }
    }
    double peak = 0;
    for (double v : sum) peak = std::max(peak, std::fabs(v));
    const double scale = tones.size() == 1 ? 32767.0 / 32768.0 : 0.9 / peak;
    std::vector<float> samples(frames);
    for (size_t n = 0; n < frames; ++n) samples[n] = static_cast<float>(sum[n] * scale);
    return samples;
}

bool WriteFloatWav(const char* path, const std::vector<float>& samples, uint32_t rate) {
    uint8_t header[44];
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * sizeof(float));
    std::memcpy(header, "RIFF", 4);
    WriteLe32(header + 4, 36 + bytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    WriteLe32(header + 16, 16);
    WriteLe16(header + 20, 3);  // IEEE float
    WriteLe16(header + 22, 1);
    WriteLe32(header + 24, rate);
    WriteLe32(header + 28, rate * 4);
    WriteLe16(header + 32, 4);
    WriteLe16(header + 34, 32);
    std::memcpy(header + 36, "data", 4);
    WriteLe32(header + 40, bytes);
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    for (float v : samples) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        uint8_t le[4];
        WriteLe32(le, bits);
        ok = ok && std::fwrite(le, 1, 4, file) == 4;
    }
    return std::fclose(file) == 0 && ok;
}

// A mono 32-bit float WAV (plain or extensible); false if it is not one.
bool ReadFloatWav(const char* path, std::vector<float>* samples, uint32_t* rate) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
    std::fclose(file);
    if (bytes.size() < 12 || !TagIs(bytes.data(), "RIFF") || !TagIs(bytes.data() + 8, "WAVE")) return false;
    bool fmt = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint8_t* chunk = bytes.data() + at;
        const size_t size = std::min<size_t>(ReadLe32(chunk + 4), bytes.size() - at - 8);
        if (TagIs(chunk, "fmt ") && size >= 16) {
            const uint32_t tag = ReadLe16(chunk + 8);
            const uint32_t format = tag == 0xFFFE && size >= 26 ? ReadLe16(chunk + 32) : tag;
            if (format != 3 || ReadLe16(chunk + 10) != 1 || ReadLe16(chunk + 22) != 32) return false;
            *rate = ReadLe32(chunk + 12);
            fmt = true;
        } else if (TagIs(chunk, "data") && fmt) {
            samples->resize(size / 4);
            for (size_t i = 0; i < samples->size(); ++i) {
                const uint32_t bits = ReadLe32(chunk + 8 + 4 * i);
                std::memcpy(&(*samples)[i], &bits, 4);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Ours, span by span as packing does, in 16-bit units.
int Resample(const char* in, uint32_t rate, const char* out) {
    std::vector<float> input;
    uint32_t inputRate = 0;
    Resampler resampler;
    if (!ReadFloatWav(in, &input, &inputRate) || !OpenResampler(inputRate, rate, &resampler)) return 1;
    for (float& v : input) v *= 32768.0f;
    std::vector<float> output(ResampledFrameCount(&resampler, input.size()));
    std::vector<float> span;
    for (size_t first = 0; first < output.size(); first += CHUNK) {
        const size_t count = std::min(CHUNK, output.size() - first);
        int64_t from, to;
        ResamplerInputSpan(&resampler, first, count, &from, &to);
        span.assign(size_t(to - from), 0.0f);
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min<int64_t>(to, int64_t(input.size())); ++i)
            span[size_t(i - from)] = input[size_t(i)];
        ResampleSpan(&resampler, span.data(), first, count, output.data() + first);
    }
    CloseResampler(&resampler);
    for (float& v : output) v /= 32768.0f;
    return WriteFloatWav(out, output, rate) ? 0 : 1;
}

// Amplitude of the component at hz in one second of sound at the
// circle's rate.
double Level(const std::vector<double>& second, const Circle& circle, uint32_t hz) {
    double c = 0, s = 0;
    for (size_t n = 0; n < second.size(); ++n) {
        const size_t k = (uint64_t(hz) * n) % second.size();
        c += second[n] * circle.cos[k];
        s += second[n] * circle.sin[k];
    }
    return 2 * std::sqrt(c * c + s * s) / double(second.size());
}

// THD+N of one second holding a 1 kHz sine: everything but the 1 kHz
// component, against it, in dB.
double ThdPlusNoise(const std::vector<double>& second, const Circle& circle) {
    double c = 0, s = 0, total = 0;
    for (size_t n = 0; n < second.size(); ++n) {
        const size_t k = (1000 * n) % second.size();
        c += second[n] * circle.cos[k];
        s += second[n] * circle.sin[k];
    }
    c *= 2.0 / double(second.size());
    s *= 2.0 / double(second.size());
    for (size_t n = 0; n < second.size(); ++n) {
        const size_t k = (1000 * n) % second.size();
        const double e = second[n] - c * circle.cos[k] - s * circle.sin[k];
        total += e * e;
    }
    const double fundamental = 0.5 * (c * c + s * s) * double(second.size());
    return 10 * std::log10(total / fundamental);
}

// The second second of a sound (the first and last are left to the
// filters' edges).
std::vector<double> SecondSecond(const std::vector<float>& sound, uint32_t rate) {
    return std::vector<double>(sound.begin() + rate, sound.begin() + 2 * rate);
}

int Measure(const char* kind, const char* in, const char* out) {
    std::vector<float> input, output;
    uint32_t inputRate = 0, rate = 0;
    if (!ReadFloatWav(in, &input, &inputRate) || !ReadFloatWav(out, &output, &rate) || rate != OUTPUT_RATE ||
        output.size() < 2 * OUTPUT_RATE || input.size() < 2 * size_t(inputRate))
        return 1;
    const Circle circle = MakeCircle(OUTPUT_RATE);
    std::vector<double> second = SecondSecond(output, OUTPUT_RATE);
    if (std::strcmp(kind, "sine") == 0) {
        const double own = ThdPlusNoise(second, circle);
        for (double& v : second) v = std::min(32767.0, std::max(-32768.0, std::floor(v * 32768 + 0.5))) / 32768;
        std::printf("%.2f %.2f\n", ThdPlusNoise(second, circle), own);
        return 0;
    }
    const std::vector<Tone> tones = Tones(kind, inputRate);
    if (tones.empty()) {
        std::printf("-\n");
        return 0;
    }
    const Circle inputCircle = MakeCircle(inputRate);
    const std::vector<double> inputSecond = SecondSecond(input, inputRate);
    const bool pass = std::strcmp(kind, "pass") == 0;
    double worst = pass ? 0.0 : -HUGE_VAL;  // stays so when every fold is exactly zero
    for (const Tone& tone : tones) {
        const double level = Level(inputSecond, inputCircle, tone.hz);
        if (pass) {
            const double db = 20 * std::log10(Level(second, circle, tone.hz) / level);
            if (std::fabs(db) > std::fabs(worst)) worst = db;
        }
        for (uint32_t f : tone.folds) worst = std::max(worst, 20 * std::log10(Level(second, circle, f) / level));
    }
    if (std::isinf(worst))
        std::printf("zero\n");
    else
        std::printf(pass ? "%+.5f\n" : "%.1f\n", worst);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "signal") == 0) {
        const uint32_t rate = uint32_t(std::atoi(argv[3]));
        return WriteFloatWav(argv[4], MakeSignal(Tones(argv[2], rate), rate), rate) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "resample") == 0)
        return Resample(argv[2], uint32_t(std::atoi(argv[3])), argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "measure") == 0) return Measure(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: resample_tool signal pass|fold|sine RATE OUT | resample IN RATE OUT |"
                 " measure pass|fold|sine IN OUT\n");
    return 2;
}
