// The search encoder: chooses each block's header and codes for the
// least squared error the decoder will reconstruct.
//
// A block starts from its header alone, so blocks are searched one at a
// time. The decoder's state after each code is (predictor, step index).
// The search keeps, for every step index and for each side of the input
// sample (reconstruction at or above it, or below), the cheapest path so
// far that ends there, with its predictor: a Viterbi search over the step
// index that keeps two predictors apart instead of merging them. All 89
// indices start the block, which is how the header's index is chosen.
// Each path is extended by every magnitude, each with the sign whose
// clamped reconstruction lies nearer the input (near the rails the clamp
// can make the sign away from the input exact). Paths cost their squared
// error; the cheapest at the block's end is traced back to its codes.
// Where candidates for a state cost the same, the one from the lower
// state (side, then index), then the lower magnitude, wins.
//
// Greedy codes bound the search: a path that already costs more than a
// complete greedy block is dropped; now and then the cheapest path so far,
// finished greedily, tightens the bound.
//
// There are two implementations with identical results. The dense one
// (SSE2) works on all step indices in a window at once, eight to a
// register: the live states sit in a narrow band of indices, and nearly
// every index in it is live on both sides. Its costs are 32-bit, so its
// bound is at most 32767 squared; a block whose greedy codes err by more
// is searched within that bound, which loses nothing as long as some
// path is found within it. The sparse one keeps the live states in a
// list and extends them one at a time with 64-bit costs; it takes the
// blocks where the dense one finds nothing (none seen in practice), and
// all of them in builds without SSE2.
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VELKMAR_HAVE_SSE2 1
#endif

#include "conversion/adpcm_block.h"
#include "conversion/byte_order.h"

