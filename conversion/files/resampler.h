// The resampler: converts one channel of float samples from one rate to
// another with a linear-phase, band-limited filter (see resampler.cpp for
// how the filter is designed).
//
// Output frame n is the input's value at time n / outputRate: the filter's
// delay is compensated, nothing is shifted. The caller works in spans of
// output frames of any size it likes; the result does not depend on how
// the sound is cut into spans. Samples are floats in 16-bit units (full
// scale +-32768) and must be finite; the caller rounds and clamps after.
// Results are the same, bit for bit, in every build (no x87, no
// contracted multiply-adds, no library maths in the filter design).
#ifndef VELKMAR_CONVERSION_FILES_RESAMPLER_H
#define VELKMAR_CONVERSION_FILES_RESAMPLER_H

#include <cstddef>
#include <cstdint>

const uint32_t RESAMPLER_MIN_RATE = 4000;
const uint32_t RESAMPLER_MAX_RATE = 384000;

// The filter tables and the ratio. Filled by OpenResampler, owned by the
// caller's variable, released by CloseResampler.
struct Resampler {
    uint64_t up;             // output frame n sits at input position n * down / up
    uint64_t down;           //   (the rates' ratio in lowest terms)
    int32_t tapStart;        // first input frame a row covers, from the frame at or before the position
    uint32_t taps;           // coefficients per row (a multiple of 8; 1 for a plain copy)
    uint32_t rows;           // rows of the table: the phases, plus one when interpolating
    bool interpolated;       // rows are phases k / (rows - 1), blended linearly; else phases k / up
    float* coefficients;     // rows * taps; null when the rates are equal (a plain copy)
    float* differences;      // interpolated: row k + 1 minus row k, (rows - 1) * taps
};

// Prepares resampling from inputRate to outputRate (both within the
// limits). False for a rate out of range or no memory (then there is
// nothing to close).
bool OpenResampler(uint32_t inputRate, uint32_t outputRate, Resampler* resampler);

// Frees what OpenResampler allocated; safe after a failed open.
void CloseResampler(Resampler* resampler);

// Output frames for inputFrames input frames: the sound's length at the new
// rate, rounded to nearest (halves up).
uint64_t ResampledFrameCount(const Resampler* resampler, uint64_t inputFrames);

// The input frames [*first, *end) that output frames
// [outputFirst, outputFirst + count) depend on. first may be negative and
// end may pass the sound's end: the caller supplies zeros there.
void ResamplerInputSpan(const Resampler* resampler, uint64_t outputFirst, size_t count, int64_t* first,
                        int64_t* end);

// Computes output frames [outputFirst, outputFirst + count) of one channel.
// input holds input frames [first, end) exactly as ResamplerInputSpan gave
// them for the same outputFirst and count.
void ResampleSpan(const Resampler* resampler, const float* input, uint64_t outputFirst, size_t count,
                  float* output);

#endif
