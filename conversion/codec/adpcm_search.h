// The search encoder's inner step, in its two forms: the eight magnitudes
// from one decoder state towards one input sample. The portable form is
// the reference; the SSE2 form gives identical results.
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_SEARCH_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_SEARCH_H

#include <cstdint>

#include "conversion/codec/adpcm_ima.h"

// x86_64 always has SSE2; the 32-bit build assumes it (-msse2).
#if defined(__SSE2__) || defined(_M_X64)
#define VELKMAR_HAVE_SSE2 1
#endif

// A path's key: its cost above its predictor (biased to 0..65535). Keys
// order paths by cost, then predictor; NO_PATH stands for none.
typedef uint64_t Key;
const Key NO_PATH = UINT64_MAX;
const uint32_t KEY_PREDICTOR_BITS = 16;
inline Key MakeKey(uint64_t cost, int32_t predictor) {
    return cost << KEY_PREDICTOR_BITS | static_cast<uint32_t>(predictor - SAMPLE_MIN);
}
inline uint64_t KeyCost(Key key) { return key >> KEY_PREDICTOR_BITS; }
inline int32_t KeyPredictor(Key key) { return static_cast<int32_t>(key & 0xFFFF) + SAMPLE_MIN; }
inline bool SamePredictor(Key a, Key b) { return ((a ^ b) & 0xFFFF) == 0; }

// The cell a path leads to: its side of the input sample (1 when the
// reconstruction is at or above it) and its step index. Paths that would
// cost more than the bound go to the sink, a cell that is never read.
inline constexpr int32_t CellOf(int32_t side, int32_t index) { return side * IMA_STEP_INDICES + index; }
const int32_t SINK_CELL = CellOf(2, 0);

// The paths from one path by each magnitude, with the sign whose clamped
// reconstruction lies nearer the input (NearerSign): the key and the
// cell it leads to.
struct Extension {
    Key key[IMA_MAGNITUDES];
    uint16_t cell[IMA_MAGNITUDES];
};

// Fills `out` for the path of key `key` at step index `stepIndex`,
// towards `target`. Returns the magnitudes (bit m for magnitude m) whose
// paths cost at most `bound`; the others lead to the sink.
typedef uint32_t (*ExtendForm)(Key key, int32_t stepIndex, int32_t target, uint64_t bound, Extension* out);

uint32_t ExtendPortable(Key key, int32_t stepIndex, int32_t target, uint64_t bound, Extension* out);

#ifdef VELKMAR_HAVE_SSE2
uint32_t ExtendSse2(Key key, int32_t stepIndex, int32_t target, uint64_t bound, Extension* out);
#endif

#endif