namespace {

const int kIndices = IMA_MAX_STEP_INDEX + 1;
const int kSlots = 2 * kIndices;  // side * kIndices + step index; side 1: at or above the input
const int kCodes = static_cast<int>(GAME_FRAMES_PER_BLOCK) - 1;

// Per step index and magnitude: the difference the decoder adds, the next
// step index, and the sums of neighbouring differences (twice the
// midpoints between reconstructions, where the nearest magnitude changes).
struct Transitions {
    int32_t diff[kIndices][8];
    int32_t midpoint[kIndices][7];
    uint8_t next[kIndices][8];
};

Transitions MakeTransitions() {
    Transitions t;
    for (int i = 0; i < kIndices; ++i) {
        const int32_t step = kImaStepTable[i];
        for (int m = 0; m < 8; ++m) {
            int32_t diff = step >> 3;
            if (m & 4) diff += step;
            if (m & 2) diff += step >> 1;
            if (m & 1) diff += step >> 2;
            t.diff[i][m] = diff;
            int next = i + kImaIndexTable[m];
            next = next < 0 ? 0 : next > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : next;
            t.next[i][m] = static_cast<uint8_t>(next);
        }
        for (int m = 0; m < 7; ++m) t.midpoint[i][m] = t.diff[i][m] + t.diff[i][m + 1];
    }
    return t;
}

const Transitions kTransitions = MakeTransitions();

// True when no magnitude from (p, i) reaches a rail.
inline bool ClearOfRails(int32_t p, int i) {
    const int32_t reach = kTransitions.diff[i][7];
    return p + reach <= 32767 && p - reach >= -32768;
}

// The reconstruction of difference `diff` from predictor p with the sign
// whose clamped result lies nearer `target` (the sign towards it on a
// tie): stores the sign and the result, returns the squared error.
inline int64_t NearerSign(int32_t p, int32_t diff, int32_t target, bool* negative, int32_t* value) {
    const int32_t up = p + diff > 32767 ? 32767 : p + diff;
    const int32_t down = p - diff < -32768 ? -32768 : p - diff;
    const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
    const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
    *negative = eDown < eUp || (eDown == eUp && target < p);
    *value = *negative ? down : up;
    return *negative ? eDown : eUp;
}

// The nearest code to `target` from decoder state (p, i), the smaller
// magnitude winning ties: stores it and its reconstruction, returns its
// squared error.
inline int64_t NearestCode(int32_t p, int i, int32_t target, int* code, int32_t* value) {
    const int32_t* diffs = kTransitions.diff[i];
    if (ClearOfRails(p, i)) {
        // Errors fall, then rise with the magnitude: it is the number of
        // midpoints the distance to the input lies beyond. No branches:
        // the input's side is a coin toss.
        const int32_t negative = -static_cast<int32_t>(target < p);  // 0 or -1
        const int32_t twice = 2 * (((target - p) ^ negative) - negative);
        const int32_t* mid = kTransitions.midpoint[i];
        const int m = (twice > mid[0]) + (twice > mid[1]) + (twice > mid[2]) + (twice > mid[3]) +
                      (twice > mid[4]) + (twice > mid[5]) + (twice > mid[6]);
        *code = m | (negative & 8);
        *value = p + ((diffs[m] ^ negative) - negative);
        const int64_t e = target - *value;
        return e * e;
    }
    int64_t best = INT64_MAX;
    for (int m = 0; m < 8; ++m) {
        bool negative;
        int32_t v;
        const int64_t e = NearerSign(p, diffs[m], target, &negative, &v);
        if (e < best) {
            best = e;
            *code = negative ? m | 8 : m;
            *value = v;
        }
    }
    return best;
}

// Greedy codes for codes `from`.. of the block, from decoder state
// (p, i): the nearest reconstruction sample by sample. Returns their
// squared error; stores the codes at path[from..]. Stops early,
// returning at least `enough`, once the error reaches it.
int64_t GreedyPath(const int16_t* samples, size_t stride, int from, int32_t p, int i, uint8_t* path,
                   int64_t enough = INT64_MAX) {
    int64_t total = 0;
    for (int n = from; n < kCodes && total < enough; ++n) {
        const int32_t target = samples[static_cast<size_t>(n + 1) * stride];
        int code = 0;
        total += NearestCode(p, i, target, &code, &p);
        path[n] = static_cast<uint8_t>(code);
        i = kTransitions.next[i][code & 7];
    }
    return total;
}

// What the searches share: the block's input, the bound with the path
// that set it, and for each code and slot reached the way back
// (the slot it came from << 4 | code).
struct Search {
    const int16_t* samples;
    size_t stride;
    int64_t bound;
    // The path that set the bound: the search's path into slot boundSlot
    // up to code boundAt, then the greedy codes in tail (all greedy codes
    // when boundAt is -1).
    int boundAt;
    int boundSlot;
    uint8_t tail[kCodes];
    uint16_t back[kCodes][kSlots];
};

// After code n: finishes the cheapest path so far (`slot`, `cost`,
// predictor p) greedily; if that beats the bound, it becomes the bound.
void Tighten(Search* search, int n, int slot, int64_t cost, int32_t p) {
    if (n % 16 != 15 || n + 1 >= kCodes || slot < 0 || cost >= search->bound) return;
    uint8_t trial[kCodes];
    const int index = slot < kIndices ? slot : slot - kIndices;
    const int64_t total =
        cost + GreedyPath(search->samples, search->stride, n + 1, p, index, trial, search->bound - cost);
    if (total < search->bound) {
        search->bound = total;
        search->boundAt = n;
        search->boundSlot = slot;
        std::memcpy(search->tail + n + 1, trial + n + 1, static_cast<size_t>(kCodes - n - 1));
    }
}

// Where a search ended: the cheapest slot after the last code and its
// cost (-1 when no path is within the bound).
struct SearchEnd {
    int slot;
    int64_t cost;
};

// ---- The sparse search ----

// Sets of step indices, 0..88, as bits: indices 0..63 in word[0], the
// rest in word[1].
struct IndexSet {
    uint64_t word[2];
};

const int kHighBits = kIndices - 64;

IndexSet Union(IndexSet a, IndexSet b) { return {{a.word[0] | b.word[0], a.word[1] | b.word[1]}}; }

// The set moved up by k (1..63) indices, those above 88 landing on 88.
IndexSet ShiftUp(IndexSet a, int k) {
    IndexSet r = {{a.word[0] << k, (a.word[1] << k) | (a.word[0] >> (64 - k))}};
    if (r.word[1] >> kHighBits) r.word[1] |= uint64_t(1) << (kHighBits - 1);
    r.word[1] &= (uint64_t(1) << kHighBits) - 1;
    return r;
}

// The indices the decoder can move to from those in `a`.
IndexSet Successors(IndexSet a) {
    const IndexSet down = {{(a.word[0] >> 1) | (a.word[1] << 63) | (a.word[0] & 1), a.word[1] >> 1}};
    const IndexSet even = Union(Union(a, ShiftUp(a, 2)), Union(ShiftUp(a, 4), ShiftUp(a, 6)));
    return Union(down, ShiftUp(even, 2));
}

// Calls visit(i) for every index in the set, in ascending order.
template <typename Visit>
inline void ForEachIndex(IndexSet set, Visit visit) {
    for (int w = 0; w < 2; ++w)
        for (uint64_t bits = set.word[w]; bits; bits &= bits - 1) visit(w * 64 + __builtin_ctzll(bits));
}

// Candidate paths into a slot are compared by a key: the cost above the
// low 12 bits, then the slot the path came from, the magnitude and the
// sign. The least key wins, which is the cheapest path with the
// precedence above, whatever the order the candidates are offered in. An
// empty slot holds kNoPath, whose payload names slot 0 and magnitude 0 so
// that it can be decoded like any other key.
const int kKeyBits = 12;
const uint64_t kNoPath = ~uint64_t(0) << kKeyBits;

// The sparse search's states after some codes. For each slot, the best
// path's key and the predictor it ends in; `live` lists the slots a path
// within the bound reaches, in ascending order, and `liveIndices` their
// indices; `touched` holds the indices whose slots may hold keys (all
// others hold kNoPath).
struct Frontier {
    uint64_t key[kSlots];
    int32_t predictor[kSlots];
    uint8_t live[kSlots];
    int liveCount;
    IndexSet liveIndices;
    IndexSet touched;
};

// Keeps the lesser of a slot's key and a candidate's.
inline void Offer(uint64_t* keys, int slot, uint64_t key) {
    keys[slot] = key < keys[slot] ? key : keys[slot];
}

// All ones when `condition` holds, else zero.
inline uint64_t Mask64(bool condition) { return ~uint64_t(0) * static_cast<uint64_t>(condition); }

// Offers the paths from slot `from` (cost `base`, decoder state (p, i)),
// one per magnitude, towards `target`.
inline void Extend(uint64_t* keys, int from, uint64_t base, int32_t p, int i, int32_t target) {
    const int32_t* diffs = kTransitions.diff[i];
    const uint8_t* nextIndex = kTransitions.next[i];
    if (ClearOfRails(p, i)) {
        // Away from the rails the sign follows the input, and the four
        // small magnitudes all lead to the same step index: their
        // reconstructions lie in order, so on each side of the input only
        // the one nearest it can win, and only those two are offered. A
        // magnitude whose difference is below `reach` stays on the
        // predictor's side of the input (or lands on it, going down);
        // `near` is that side's slot offset. Written without branches:
        // the input's side is a coin toss.
        const int32_t negative = -static_cast<int32_t>(target < p);  // 0 or -1
        const int32_t distance = ((target - p) ^ negative) - negative;
        const int32_t reach = distance - negative;
        const int near = negative & kIndices;
        const int farToNear = 2 * near - kIndices;
        const int far = kIndices - near;
        const uint64_t baseKey = (base << kKeyBits) | static_cast<uint64_t>(from << 4 | (negative & 1));
        const int small = (diffs[0] < reach) + (diffs[1] < reach) + (diffs[2] < reach) + (diffs[3] < reach);
        const int nearM = small - (small != 0);
        const int farM = small - (small == 4);
        const int64_t nearE = distance - diffs[nearM];
        const int64_t farE = diffs[farM] - distance;
        Offer(keys, nextIndex[0] + near,
              (baseKey + (static_cast<uint64_t>(nearE * nearE) << kKeyBits) + 2 * nearM) | Mask64(small == 0));
        Offer(keys, nextIndex[0] + far,
              (baseKey + (static_cast<uint64_t>(farE * farE) << kKeyBits) + 2 * farM) | Mask64(small == 4));
        for (int m = 4; m < 8; ++m) {
            const int64_t e = diffs[m] - distance;
            Offer(keys, nextIndex[m] + far + (-static_cast<int>(diffs[m] < reach) & farToNear),
                  baseKey + (static_cast<uint64_t>(e * e) << kKeyBits) + 2 * m);
        }
        return;
    }
    for (int m = 0; m < 8; ++m) {
        bool negative;
        int32_t value;
        const uint64_t cost = base + static_cast<uint64_t>(NearerSign(p, diffs[m], target, &negative, &value));
        Offer(keys, nextIndex[m] + (value >= target ? kIndices : 0),
              (cost << kKeyBits) | static_cast<uint64_t>(from << 4 | m << 1 | (negative ? 1 : 0)));
    }
}

// Settles a step: every slot's winning path gets its predictor and its
// way back, and those within `limit` become the live slots of `next`.
// `current` is the frontier the step started from.
void Settle(const Frontier& current, Frontier* next, uint64_t limit, uint16_t* back) {
    next->touched = Successors(current.liveIndices);
    IndexSet liveIndices = {{0, 0}};
    int count = 0;
    for (int side = 0; side < 2; ++side)
        ForEachIndex(next->touched, [&](int i) {
            const int s = side * kIndices + i;
            const uint64_t key = next->key[s];
            const int from = static_cast<int>(key >> 4) & 255;
            const int m = static_cast<int>(key >> 1) & 7;
            const int32_t negative = -static_cast<int32_t>(key & 1);
            const int32_t diff = kTransitions.diff[from < kIndices ? from : from - kIndices][m];
            int32_t value = current.predictor[from] + ((diff ^ negative) - negative);
            value = value > 32767 ? 32767 : value < -32768 ? -32768 : value;
            next->predictor[s] = value;
            back[s] = static_cast<uint16_t>(from << 4 | (negative & 8) | m);
            const bool within = (key >> kKeyBits) <= limit;
            next->live[count] = static_cast<uint8_t>(s);
            count += within;
            liveIndices.word[i / 64] |= static_cast<uint64_t>(within) << (i % 64);
        });
    next->liveCount = count;
    next->liveIndices = liveIndices;
}

// The live slot of least cost, the lowest winning ties (-1 if none).
SearchEnd Cheapest(const Frontier& frontier, int64_t bound) {
    SearchEnd best = {-1, 0};
    for (int k = 0; k < frontier.liveCount; ++k) {
        const int s = frontier.live[k];
        const int64_t cost = static_cast<int64_t>(frontier.key[s] >> kKeyBits);
        if (cost <= bound && (best.slot < 0 || cost < best.cost)) best = {s, cost};
    }
    return best;
}

// The sparse search of a block; any bound.
SearchEnd SearchSparse(Search* search) {
    Frontier frontiers[2];
    Frontier* current = &frontiers[0];
    Frontier* next = &frontiers[1];
    const IndexSet all = {{~uint64_t(0), (uint64_t(1) << kHighBits) - 1}};
    const int32_t first = search->samples[0];
    for (int s = 0; s < kSlots; ++s) {
        current->key[s] = s < kIndices ? 0 : kNoPath;
        current->predictor[s] = first;
        next->key[s] = kNoPath;
        next->predictor[s] = first;
    }
    for (int s = 0; s < kIndices; ++s) current->live[s] = static_cast<uint8_t>(s);
    current->liveCount = kIndices;
    current->liveIndices = all;
    current->touched = all;

    for (int n = 0; n < kCodes; ++n) {
        const int32_t target = search->samples[static_cast<size_t>(n + 1) * search->stride];
        for (int k = 0; k < current->liveCount; ++k) {
            const int s = current->live[k];
            Extend(next->key, s, current->key[s] >> kKeyBits, current->predictor[s],
                   s < kIndices ? s : s - kIndices, target);
        }
        Settle(*current, next, static_cast<uint64_t>(search->bound), search->back[n]);

        // The old frontier is emptied to take the next step's paths.
        ForEachIndex(current->touched, [&](int i) {
            current->key[i] = kNoPath;
            current->key[kIndices + i] = kNoPath;
        });
        Frontier* swap = current;
        current = next;
        next = swap;

        if (n % 16 == 15) {
            const SearchEnd best = Cheapest(*current, search->bound);
            Tighten(search, n, best.slot, best.cost, best.slot >= 0 ? current->predictor[best.slot] : 0);
        }
    }
    return Cheapest(*current, search->bound);
}

#ifdef VELKMAR_HAVE_SSE2

// ---- The dense search ----
//
// Each side's states lie in arrays by step index, at kDenseLow + index,
// with margins that hold no path, so that the sources of a whole register
// of destinations can be loaded at one offset. For a destination index j
// the sources are j + 1 (magnitudes 0..3) and j - 2, j - 4, j - 6, j - 8
// (magnitudes 4..7). Taking the sides in turn and the magnitudes in the
// order 7, 6, 5, 4, then 0..3 offers each destination its candidates in
// the order of precedence, so a strictly cheaper candidate replaces the
// one held. Indices 0 and 88 also take the clamped moves (from 0 down,
// from near 88 up); they are settled apart.
//
// Near the rails the reconstructions are computed in 16 bits as the SIMD
// decoder does: the difference in two parts of one sign, each added with
// saturation, is the clamped sum. Errors saturate at 16 bits too; an
// error that does costs at least 32767 squared, more than any bound the
// dense search takes, so such a candidate loses whatever the saturation
// did to it. Registers of sources that no magnitude can take to a rail
// use the shorter arithmetic of the sparse search.
const int kDenseLow = 8;
const int kDenseLength = 128;
const int32_t kDenseNoPath = 32767 * 32767;

// The differences by magnitude and position: `big` the step where the
// magnitude has bit 4, `rest` the remainder, `whole` the difference (where
// it fits in 16 bits); and the predictors beyond which magnitude 7 reaches
// a rail. Zero in the margins.
struct DenseTables {
    alignas(16) int16_t big[8][kDenseLength];
    alignas(16) int16_t rest[8][kDenseLength];
    alignas(16) int16_t whole[8][kDenseLength];
    alignas(16) int16_t highestClear[kDenseLength];
    alignas(16) int16_t lowestClear[kDenseLength];
};

DenseTables MakeDenseTables() {
    DenseTables t;
    std::memset(&t, 0, sizeof t);
    for (int i = 0; i < kIndices; ++i) {
        for (int m = 0; m < 8; ++m) {
            const int32_t big = (m & 4) ? kImaStepTable[i] : 0;
            const int32_t diff = kTransitions.diff[i][m];
            t.big[m][kDenseLow + i] = static_cast<int16_t>(big);
            t.rest[m][kDenseLow + i] = static_cast<int16_t>(diff - big);
            t.whole[m][kDenseLow + i] = static_cast<int16_t>(diff > 32767 ? 32767 : diff);
        }
        t.highestClear[kDenseLow + i] = static_cast<int16_t>(32767 - kTransitions.diff[i][7]);
        t.lowestClear[kDenseLow + i] = static_cast<int16_t>(kTransitions.diff[i][7] - 32768);
    }
    return t;
}

const DenseTables kDenseTables = MakeDenseTables();

// The dense search's states: per side and position the cost (at least
// the step's limit where no path within the bound ends), the predictor,
// and whether the state is live and may reach a rail; the range of
// indices live on each side (low > high when none); and the range of
// indices the last step stored into.
struct DenseFrontier {
    alignas(16) int32_t cost[2][kDenseLength];
    alignas(16) int16_t predictor[2][kDenseLength];
    alignas(16) uint8_t nearRail[2][kDenseLength];
    int low[2];
    int high[2];
    int storedLow;
    int storedHigh;
};

// `yes` where the mask is set, `no` elsewhere.
inline __m128i Blend(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Unaligned loads and stores of a register.
inline __m128i LoadU(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void StoreU(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// Eight destinations' best candidates so far, per side: cost (two
// registers of four), predictor and way back.
struct DenseLanes {
    __m128i cost0a, cost0b, cost1a, cost1b;
    __m128i value0, value1, back0, back1;
};

// What the registers of one code share.
struct DenseInput {
    __m128i target;
    __m128i zero;
    __m128i eight;
    __m128i laneFrom;  // lane << 4
    __m128i limit;     // what a path must cost less than
};

// True when a live state of `side` at source indices s..s+7 may reach a
// rail.
inline bool NearRail(const DenseFrontier& current, int side, int s) {
    uint64_t bytes;
    std::memcpy(&bytes, &current.nearRail[side][kDenseLow + s], sizeof bytes);
    return bytes != 0;
}

// Squares of eight 16-bit values as two registers of four 32-bit ones.
inline void Square(__m128i d, __m128i* a, __m128i* b) {
    const __m128i low = _mm_mullo_epi16(d, d);
    const __m128i high = _mm_mulhi_epi16(d, d);
    *a = _mm_unpacklo_epi16(low, high);
    *b = _mm_unpackhi_epi16(low, high);
}

// Offers the registers' lanes the paths from the sources at index
// `source`.. of side `side` by magnitude m: the sign whose clamped
// reconstruction lies nearer the input. `from` holds each lane's way back
// but for the sign; lanes whose `excluded` bits are all set take nothing.
template <int m>
inline void DenseCandidates(const DenseFrontier& current, int side, int source, __m128i from, __m128i excludedA,
                            __m128i excludedB, const DenseInput& in, DenseLanes* r) {
    const int at = kDenseLow + source;
    const __m128i t = in.target;
    const __m128i p = LoadU(&current.predictor[side][at]);
    __m128i negative, value, d;
    if (NearRail(current, side, source)) {
        const __m128i big = LoadU(&kDenseTables.big[m][at]);
        const __m128i rest = LoadU(&kDenseTables.rest[m][at]);
        const __m128i up = _mm_adds_epi16(_mm_adds_epi16(p, big), rest);
        const __m128i down = _mm_subs_epi16(_mm_subs_epi16(p, big), rest);
        const __m128i dUp = _mm_subs_epi16(t, up);
        const __m128i dDown = _mm_subs_epi16(t, down);
        const __m128i aUp = _mm_max_epi16(dUp, _mm_subs_epi16(in.zero, dUp));
        const __m128i aDown = _mm_max_epi16(dDown, _mm_subs_epi16(in.zero, dDown));
        negative = _mm_or_si128(_mm_cmplt_epi16(aDown, aUp),
                                _mm_and_si128(_mm_cmpeq_epi16(aDown, aUp), _mm_cmplt_epi16(t, p)));
        value = Blend(negative, down, up);
        d = Blend(negative, dDown, dUp);
    } else {
        const __m128i diff = LoadU(&kDenseTables.whole[m][at]);
        negative = _mm_cmplt_epi16(t, p);
        value = _mm_add_epi16(p, _mm_sub_epi16(_mm_xor_si128(diff, negative), negative));
        d = _mm_subs_epi16(t, value);
    }
    __m128i squareA, squareB;
    Square(d, &squareA, &squareB);
    const __m128i costA = _mm_or_si128(_mm_add_epi32(LoadU(&current.cost[side][at]), squareA), excludedA);
    const __m128i costB = _mm_or_si128(_mm_add_epi32(LoadU(&current.cost[side][at + 4]), squareB), excludedB);
    // Most registers of the large magnitudes hold no candidate within the
    // bound.
    if (!_mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi32(costA, in.limit), _mm_cmplt_epi32(costB, in.limit)))) return;
    const __m128i below = _mm_cmplt_epi16(value, t);
    const __m128i belowA = _mm_unpacklo_epi16(below, below);
    const __m128i belowB = _mm_unpackhi_epi16(below, below);
    const __m128i take0A = _mm_and_si128(belowA, _mm_cmplt_epi32(costA, r->cost0a));
    const __m128i take0B = _mm_and_si128(belowB, _mm_cmplt_epi32(costB, r->cost0b));
    const __m128i take1A = _mm_andnot_si128(belowA, _mm_cmplt_epi32(costA, r->cost1a));
    const __m128i take1B = _mm_andnot_si128(belowB, _mm_cmplt_epi32(costB, r->cost1b));
    r->cost0a = Blend(take0A, costA, r->cost0a);
    r->cost0b = Blend(take0B, costB, r->cost0b);
    r->cost1a = Blend(take1A, costA, r->cost1a);
    r->cost1b = Blend(take1B, costB, r->cost1b);
    const __m128i back = _mm_or_si128(from, _mm_and_si128(negative, in.eight));
    const __m128i take0 = _mm_packs_epi32(take0A, take0B);
    const __m128i take1 = _mm_packs_epi32(take1A, take1B);
    r->value0 = Blend(take0, value, r->value0);
    r->value1 = Blend(take1, value, r->value1);
    r->back0 = Blend(take0, back, r->back0);
    r->back1 = Blend(take1, back, r->back1);
}

// Offers the destinations at `j`.. the paths from side `side` by magnitude
// m. `origin` holds each lane's (side * kIndices + j) << 4.
template <int m>
inline void DenseOffer(const DenseFrontier& current, int side, int j, __m128i origin, const DenseInput& in,
                       DenseLanes* r) {
    const int offset = m < 4 ? -1 : 2 * (m - 3);
    const int source = j - offset;
    if (source + 7 < current.low[side] || source > current.high[side]) return;
    const __m128i from = _mm_add_epi16(origin, _mm_set1_epi16(static_cast<int16_t>(m - 16 * offset)));
    DenseCandidates<m>(current, side, source, from, in.zero, in.zero, in, r);
}

// Offers the destinations at `j`.. the paths from side `side` by the
// small magnitudes, 0..3. They all come from j + 1 and lead to j. Away
// from the rails their reconstructions lie in order, so on each side of
// the input only the one nearest it can win: the last magnitude short of
// the input (`near`, on the predictor's side) and the first beyond it
// (`far`, on the other side). A magnitude falls short when its difference
// is below the distance to the input, or at most it going down.
inline void DenseOfferSmall(const DenseFrontier& current, int side, int j, __m128i origin, const DenseInput& in,
                            DenseLanes* r) {
    const int source = j + 1;
    if (source + 7 < current.low[side] || source > current.high[side]) return;
    if (NearRail(current, side, source)) {
        DenseOffer<0>(current, side, j, origin, in, r);
        DenseOffer<1>(current, side, j, origin, in, r);
        DenseOffer<2>(current, side, j, origin, in, r);
        DenseOffer<3>(current, side, j, origin, in, r);
        return;
    }
    const int at = kDenseLow + source;
    const __m128i t = in.target;
    const __m128i p = LoadU(&current.predictor[side][at]);
    const __m128i negative = _mm_cmplt_epi16(t, p);
    const __m128i towards = _mm_subs_epi16(t, p);
    const __m128i distance = _mm_max_epi16(towards, _mm_subs_epi16(in.zero, towards));  // saturated
    const __m128i top = _mm_set1_epi16(32767);
    __m128i nearDiff = in.zero, farDiff = top, shortCount = in.zero;
    for (int m = 0; m < 4; ++m) {
        const __m128i diff = LoadU(&kDenseTables.whole[m][at]);
        const __m128i isShort = _mm_cmplt_epi16(_mm_add_epi16(diff, negative), distance);
        nearDiff = _mm_max_epi16(nearDiff, _mm_and_si128(isShort, diff));
        farDiff = _mm_min_epi16(farDiff, _mm_or_si128(diff, _mm_and_si128(isShort, top)));
        shortCount = _mm_sub_epi16(shortCount, isShort);
    }
    const __m128i nearValue = _mm_add_epi16(p, _mm_sub_epi16(_mm_xor_si128(nearDiff, negative), negative));
    const __m128i farValue = _mm_add_epi16(p, _mm_sub_epi16(_mm_xor_si128(farDiff, negative), negative));
    __m128i nearA, nearB, farA, farB;
    Square(_mm_subs_epi16(t, nearValue), &nearA, &nearB);
    Square(_mm_subs_epi16(t, farValue), &farA, &farB);
    // No near magnitude when none falls short, no far one when all do.
    const __m128i noNear = _mm_cmpeq_epi16(shortCount, in.zero);
    const __m128i noFar = _mm_cmpeq_epi16(shortCount, _mm_set1_epi16(4));
    const __m128i none = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i baseA = LoadU(&current.cost[side][at]);
    const __m128i baseB = LoadU(&current.cost[side][at + 4]);
    nearA = _mm_or_si128(_mm_add_epi32(baseA, nearA), _mm_and_si128(_mm_unpacklo_epi16(noNear, noNear), none));
    nearB = _mm_or_si128(_mm_add_epi32(baseB, nearB), _mm_and_si128(_mm_unpackhi_epi16(noNear, noNear), none));
    farA = _mm_or_si128(_mm_add_epi32(baseA, farA), _mm_and_si128(_mm_unpacklo_epi16(noFar, noFar), none));
    farB = _mm_or_si128(_mm_add_epi32(baseB, farB), _mm_and_si128(_mm_unpackhi_epi16(noFar, noFar), none));
    const __m128i from = _mm_or_si128(_mm_add_epi16(origin, _mm_set1_epi16(16)), _mm_and_si128(negative, in.eight));
    const __m128i nearBack = _mm_add_epi16(from, _mm_add_epi16(shortCount, _mm_set1_epi16(-1)));
    const __m128i farBack = _mm_add_epi16(from, shortCount);
    // Going down, near is at or above the input (side 1) and far below it.
    const __m128i negativeA = _mm_unpacklo_epi16(negative, negative);
    const __m128i negativeB = _mm_unpackhi_epi16(negative, negative);
    const __m128i cost0a = Blend(negativeA, farA, nearA), cost1a = Blend(negativeA, nearA, farA);
    const __m128i cost0b = Blend(negativeB, farB, nearB), cost1b = Blend(negativeB, nearB, farB);
    const __m128i take0A = _mm_cmplt_epi32(cost0a, r->cost0a), take0B = _mm_cmplt_epi32(cost0b, r->cost0b);
    const __m128i take1A = _mm_cmplt_epi32(cost1a, r->cost1a), take1B = _mm_cmplt_epi32(cost1b, r->cost1b);
    r->cost0a = Blend(take0A, cost0a, r->cost0a);
    r->cost0b = Blend(take0B, cost0b, r->cost0b);
    r->cost1a = Blend(take1A, cost1a, r->cost1a);
    r->cost1b = Blend(take1B, cost1b, r->cost1b);
    const __m128i take0 = _mm_packs_epi32(take0A, take0B);
    const __m128i take1 = _mm_packs_epi32(take1A, take1B);
    r->value0 = Blend(take0, Blend(negative, farValue, nearValue), r->value0);
    r->value1 = Blend(take1, Blend(negative, nearValue, farValue), r->value1);
    r->back0 = Blend(take0, Blend(negative, farBack, nearBack), r->back0);
    r->back1 = Blend(take1, Blend(negative, nearBack, farBack), r->back1);
}

// Offers the destinations at j..j+7 the paths from one side, the
// magnitudes in the order of precedence.
inline void DenseOfferSide(const DenseFrontier& current, int side, int j, const DenseInput& in, DenseLanes* r) {
    const __m128i origin = _mm_add_epi16(in.laneFrom, _mm_set1_epi16(static_cast<int16_t>((side * kIndices + j) << 4)));
    DenseOffer<7>(current, side, j, origin, in, r);
    DenseOffer<6>(current, side, j, origin, in, r);
    DenseOffer<5>(current, side, j, origin, in, r);
    DenseOffer<4>(current, side, j, origin, in, r);
    DenseOfferSmall(current, side, j, origin, in, r);
}

// Settles the destinations at j..j+7 (j at most 80).
inline void DenseSettle(const DenseFrontier& current, int j, const DenseInput& in, __m128i limit, DenseLanes* r) {
    r->cost0a = r->cost0b = r->cost1a = r->cost1b = limit;
    r->value0 = r->value1 = r->back0 = r->back1 = in.zero;
    // Unrolled: fewer instructions and branches mispredicted than the loop.
#pragma GCC unroll 2
    for (int side = 0; side < 2; ++side) DenseOfferSide(current, side, j, in, r);
}

// Settles destination index 0 one candidate at a time, in the order of
// precedence, overriding what the registers made of it: from 0 and 1 by
// magnitudes 0..3. Without branches but for the sources with no path:
// near the rails which sign wins, and which candidate, are coin tosses.
void DenseEdgeLow(const DenseFrontier& current, DenseFrontier* next, int32_t target, int32_t limit,
                  uint16_t* back) {
    int64_t cost0 = limit, cost1 = limit;
    int32_t value0 = 0, value1 = 0;
    int32_t back0 = 0, back1 = 0;
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i < 2; ++i) {
            const int64_t base = current.cost[side][kDenseLow + i];
            if (base >= limit) continue;
            const int32_t p = current.predictor[side][kDenseLow + i];
            for (int m = 0; m < 4; ++m) {
                const int32_t diff = kTransitions.diff[i][m];
                const int32_t up = p + diff > 32767 ? 32767 : p + diff;
                const int32_t down = p - diff < -32768 ? -32768 : p - diff;
                const int64_t eUp = static_cast<int64_t>(target - up) * (target - up);
                const int64_t eDown = static_cast<int64_t>(target - down) * (target - down);
                const int32_t negative = -static_cast<int32_t>((eDown < eUp) | ((eDown == eUp) & (target < p)));
                const int32_t value = (down & negative) | (up & ~negative);
                const int64_t cost =
                    base + ((eDown & static_cast<int64_t>(negative)) | (eUp & ~static_cast<int64_t>(negative)));
                const int32_t from = (side * kIndices + i) << 4 | (negative & 8) | m;
                const bool take0 = (value < target) & (cost < cost0);
                const bool take1 = (value >= target) & (cost < cost1);
                cost0 = take0 ? cost : cost0;
                value0 = take0 ? value : value0;
                back0 = take0 ? from : back0;
                cost1 = take1 ? cost : cost1;
                value1 = take1 ? value : value1;
                back1 = take1 ? from : back1;
            }
        }
    const int at = kDenseLow;
    const int64_t costs[2] = {cost0, cost1};
    const int32_t values[2] = {value0, value1};
    const int32_t backs[2] = {back0, back1};
    for (int to = 0; to < 2; ++to) {
        next->cost[to][at] = static_cast<int32_t>(costs[to]);
        next->predictor[to][at] = static_cast<int16_t>(values[to]);
        back[to * kIndices] = static_cast<uint16_t>(backs[to]);
        const bool near = values[to] > kDenseTables.highestClear[at] || values[to] < kDenseTables.lowestClear[at];
        next->nearRail[to][at] = costs[to] < limit && near ? 0xFF : 0;
    }
}

// Offers lanes 81..88 of side `side` index 88 by magnitude m (4..7);
// the lanes it moves short of 88 take nothing. `origin` holds each lane's
// (side * kIndices + 81 + lane) << 4.
template <int m>
inline void DenseOfferHighest(const DenseFrontier& current, int side, __m128i origin, const DenseInput& in,
                              DenseLanes* r) {
    const __m128i none = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i shortOf = _mm_set1_epi32(7 - 2 * (m - 3));  // lanes below it fall short
    const __m128i lowLanes = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i highLanes = _mm_setr_epi32(4, 5, 6, 7);
    DenseCandidates<m>(current, side, IMA_MAX_STEP_INDEX - 7, _mm_add_epi16(origin, _mm_set1_epi16(m)),
                       _mm_and_si128(_mm_cmplt_epi32(lowLanes, shortOf), none),
                       _mm_and_si128(_mm_cmplt_epi32(highLanes, shortOf), none), in, r);
}

// Settles destination index 88 in registers: its sources are 80..88, and
// each magnitude of 4..7 takes those of 81..88 that it moves to 88 or
// beyond, one a lane; 80 (by magnitude 7) goes one by one. The lanes'
// winners are then compared in the order of precedence.
void DenseEdgeHigh(const DenseFrontier& current, DenseFrontier* next, const DenseInput& in, int32_t target,
                   int32_t limit, uint16_t* back) {
    const int first = IMA_MAX_STEP_INDEX - 7;
    int64_t bestCost[2] = {limit, limit};
    int32_t bestValue[2] = {0, 0};
    int32_t bestBack[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        if (current.high[side] < IMA_MAX_STEP_INDEX - 8) continue;
        const int32_t base = current.cost[side][kDenseLow + first - 1];
        if (base < limit) {
            bool negative;
            int32_t value;
            const int64_t cost =
                base + NearerSign(current.predictor[side][kDenseLow + first - 1],
                                  kTransitions.diff[first - 1][7], target, &negative, &value);
            const int to = value >= target ? 1 : 0;
            if (cost < bestCost[to]) {
                bestCost[to] = cost;
                bestValue[to] = value;
                bestBack[to] = (side * kIndices + first - 1) << 4 | (negative ? 8 : 0) | 7;
            }
        }
        DenseLanes r;
        r.cost0a = r.cost0b = r.cost1a = r.cost1b = in.limit;
        r.value0 = r.value1 = r.back0 = r.back1 = in.zero;
        const __m128i origin =
            _mm_add_epi16(in.laneFrom, _mm_set1_epi16(static_cast<int16_t>((side * kIndices + first) << 4)));
        DenseOfferHighest<4>(current, side, origin, in, &r);
        DenseOfferHighest<5>(current, side, origin, in, &r);
        DenseOfferHighest<6>(current, side, origin, in, &r);
        DenseOfferHighest<7>(current, side, origin, in, &r);
        alignas(16) int32_t costs[2][8];
        alignas(16) int16_t values[2][8];
        alignas(16) int16_t backs[2][8];
        _mm_store_si128(reinterpret_cast<__m128i*>(&costs[0][0]), r.cost0a);
        _mm_store_si128(reinterpret_cast<__m128i*>(&costs[0][4]), r.cost0b);
        _mm_store_si128(reinterpret_cast<__m128i*>(&costs[1][0]), r.cost1a);
        _mm_store_si128(reinterpret_cast<__m128i*>(&costs[1][4]), r.cost1b);
        _mm_store_si128(reinterpret_cast<__m128i*>(values[0]), r.value0);
        _mm_store_si128(reinterpret_cast<__m128i*>(values[1]), r.value1);
        _mm_store_si128(reinterpret_cast<__m128i*>(backs[0]), r.back0);
        _mm_store_si128(reinterpret_cast<__m128i*>(backs[1]), r.back1);
        for (int to = 0; to < 2; ++to)
            for (int k = 0; k < 8; ++k) {
                const bool take = costs[to][k] < bestCost[to];
                bestCost[to] = take ? costs[to][k] : bestCost[to];
                bestValue[to] = take ? values[to][k] : bestValue[to];
                bestBack[to] = take ? static_cast<uint16_t>(backs[to][k]) : bestBack[to];
            }
    }
    const int at = kDenseLow + IMA_MAX_STEP_INDEX;
    for (int to = 0; to < 2; ++to) {
        next->cost[to][at] = static_cast<int32_t>(bestCost[to]);
        next->predictor[to][at] = static_cast<int16_t>(bestValue[to]);
        back[to * kIndices + IMA_MAX_STEP_INDEX] = static_cast<uint16_t>(bestBack[to]);
        next->nearRail[to][at] = bestCost[to] < limit ? 0xFF : 0;  // magnitude 7 reaches a rail from anywhere
    }
}

// Adds eight bits, for indices j..j+7, to a set.
inline void AddBits(IndexSet* set, int j, unsigned bits) {
    set->word[j / 64] |= static_cast<uint64_t>(bits) << (j % 64);
    if (j % 64 > 56) set->word[j / 64 + 1] |= static_cast<uint64_t>(bits) >> (64 - j % 64);
}

// One code of the dense search: the paths of `current` extended towards
// `target` into `next`; paths must cost less than `limit` to enter.
void DenseStep(const DenseFrontier& current, DenseFrontier* next, int32_t target, int32_t limit,
               uint16_t* back) {
    // What `next` held two codes ago goes first.
    const __m128i noPath = _mm_set1_epi32(kDenseNoPath);
    const __m128i zero = _mm_setzero_si128();
    for (int side = 0; side < 2; ++side)
        for (int i = next->storedLow; i <= next->storedHigh; i += 8) {
            StoreU(&next->cost[side][kDenseLow + i], noPath);
            StoreU(&next->cost[side][kDenseLow + i + 4], noPath);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(&next->nearRail[side][kDenseLow + i]), zero);
        }
    next->storedLow = kIndices;
    next->storedHigh = -1;
    next->low[0] = next->low[1] = kIndices;
    next->high[0] = next->high[1] = -1;

