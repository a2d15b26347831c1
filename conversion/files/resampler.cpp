// The resampler: a polyphase FIR filter, a Kaiser-windowed sinc.
//
// Design. Output frame n sits at input position x = n * inputRate /
// outputRate, kept exactly as the integer part i and the phase p / up of
// the rates' ratio in lowest terms (down / up). The output is the sum of
// the input frames i + tapStart .. i + tapStart + taps - 1, each weighted
// by the filter's impulse response at its distance from x, so the filter
// is centred on x and its delay needs no compensation.
//
// The filter is a low-pass on the input's time axis:
//   - the stop band starts at the lower of the two Nyquist frequencies, so
//     that nothing folds back: neither aliases when going down nor images
//     when going up;
//   - the pass band ends at 20 kHz, or at 400/441 of that lower Nyquist
//     frequency when this is less (20 kHz is that fraction of 22050 Hz);
//   - the cutoff of the sinc is midway between the two edges;
//   - the Kaiser window is designed for ATTENUATION_DB of stop band (and
//     so a pass-band ripple of about 1e-6): beta = 0.1102 (A - 8.7), and
//     the length from Kaiser's formula for the width of the transition
//     band, rounded up to a multiple of 8 taps. The window's half-width is
//     taps / 2 frames.
// From 48000 to 44100 Hz that is 184 taps (20 to 22.05 kHz is a narrow
// transition); going up to 44100 Hz from any rate 168 taps (the transition
// is the same fraction of the input's rate); down from 384000 Hz 1464.
//
// Phases. When the ratio has few phases (up * taps within
// EXACT_TABLE_LIMIT: every common rate to 44100 Hz, where up is at most
// 441), each phase p / up has its own row of coefficients. Otherwise (odd
// rates such as 44101 Hz) the table holds the phases k / P for k = 0..P
// and each output blends the two rows around its phase linearly. The
// blend's error at frequency w (radians per input frame) is at most
// (w / P)^2 / 8 of the signal; P is chosen so that this stays below the
// stop band's level up to the stop band's edge. Filter length times P is
// then bounded by the ratio of the stop band's edge to the transition's
// width, so the table stays within a few megabytes for any pair of rates.
//
// Determinism. The coefficients are computed in double with our own sine
// and Bessel I0 series, using only + - * and /, which are correctly
// rounded everywhere; the dot products run in a fixed order with eight
// float accumulators (two SSE registers, or eight scalars in the same
// order). The build forbids x87 and contracted multiply-adds, so every
// build gives the same bits.
#include "conversion/files/resampler.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define VELKMAR_RESAMPLER_SSE 1
#endif

