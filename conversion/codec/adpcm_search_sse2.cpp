// The search's inner step with SSE2: the eight magnitudes of one path in
// the eight 16-bit lanes of a register.
//
// Reconstructions are computed in 16 bits. Away from the rails the sign
// towards the input is the nearer one for every magnitude. Near them both
// signs are tried: the difference is split into two parts that each fit in
// int16 and carry the same sign (the step where the magnitude has bit 4,
// and the rest), so adding each with saturation gives the clamped sum.
// Distances to the input are taken as unsigned 16-bit values and squared
// into 32 bits, exactly; the keys are put together from 16-bit pieces.
#include "conversion/codec/adpcm_search.h"

#ifdef VELKMAR_HAVE_SSE2

#include <emmintrin.h>

namespace {

// Per step index and magnitude: the difference (whole where it fits in
// int16, and in its two parts), and the cell below the input that the
// magnitude leads to.
struct Lanes {
    alignas(16) int16_t whole[IMA_STEP_INDICES][IMA_MAGNITUDES];
    alignas(16) int16_t big[IMA_STEP_INDICES][IMA_MAGNITUDES];
    alignas(16) int16_t rest[IMA_STEP_INDICES][IMA_MAGNITUDES];
    alignas(16) int16_t cell[IMA_STEP_INDICES][IMA_MAGNITUDES];
};

constexpr Lanes MakeLanes() {
    Lanes t = {};
    for (int32_t i = 0; i < IMA_STEP_INDICES; ++i)
        for (uint32_t m = 0; m < IMA_MAGNITUDES; ++m) {
            const int32_t difference = ImaDifference(i, m);
            const int32_t big = (m & 4) ? IMA_STEP_TABLE[i] : 0;
            t.whole[i][m] = static_cast<int16_t>(difference < SAMPLE_MAX ? difference : SAMPLE_MAX);
            t.big[i][m] = static_cast<int16_t>(big);
            t.rest[i][m] = static_cast<int16_t>(difference - big);
            t.cell[i][m] = static_cast<int16_t>(CellOf(0, ImaNextIndex(i, m)));
        }
    return t;
}

constexpr Lanes LANES = MakeLanes();

inline __m128i Load(const int16_t* lanes) { return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes)); }

inline __m128i Blend(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// |a - b| of int16 lanes given as a ^ 0x8000 and b ^ 0x8000, as unsigned
// 16-bit lanes.
inline __m128i Distance(__m128i biasedA, __m128i biasedB) {
    return _mm_or_si128(_mm_subs_epu16(biasedA, biasedB), _mm_subs_epu16(biasedB, biasedA));
}

// The reconstructions from predictor p near the rails: of each magnitude's
// two signs the one whose clamped result lies nearer the input (towards
// it on a tie). Stores their distances to the input in *distance.
__m128i NearRails(__m128i predictor, int32_t stepIndex, __m128i biasedInput, bool inputBelow, __m128i* distance) {
    const __m128i bias = _mm_set1_epi16(-0x8000);
    const __m128i big = Load(LANES.big[stepIndex]);
    const __m128i rest = Load(LANES.rest[stepIndex]);
    const __m128i up = _mm_adds_epi16(_mm_adds_epi16(predictor, big), rest);
    const __m128i down = _mm_subs_epi16(_mm_subs_epi16(predictor, big), rest);
    const __m128i distanceUp = Distance(biasedInput, _mm_xor_si128(up, bias));
    const __m128i distanceDown = Distance(biasedInput, _mm_xor_si128(down, bias));
    const __m128i negative = _mm_or_si128(
        _mm_cmplt_epi16(_mm_xor_si128(distanceDown, bias), _mm_xor_si128(distanceUp, bias)),
        _mm_and_si128(_mm_cmpeq_epi16(distanceDown, distanceUp), _mm_set1_epi16(inputBelow ? -1 : 0)));
    *distance = Blend(negative, distanceDown, distanceUp);
    return Blend(negative, down, up);
}

// Stores the keys of the lanes: the cost's key plus, in 16-bit pieces,
// the squared error (high and low halves) above the biased predictor.
void StoreKeys(Key costKey, __m128i biasedValue, __m128i errorLow, __m128i errorHigh, Key* out) {
    const __m128i base = _mm_set1_epi64x(static_cast<long long>(costKey));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowWords[2] = {_mm_unpacklo_epi16(biasedValue, errorLow), _mm_unpackhi_epi16(biasedValue, errorLow)};
    const __m128i highWords[2] = {_mm_unpacklo_epi16(errorHigh, zero), _mm_unpackhi_epi16(errorHigh, zero)};
    for (int32_t h = 0; h < 2; ++h) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * h),
                         _mm_add_epi64(base, _mm_unpacklo_epi32(lowWords[h], highWords[h])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * h + 2),
                         _mm_add_epi64(base, _mm_unpackhi_epi32(lowWords[h], highWords[h])));
    }
}

}  // namespace

uint32_t ExtendSse2(Key key, int32_t stepIndex, int32_t target, uint64_t bound, Extension* out) {
    const int32_t p = KeyPredictor(key);
    const uint64_t cost = KeyCost(key);
    const __m128i bias = _mm_set1_epi16(-0x8000);
    const __m128i input = _mm_set1_epi16(static_cast<int16_t>(target));
    const __m128i biasedInput = _mm_xor_si128(input, bias);
    const __m128i predictor = _mm_set1_epi16(static_cast<int16_t>(p));
    __m128i value, distance;
    if (ClearOfRails(p, stepIndex)) {
        const __m128i negative = _mm_set1_epi16(static_cast<int16_t>(target < p ? -1 : 0));
        const __m128i whole = Load(LANES.whole[stepIndex]);
        value = _mm_add_epi16(predictor, _mm_sub_epi16(_mm_xor_si128(whole, negative), negative));
        distance = Distance(biasedInput, _mm_xor_si128(value, bias));
    } else {
        value = NearRails(predictor, stepIndex, biasedInput, target < p, &distance);
    }

    // Squared errors, in 32 bits and as 16-bit halves; those beyond the
    // bound send their paths to the sink.
    const __m128i errorLow = _mm_mullo_epi16(distance, distance);
    const __m128i errorHigh = _mm_mulhi_epu16(distance, distance);
    const uint64_t margin = bound - cost;
    const __m128i bias32 = _mm_set1_epi32(static_cast<int32_t>(0x80000000u));
    const __m128i limit = _mm_xor_si128(
        _mm_set1_epi32(static_cast<int32_t>(margin < UINT32_MAX ? margin : UINT32_MAX)), bias32);
    const __m128i beyond = _mm_packs_epi32(
        _mm_cmpgt_epi32(_mm_xor_si128(_mm_unpacklo_epi16(errorLow, errorHigh), bias32), limit),
        _mm_cmpgt_epi32(_mm_xor_si128(_mm_unpackhi_epi16(errorLow, errorHigh), bias32), limit));
    const __m128i above = _mm_andnot_si128(_mm_cmplt_epi16(value, input), _mm_set1_epi16(IMA_STEP_INDICES));
    const __m128i cell = _mm_add_epi16(Load(LANES.cell[stepIndex]), above);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out->cell), Blend(beyond, _mm_set1_epi16(SINK_CELL), cell));
    StoreKeys(MakeKey(cost, SAMPLE_MIN), _mm_xor_si128(value, bias), errorLow, errorHigh, out->key);
    const uint32_t beyondBits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(beyond, beyond))) & 0xFF;
    return ~beyondBits & ((1u << IMA_MAGNITUDES) - 1);
}

#endif