    const int low = current.low[0] < current.low[1] ? current.low[0] : current.low[1];
    const int high = current.high[0] > current.high[1] ? current.high[0] : current.high[1];
    if (low > high) return;
    const int first = low - 1 < 0 ? 0 : low - 1;  // the destinations reachable
    const int last = high + 8 > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : high + 8;

    DenseInput in;
    in.target = _mm_set1_epi16(static_cast<int16_t>(target));
    in.zero = zero;
    in.eight = _mm_set1_epi16(8);
    in.laneFrom = _mm_setr_epi16(0, 16, 32, 48, 64, 80, 96, 112);
    const __m128i lim = _mm_set1_epi32(limit);
    in.limit = lim;
    IndexSet live[2] = {{{0, 0}}, {{0, 0}}};
    // Registers of destinations from `first` up; the last may overlap its
    // predecessor so as to end at 87 (88 is settled on its own).
    for (int from = first; from <= last && from < IMA_MAX_STEP_INDEX; from += 8) {
        const int j = from < IMA_MAX_STEP_INDEX - 8 ? from : IMA_MAX_STEP_INDEX - 8;
        const int at = kDenseLow + j;
        DenseLanes r;
        DenseSettle(current, j, in, lim, &r);
        StoreU(&next->cost[0][at], r.cost0a);
        StoreU(&next->cost[0][at + 4], r.cost0b);
        StoreU(&next->cost[1][at], r.cost1a);
        StoreU(&next->cost[1][at + 4], r.cost1b);
        StoreU(&next->predictor[0][at], r.value0);
        StoreU(&next->predictor[1][at], r.value1);
        StoreU(back + j, r.back0);
        StoreU(back + kIndices + j, r.back1);
        next->storedLow = j < next->storedLow ? j : next->storedLow;
        next->storedHigh = j + 7;

        // Which lanes are live, and which live ones are near a rail.
        const __m128i highestClear = LoadU(&kDenseTables.highestClear[at]);
        const __m128i lowestClear = LoadU(&kDenseTables.lowestClear[at]);
        const __m128i live0 = _mm_packs_epi32(_mm_cmplt_epi32(r.cost0a, lim), _mm_cmplt_epi32(r.cost0b, lim));
        const __m128i live1 = _mm_packs_epi32(_mm_cmplt_epi32(r.cost1a, lim), _mm_cmplt_epi32(r.cost1b, lim));
        const __m128i rails0 = _mm_or_si128(_mm_cmpgt_epi16(r.value0, highestClear), _mm_cmplt_epi16(r.value0, lowestClear));
        const __m128i rails1 = _mm_or_si128(_mm_cmpgt_epi16(r.value1, highestClear), _mm_cmplt_epi16(r.value1, lowestClear));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&next->nearRail[0][at]),
                         _mm_packs_epi16(_mm_and_si128(live0, rails0), zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&next->nearRail[1][at]),
                         _mm_packs_epi16(_mm_and_si128(live1, rails1), zero));
        AddBits(&live[0], j, static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(live0, zero))));
        AddBits(&live[1], j, static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(live1, zero))));
    }
    if (first == 0) {
        DenseEdgeLow(current, next, target, limit, back);
        next->storedLow = 0;
    }
    if (last == IMA_MAX_STEP_INDEX) {
        DenseEdgeHigh(current, next, in, target, limit, back);
        next->storedHigh = IMA_MAX_STEP_INDEX;
    } else {
        next->cost[0][kDenseLow + IMA_MAX_STEP_INDEX] = kDenseNoPath;
        next->cost[1][kDenseLow + IMA_MAX_STEP_INDEX] = kDenseNoPath;
    }
    // Indices 0 and 88 as settled on their own.
    for (int side = 0; side < 2; ++side) {
        const uint64_t edge = uint64_t(1) << (IMA_MAX_STEP_INDEX - 64);
        live[side].word[0] &= ~uint64_t(1);
        live[side].word[0] |= static_cast<uint64_t>(next->cost[side][kDenseLow] < limit);
        live[side].word[1] &= ~edge;
        if (next->cost[side][kDenseLow + IMA_MAX_STEP_INDEX] < limit) live[side].word[1] |= edge;
        const IndexSet set = live[side];
        next->low[side] = set.word[0] ? __builtin_ctzll(set.word[0])
                          : set.word[1] ? 64 + __builtin_ctzll(set.word[1])
                                        : kIndices;
        next->high[side] = set.word[1] ? 127 - __builtin_clzll(set.word[1])
                           : set.word[0] ? 63 - __builtin_clzll(set.word[0])
                                         : -1;
    }
}