namespace {

const double PI = 3.14159265358979323846;
const double ATTENUATION_DB = 120.0;
const double PASSBAND_TOP_HZ = 20000.0;
const double PASSBAND_FRACTION = 400.0 / 441.0;  // of the lower Nyquist frequency
const uint32_t TAP_MULTIPLE = 8;                 // the dot product's stride
const uint64_t EXACT_TABLE_LIMIT = 1u << 18;     // coefficients of a table of exact phases (1 MB)
const uint32_t ROW_BLOCK = 64;                   // coefficients of a row prepared together
// The blend's error bound (w / P)^2 / 8 below 10^(-ATTENUATION_DB / 20):
// P >= w * BLEND_PHASES_PER_RADIAN.
const double BLEND_PHASES_PER_RADIAN = 353.6;

uint64_t GreatestCommonDivisor(uint64_t a, uint64_t b) {
    while (b != 0) {
        const uint64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// Conversions between integers and floating point go through int32,
// which SSE2 converts directly in every build (the 32-bit build would use
// x87 instructions for unsigned and 64-bit integers). Every value passed
// is below 2^31.
double ToDouble(int64_t v) {
    return static_cast<double>(static_cast<int32_t>(v));
}

// The nearest integer to x (halves away from zero), for |x| < 2^30.
double RoundToInteger(double x) {
    return ToDouble(static_cast<int32_t>(x < 0 ? x - 0.5 : x + 0.5));
}

const int SINE_TERMS = 12;    // odd powers past y: y^3 .. y^25
const int BESSEL_TERMS = 24;  // powers q^0 .. q^23 of the Bessel series

// The constants of the series, computed once: -1 / ((2k)(2k + 1)) for the
// sine's terms, 1 / (k!)^2 for the Bessel function's.
struct SeriesConstants {
    double sine[SINE_TERMS + 1];
    double bessel[BESSEL_TERMS];
};

SeriesConstants MakeSeriesConstants() {
    SeriesConstants constants;
    for (int k = 1; k <= SINE_TERMS; ++k) constants.sine[k] = -1.0 / static_cast<double>((2 * k) * (2 * k + 1));
    constants.bessel[0] = 1.0;
    for (int k = 1; k < BESSEL_TERMS; ++k)
        constants.bessel[k] = constants.bessel[k - 1] / static_cast<double>(k * k);
    return constants;
}

// sin(pi * x): reduced to pi * r with |r| <= 1/2, then the Taylor series,
// whose terms past the 25th power are below 1e-20 there.
double SinPi(const SeriesConstants& constants, double x) {
    double r = x - 2.0 * RoundToInteger(0.5 * x);  // exact, in [-1, 1]
    if (r > 0.5)
        r = 1.0 - r;
    else if (r < -0.5)
        r = -1.0 - r;
    const double y = PI * r;
    const double y2 = y * y;
    double term = y;
    double sum = y;
    for (int k = 1; k <= SINE_TERMS; ++k) {
        term = term * (y2 * constants.sine[k]);
        sum += term;
    }
    return sum;
}

// The modified Bessel function I0(x) from its series in q = x^2 / 4: the
// sum of q^k / (k!)^2, by Horner's rule. For q up to 42 (x up to 12.9)
// the terms past q^23 are below 1e-13 of the sum. Evaluated for count
// values of q at once, at most ROW_BLOCK (independent, so that the
// compiler runs them side by side): q[k] becomes I0.
void BesselI0Series(const SeriesConstants& constants, double* q, uint32_t count) {
    double sum[ROW_BLOCK];
    for (uint32_t k = 0; k < count; ++k) sum[k] = constants.bessel[BESSEL_TERMS - 1];
    for (int d = BESSEL_TERMS - 2; d >= 0; --d)
        for (uint32_t k = 0; k < count; ++k) sum[k] = sum[k] * q[k] + constants.bessel[d];
    for (uint32_t k = 0; k < count; ++k) q[k] = sum[k];
}

// The filter's shape: cutoff in cycles per input frame, the Kaiser
// window's half-width in frames and beta.
struct FilterShape {
    double cutoff;
    double halfWidth;
    double beta;
    double windowScale;  // 1 / I0(beta)
    SeriesConstants constants;
};

// Fills one row: the impulse response at t = frame - phase for the frames
// tapStart .. tapStart + taps - 1 from the output's position, where
// phase = v / phases. The response is 2 cutoff sinc(2 cutoff t) times the
// Kaiser window I0(beta * sqrt(1 - (t / halfWidth)^2)) / I0(beta), whose
// series takes the square of I0's argument directly. The sines along the
// row come from the recurrence sin(a + d) = 2 cos(d) sin(a) - sin(a - d),
// started from two exact values; its error grows by about 1e-16 a step.
void FillRow(const FilterShape& shape, int32_t tapStart, uint32_t taps, uint32_t v, uint64_t phases,
             float* row) {
    const double step = 2.0 * shape.cutoff;  // of u = 2 cutoff t, per frame
    const double twiceCosine = 2.0 * SinPi(shape.constants, step + 0.5);
    const double denominator = ToDouble(int64_t(phases));
    const double quarterBetaSquared = 0.25 * shape.beta * shape.beta;
    double sine = 0.0;
    double previous = 0.0;
    for (uint32_t first = 0; first < taps; first += ROW_BLOCK) {
        const uint32_t count = taps - first < ROW_BLOCK ? taps - first : ROW_BLOCK;
        double sinc[ROW_BLOCK];
        double window[ROW_BLOCK];
        for (uint32_t i = 0; i < count; ++i) {
            // (frame * phases - v) / phases: the product is exact in double.
            const uint32_t k = first + i;
            const double frame = ToDouble(static_cast<int32_t>(k) + tapStart);
            const double t = (frame * denominator - ToDouble(v)) / denominator;
            const double u = step * t;
            const double next = k < 2 ? SinPi(shape.constants, u) : twiceCosine * sine - previous;
            previous = sine;
            sine = next;
            const double ratio = t / shape.halfWidth;
            const double inside = 1.0 - ratio * ratio;
            sinc[i] = inside <= 0.0 ? 0.0 : u == 0.0 ? 1.0 : sine / (PI * u);
            window[i] = inside <= 0.0 ? 0.0 : quarterBetaSquared * inside;
        }
        BesselI0Series(shape.constants, window, count);
        for (uint32_t i = 0; i < count; ++i)
            row[first + i] = static_cast<float>(step * sinc[i] * (window[i] * shape.windowScale));
    }
}

// Fills the rows of phases 0 / phases .. (rows - 1) / phases. The rows of
// phases v and phases - v hold the same response at opposite times, so
// the second half of the rows are the first half reversed.
void FillRows(const FilterShape& shape, int32_t tapStart, uint32_t taps, uint32_t rows, uint64_t phases,
              float* table) {
    for (uint32_t v = 0; v < rows; ++v) {
        float* row = table + static_cast<size_t>(v) * taps;
        if (v > 0 && 2 * uint64_t(v) > phases) {
            const float* mirror = table + static_cast<size_t>(phases - v) * taps;
            for (uint32_t k = 0; k < taps; ++k) row[k] = mirror[taps - 1 - k];
        } else {
            FillRow(shape, tapStart, taps, v, phases, row);
        }
    }
}

// The input position of output frame n: integer part and phase (of up).
void InputPosition(const Resampler* resampler, uint64_t n, int64_t* frame, uint64_t* phase) {
    const uint64_t rest = (n % resampler->up) * resampler->down;
    *frame = static_cast<int64_t>((n / resampler->up) * resampler->down + rest / resampler->up);
    *phase = rest % resampler->up;
}

#ifdef VELKMAR_RESAMPLER_SSE

// The sums of a[k] * x[k] and of b[k] * y[k] for k < n (a multiple of 8),
// each in eight lanes: lane l takes the terms k = l mod 8; then lanes l and
// l + 4 are added, then (0 + 2) + (1 + 3). Two sums side by side keep four
// chains of additions in flight.
void Dot2(const float* a, const float* x, const float* b, const float* y, uint32_t n, float* first,
          float* second) {
    __m128 aLow = _mm_setzero_ps();
    __m128 aHigh = _mm_setzero_ps();
    __m128 bLow = _mm_setzero_ps();
    __m128 bHigh = _mm_setzero_ps();
    for (uint32_t k = 0; k < n; k += 8) {
        aLow = _mm_add_ps(aLow, _mm_mul_ps(_mm_loadu_ps(a + k), _mm_loadu_ps(x + k)));
        bLow = _mm_add_ps(bLow, _mm_mul_ps(_mm_loadu_ps(b + k), _mm_loadu_ps(y + k)));
        aHigh = _mm_add_ps(aHigh, _mm_mul_ps(_mm_loadu_ps(a + k + 4), _mm_loadu_ps(x + k + 4)));
        bHigh = _mm_add_ps(bHigh, _mm_mul_ps(_mm_loadu_ps(b + k + 4), _mm_loadu_ps(y + k + 4)));
    }
    __m128 aSum = _mm_add_ps(aLow, aHigh);
    __m128 bSum = _mm_add_ps(bLow, bHigh);
    aSum = _mm_add_ps(aSum, _mm_movehl_ps(aSum, aSum));
    bSum = _mm_add_ps(bSum, _mm_movehl_ps(bSum, bSum));
    *first = _mm_cvtss_f32(_mm_add_ss(aSum, _mm_shuffle_ps(aSum, aSum, 1)));
    *second = _mm_cvtss_f32(_mm_add_ss(bSum, _mm_shuffle_ps(bSum, bSum, 1)));
}

#else

// The same sums in the same order without SSE.
float Dot(const float* a, const float* x, uint32_t n) {
    float lane[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (uint32_t k = 0; k < n; k += 8)
        for (uint32_t l = 0; l < 8; ++l) lane[l] = lane[l] + a[k + l] * x[k + l];
    float sum[4];
    for (uint32_t l = 0; l < 4; ++l) sum[l] = lane[l] + lane[l + 4];
    return (sum[0] + sum[2]) + (sum[1] + sum[3]);
}

void Dot2(const float* a, const float* x, const float* b, const float* y, uint32_t n, float* first,
          float* second) {
    *first = Dot(a, x, n);
    *second = Dot(b, y, n);
}

#endif

}  // namespace

bool OpenResampler(uint32_t inputRate, uint32_t outputRate, Resampler* resampler) {
    std::memset(resampler, 0, sizeof *resampler);
    if (inputRate < RESAMPLER_MIN_RATE || inputRate > RESAMPLER_MAX_RATE || outputRate < RESAMPLER_MIN_RATE ||
        outputRate > RESAMPLER_MAX_RATE)
        return false;
    const uint64_t common = GreatestCommonDivisor(inputRate, outputRate);
    resampler->up = outputRate / common;
    resampler->down = inputRate / common;
    resampler->taps = 1;
    if (inputRate == outputRate) return true;  // a plain copy

    const double inputHz = ToDouble(inputRate);
    const double lowerNyquist = 0.5 * ToDouble(inputRate < outputRate ? inputRate : outputRate);
    const double stopEdge = lowerNyquist;
    const double passEdge = lowerNyquist * PASSBAND_FRACTION < PASSBAND_TOP_HZ ? lowerNyquist * PASSBAND_FRACTION
                                                                             : PASSBAND_TOP_HZ;
    const double transition = 2.0 * PI * (stopEdge - passEdge) / inputHz;  // radians per input frame
    const double length = (ATTENUATION_DB - 7.95) / (2.285 * transition);
    const uint32_t taps = static_cast<uint32_t>(static_cast<int32_t>(length / TAP_MULTIPLE) + 1) * TAP_MULTIPLE;
    FilterShape shape;
    shape.cutoff = 0.5 * (passEdge + stopEdge) / inputHz;
    shape.halfWidth = 0.5 * taps;
    shape.beta = 0.1102 * (ATTENUATION_DB - 8.7);  // 12.26: q up to 37.6
    shape.constants = MakeSeriesConstants();
    double centre = 0.25 * shape.beta * shape.beta;
    BesselI0Series(shape.constants, &centre, 1);
    shape.windowScale = 1.0 / centre;
    resampler->taps = taps;
    resampler->tapStart = 1 - static_cast<int32_t>(taps / 2);

    uint64_t phases = resampler->up;
    resampler->interpolated = phases * taps > EXACT_TABLE_LIMIT;
    if (resampler->interpolated) {
        const double edge = 2.0 * PI * stopEdge / inputHz;
        phases = static_cast<uint64_t>(static_cast<int32_t>(edge * BLEND_PHASES_PER_RADIAN) + 1);
    }
    resampler->rows = static_cast<uint32_t>(resampler->interpolated ? phases + 1 : phases);
    const size_t entries = static_cast<size_t>(resampler->rows) * taps;
    resampler->coefficients = static_cast<float*>(std::malloc(entries * sizeof(float)));
    if (resampler->interpolated)
        resampler->differences = static_cast<float*>(std::malloc((entries - taps) * sizeof(float)));
    if (!resampler->coefficients || (resampler->interpolated && !resampler->differences)) {
        CloseResampler(resampler);
        return false;
    }
    FillRows(shape, resampler->tapStart, taps, resampler->rows, phases, resampler->coefficients);
    if (resampler->interpolated)
        for (size_t k = 0; k + taps < entries; ++k)
            resampler->differences[k] = resampler->coefficients[k + taps] - resampler->coefficients[k];
    return true;
}

void CloseResampler(Resampler* resampler) {
    std::free(resampler->coefficients);
    std::free(resampler->differences);
    resampler->coefficients = nullptr;
    resampler->differences = nullptr;
}

uint64_t ResampledFrameCount(const Resampler* resampler, uint64_t inputFrames) {
    const uint64_t whole = inputFrames / resampler->down;
    const uint64_t rest = inputFrames % resampler->down;
    return whole * resampler->up + (2 * rest * resampler->up + resampler->down) / (2 * resampler->down);
}

void ResamplerInputSpan(const Resampler* resampler, uint64_t outputFirst, size_t count, int64_t* first,
                        int64_t* end) {
    int64_t frame;
    uint64_t phase;
    InputPosition(resampler, outputFirst, &frame, &phase);
    *first = frame + resampler->tapStart;
    if (count > 0) InputPosition(resampler, outputFirst + count - 1, &frame, &phase);
    *end = count > 0 ? frame + resampler->tapStart + resampler->taps : *first;
}

void ResampleSpan(const Resampler* resampler, const float* input, uint64_t outputFirst, size_t count,
                  float* output) {
    if (!resampler->coefficients) {
        std::memcpy(output, input, count * sizeof(float));
        return;
    }
    const uint64_t up = resampler->up;
    const uint64_t stepFrames = resampler->down / up;
    const uint64_t stepPhase = resampler->down % up;
    const uint32_t taps = resampler->taps;
    const uint64_t blendPhases = resampler->rows - 1;
    int64_t frame;
    uint64_t phase;
    InputPosition(resampler, outputFirst, &frame, &phase);
    const float* x = input;
    // Each output's row and first input frame, then the next output's.
    const float* rows[2];
    const float* frames[2];
    for (size_t n = 0; n < count; ++n) {
        const size_t slot = n & 1;
        if (resampler->interpolated) {
            const uint64_t scaled = phase * blendPhases;
            const uint64_t row = scaled / up;
            const size_t at = static_cast<size_t>(row) * taps;
            float base, slope;
            Dot2(resampler->coefficients + at, x, resampler->differences + at, x, taps, &base, &slope);
            const float blend = static_cast<float>(static_cast<int32_t>(scaled - row * up)) /
                                static_cast<float>(static_cast<int32_t>(up));
            output[n] = base + blend * slope;
        } else {
            rows[slot] = resampler->coefficients + static_cast<size_t>(phase) * taps;
            frames[slot] = x;
            if (slot == 1) Dot2(rows[0], frames[0], rows[1], frames[1], taps, &output[n - 1], &output[n]);
        }
        phase += stepPhase;
        x += stepFrames;
        if (phase >= up) {
            phase -= up;
            ++x;
        }
    }
    if (!resampler->interpolated && (count & 1)) {
        float unused;
        Dot2(rows[0], frames[0], rows[0], frames[0], taps, &output[count - 1], &unused);
    }
}