// The live slot of least cost, the lowest winning ties (-1 if none).
SearchEnd DenseCheapest(const DenseFrontier& frontier, int64_t bound) {
    SearchEnd best = {-1, 0};
    for (int side = 0; side < 2; ++side)
        for (int i = frontier.low[side]; i <= frontier.high[side]; ++i) {
            const int64_t cost = frontier.cost[side][kDenseLow + i];
            if (cost <= bound && (best.slot < 0 || cost < best.cost)) best = {side * kIndices + i, cost};
        }
    return best;
}

// The dense search; the bound must be below kDenseNoPath.
SearchEnd SearchDense(Search* search) {
    DenseFrontier frontiers[2];
    for (DenseFrontier& f : frontiers) {
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < kDenseLength; ++k) {
                f.cost[side][k] = kDenseNoPath;
                f.predictor[side][k] = 0;
                f.nearRail[side][k] = 0;
            }
        f.storedLow = kIndices;
        f.storedHigh = -1;
    }
    DenseFrontier* current = &frontiers[0];
    DenseFrontier* next = &frontiers[1];
    const int16_t first = search->samples[0];
    for (int i = 0; i < kIndices; ++i) {
        const int at = kDenseLow + i;
        current->cost[0][at] = 0;
        current->predictor[0][at] = first;
        current->nearRail[0][at] = first > kDenseTables.highestClear[at] || first < kDenseTables.lowestClear[at];
    }
    current->low[0] = 0;
    current->high[0] = IMA_MAX_STEP_INDEX;
    current->low[1] = kIndices;
    current->high[1] = -1;
    current->storedLow = 0;
    current->storedHigh = IMA_MAX_STEP_INDEX;

    for (int n = 0; n < kCodes; ++n) {
        const int32_t target = search->samples[static_cast<size_t>(n + 1) * search->stride];
        DenseStep(*current, next, target, static_cast<int32_t>(search->bound + 1), search->back[n]);
        DenseFrontier* swap = current;
        current = next;
        next = swap;
        if (n % 16 == 15) {
            const SearchEnd best = DenseCheapest(*current, search->bound);
            const int32_t p = best.slot < 0 ? 0
                              : current->predictor[best.slot / kIndices][kDenseLow + best.slot % kIndices];
            Tighten(search, n, best.slot, best.cost, p);
        }
    }
    return DenseCheapest(*current, search->bound);
}

#endif

// Encodes one channel block with the search; `dense` allows the dense
// search where the bound suits it.
void EncodeSearched(const int16_t* samples, size_t stride, AdpcmChannelState* state, uint8_t* header,
                    uint8_t* codes, size_t groupStride, int16_t* predicted, bool dense) {
    // A feasible path first: greedy codes from the index the last block
    // ended in and a few around it. Its error bounds the search: a path
    // that already costs more can only end dearer, so it is dropped.
    uint8_t path[kCodes];
    uint8_t trial[kCodes];
    int startIndex = state->stepIndex;
    int64_t bound = GreedyPath(samples, stride, 0, samples[0], startIndex, path);
    for (int offset : {-8, -3, 3, 8}) {
        int index = state->stepIndex + offset;
        index = index < 0 ? 0 : index > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : index;
        const int64_t error = GreedyPath(samples, stride, 0, samples[0], index, trial, bound);
        if (error < bound) {
            bound = error;
            startIndex = index;
            std::memcpy(path, trial, sizeof path);
        }
    }

    Search search;
    search.samples = samples;
    search.stride = stride;
    search.bound = bound;
    search.boundAt = -1;
    search.boundSlot = 0;
    SearchEnd end = {-1, 0};
#ifdef VELKMAR_HAVE_SSE2
    // The dense search takes any block with a bound it can hold; above
    // that it looks for paths within the largest such bound, and only
    // when it finds none does the sparse search take the block.
    bool searched = false;
    if (dense) {
        const int64_t cap = bound < kDenseNoPath ? bound : kDenseNoPath - 1;
        search.bound = cap;
        end = SearchDense(&search);
        searched = cap == bound || search.bound < cap || (end.slot >= 0 && end.cost < cap);
        if (!searched) {
            search.bound = bound;
            search.boundAt = -1;
            search.boundSlot = 0;
        }
    }
    if (!searched) end = SearchSparse(&search);
#else
    (void)dense;
    end = SearchSparse(&search);
#endif

    int last = -1;
    int at = 0;
    if (end.slot >= 0 && end.cost < search.bound) {
        last = kCodes - 1;
        at = end.slot;
    } else if (search.boundAt >= 0) {
        last = search.boundAt;
        at = search.boundSlot;
        std::memcpy(path + last + 1, search.tail + last + 1, static_cast<size_t>(kCodes - last - 1));
    }
    if (last >= 0) {
        for (int n = last; n >= 0; --n) {
            path[n] = static_cast<uint8_t>(search.back[n][at] & 15);
            at = search.back[n][at] >> 4;
        }
        startIndex = at < kIndices ? at : at - kIndices;
    }

    WriteLe16(header, static_cast<uint16_t>(samples[0]));
    header[2] = static_cast<uint8_t>(startIndex);
    header[3] = 0;
    AdpcmChannelState decoder = {samples[0], startIndex};
    if (predicted) predicted[0] = samples[0];
    for (int n = 0; n < kCodes; ++n) {
        const int32_t value = DecodeNibble(&decoder, path[n]);
        if (predicted) predicted[n + 1] = static_cast<int16_t>(value);
        uint8_t* byte = codes + static_cast<size_t>(n / 8) * groupStride + (n % 8) / 2;
        *byte = static_cast<uint8_t>(n % 2 == 0 ? (*byte & 0xF0u) | path[n] : (*byte & 0x0Fu) | (path[n] << 4));
    }
    *state = decoder;
}

}  // namespace

void EncodeChannelBlockSearch(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                              uint8_t* header, uint8_t* codes, size_t groupStride,
                              int16_t* predicted) {
    EncodeSearched(samples, stride, state, header, codes, groupStride, predicted, true);
}

void EncodeChannelBlockSearchScalar(const int16_t* samples, size_t stride, AdpcmChannelState* state,
                                    uint8_t* header, uint8_t* codes, size_t groupStride,
                                    int16_t* predicted) {
    EncodeSearched(samples, stride, state, header, codes, groupStride, predicted, false);
}
