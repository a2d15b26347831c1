// The search's step with SSE2: eight destination cells at a time, in the
// lanes of registers.
//
// For destinations j..j+7 the sources of magnitude m lie at j - MoveOf(m),
// eight in a row, so each magnitude's candidates come from one load per
// rank and side. Each group's cheapest are kept in registers: taking its
// ranks and sides in turn and the magnitudes in the order 7, 6, 5, 4, then
// 0..3 offers each destination its candidates in the order of precedence.
// Registers of sources none of whose paths go on are skipped.
// Reconstructions are computed in 16 bits. Away from the rails the sign
// towards the input is the nearer one, and the four small magnitudes,
// which all come from j + 1, have their reconstructions in order, so on
// each side of the input only the one nearest it can win. Near the rails
// both signs are tried: the difference is split into two parts of one
// sign that each fit in int16 (the step where the magnitude has bit 4, and
// the rest), so adding each with saturation gives the clamped sum.
// Distances saturate at 16 bits, which only touches candidates that cost
// NO_PATH_COST or more.
#include "conversion/codec/adpcm_search.h"

#ifdef VELKMAR_HAVE_SSE2

#include <emmintrin.h>

#include <cstring>

namespace {

// Per magnitude and position: the difference (`whole`, where it fits in
// int16) and its two parts, zero in the margins; and per position the
// predictors beyond which magnitude 7 reaches a rail, which every
// predictor is in the margins (as MarkOwnPath has it).
struct StepTables {
    alignas(16) int16_t whole[IMA_MAGNITUDES][LANE_POSITIONS];
    alignas(16) int16_t big[IMA_MAGNITUDES][LANE_POSITIONS];
    alignas(16) int16_t rest[IMA_MAGNITUDES][LANE_POSITIONS];
    alignas(16) int16_t highestClear[LANE_POSITIONS];
    alignas(16) int16_t lowestClear[LANE_POSITIONS];
};

constexpr StepTables MakeStepTables() {
    StepTables t = {};
    for (int32_t at = 0; at < LANE_POSITIONS; ++at) {
        t.highestClear[at] = SAMPLE_MIN;
        t.lowestClear[at] = SAMPLE_MAX;
    }
    for (int32_t i = 0; i < IMA_STEP_INDICES; ++i) {
        for (uint32_t m = 0; m < IMA_MAGNITUDES; ++m) {
            const int32_t difference = ImaDifference(i, m);
            const int32_t big = (m & 4) ? IMA_STEP_TABLE[i] : 0;
            t.whole[m][LaneOf(i)] = static_cast<int16_t>(difference < SAMPLE_MAX ? difference : SAMPLE_MAX);
            t.big[m][LaneOf(i)] = static_cast<int16_t>(big);
            t.rest[m][LaneOf(i)] = static_cast<int16_t>(difference - big);
        }
        const int32_t reach = ImaDifference(i, IMA_MAGNITUDES - 1);
        t.highestClear[LaneOf(i)] = static_cast<int16_t>(SAMPLE_MAX - reach);
        t.lowestClear[LaneOf(i)] = static_cast<int16_t>(reach + SAMPLE_MIN);
    }
    return t;
}

constexpr StepTables STEP_TABLES = MakeStepTables();

inline __m128i LoadU(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void StoreU(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// `yes` where the mask is set, `no` elsewhere.
inline __m128i Blend(__m128i mask, __m128i yes, __m128i no) {
    return _mm_xor_si128(no, _mm_and_si128(mask, _mm_xor_si128(yes, no)));
}

// Squares of eight 16-bit values as two registers of four 32-bit ones.
inline void Square(__m128i d, __m128i* low, __m128i* high) {
    const __m128i lo = _mm_mullo_epi16(d, d);
    const __m128i hi = _mm_mulhi_epi16(d, d);
    *low = _mm_unpacklo_epi16(lo, hi);
    *high = _mm_unpackhi_epi16(lo, hi);
}

// The paths of one rank and side that a step extends: where they lie,
// which go on and may reach a rail, and their slots.
struct Source {
    const int32_t* cost;
    const int16_t* predictor;
    const uint8_t* goesOn;
    const uint8_t* nearRail;
    int32_t rank;
    int32_t side;
};

// What the registers of one code share.
struct Shared {
    Source source[CELL_RANKS][SEARCH_SIDES];
    __m128i target;
    __m128i limit;
    __m128i laneSlot;  // lane << 4
};

// Paths of eight lanes of one side: cost (two registers of four),
// predictor and way back.
struct LanePaths {
    __m128i cost[2];
    __m128i value;
    __m128i back;
};

// A group's cheapest candidates so far for eight destinations, per side.
struct Best {
    LanePaths side[SEARCH_SIDES];
    bool offered;  // whether any candidate came (if not, the group offers none)
};

// Lanes with no path.
inline LanePaths NoPaths(const Shared& s) { return {{s.limit, s.limit}, _mm_setzero_si128(), _mm_setzero_si128()}; }

// True when any of the eight flags from `at` on is set.
inline bool AnyOf(const uint8_t* flags, int32_t at) {
    uint64_t bytes;
    std::memcpy(&bytes, &flags[at], sizeof bytes);
    return bytes != 0;
}

// Describes the sources of a step and what its registers share.
void Prepare(const Lanes& current, const StepInput& in, Shared* s) {
    s->target = _mm_set1_epi16(static_cast<int16_t>(in.target));
    s->limit = _mm_set1_epi32(in.limit);
    s->laneSlot = _mm_setr_epi16(0, 16, 32, 48, 64, 80, 96, 112);
    for (int32_t rank = 0; rank < CELL_RANKS; ++rank)
        for (int32_t side = 0; side < SEARCH_SIDES; ++side)
            s->source[rank][side] = {current.cost[rank][side], current.predictor[rank][side],
                                     current.goesOn[rank][side], current.nearRail[rank][side], rank, side};
}

// Offers the lanes candidates of known cost (two registers), value and way
// back, each to the side its value lies on.
inline void Take(__m128i costLow, __m128i costHigh, __m128i value, __m128i back, const Shared& s, Best* r) {
    r->offered = true;
    const __m128i below = _mm_cmplt_epi16(value, s.target);
    const __m128i belowHalves[2] = {_mm_unpacklo_epi16(below, below), _mm_unpackhi_epi16(below, below)};
    const __m128i cost[2] = {costLow, costHigh};
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        LanePaths& to = r->side[side];
        __m128i take[2];
        for (int32_t h = 0; h < 2; ++h) {
            const __m128i onSide = side == 0 ? belowHalves[h] : _mm_xor_si128(belowHalves[h], _mm_set1_epi32(-1));
            take[h] = _mm_and_si128(onSide, _mm_cmplt_epi32(cost[h], to.cost[h]));
            to.cost[h] = Blend(take[h], cost[h], to.cost[h]);
        }
        const __m128i take16 = _mm_packs_epi32(take[0], take[1]);
        to.value = Blend(take16, value, to.value);
        to.back = Blend(take16, back, to.back);
    }
}

// Offers the lanes the paths of a source by magnitude m, from position
// `at` on; `from` holds each lane's way back but for the sign.
template <uint32_t m>
inline void OfferMagnitude(const Shared& s, const Source& source, int32_t at, __m128i from, Best* r) {
    const __m128i t = s.target;
    const __m128i p = LoadU(&source.predictor[at]);
    __m128i negative, value;
    if (AnyOf(source.nearRail, at)) {
        const __m128i big = LoadU(&STEP_TABLES.big[m][at]);
        const __m128i rest = LoadU(&STEP_TABLES.rest[m][at]);
        const __m128i up = _mm_adds_epi16(_mm_adds_epi16(p, big), rest);
        const __m128i down = _mm_subs_epi16(_mm_subs_epi16(p, big), rest);
        const __m128i dUp = _mm_subs_epi16(t, up);
        const __m128i dDown = _mm_subs_epi16(t, down);
        const __m128i aUp = _mm_max_epi16(dUp, _mm_subs_epi16(_mm_setzero_si128(), dUp));
        const __m128i aDown = _mm_max_epi16(dDown, _mm_subs_epi16(_mm_setzero_si128(), dDown));
        negative = _mm_or_si128(_mm_cmplt_epi16(aDown, aUp),
                                _mm_and_si128(_mm_cmpeq_epi16(aDown, aUp), _mm_cmplt_epi16(t, p)));
        value = Blend(negative, down, up);
    } else {
        const __m128i difference = LoadU(&STEP_TABLES.whole[m][at]);
        negative = _mm_cmplt_epi16(t, p);
        value = _mm_add_epi16(p, _mm_sub_epi16(_mm_xor_si128(difference, negative), negative));
    }
    __m128i low, high;
    Square(_mm_subs_epi16(t, value), &low, &high);
    low = _mm_add_epi32(LoadU(&source.cost[at]), low);
    high = _mm_add_epi32(LoadU(&source.cost[at + 4]), high);
    // Most registers of the large magnitudes hold no candidate within the
    // limit.
    if (!_mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi32(low, s.limit), _mm_cmplt_epi32(high, s.limit)))) return;
    Take(low, high, value, _mm_or_si128(from, _mm_and_si128(negative, _mm_set1_epi16(IMA_SIGN_BIT))), s, r);
}

// The same for the small magnitudes, 0..3, away from the rails: the last
// magnitude short of the input (`near`, on the predictor's side) and the
// first beyond it (`far`). A magnitude falls short when its difference is
// below the distance to the input, or at most it going down.
void OfferSmall(const Shared& s, const Source& source, int32_t at, __m128i from, Best* r) {
    const __m128i t = s.target;
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = LoadU(&source.predictor[at]);
    const __m128i negative = _mm_cmplt_epi16(t, p);
    const __m128i towards = _mm_subs_epi16(t, p);
    const __m128i distance = _mm_max_epi16(towards, _mm_subs_epi16(zero, towards));
    const __m128i top = _mm_set1_epi16(SAMPLE_MAX);
    __m128i nearDifference = zero, farDifference = top, shortCount = zero;
    for (uint32_t m = 0; m < 4; ++m) {
        const __m128i difference = LoadU(&STEP_TABLES.whole[m][at]);
        const __m128i isShort = _mm_cmplt_epi16(_mm_add_epi16(difference, negative), distance);
        nearDifference = _mm_max_epi16(nearDifference, _mm_and_si128(isShort, difference));
        farDifference = _mm_min_epi16(farDifference, _mm_or_si128(difference, _mm_and_si128(isShort, top)));
        shortCount = _mm_sub_epi16(shortCount, isShort);
    }
    const __m128i cost[2] = {LoadU(&source.cost[at]), LoadU(&source.cost[at + 4])};
    const __m128i back = _mm_or_si128(from, _mm_and_si128(negative, _mm_set1_epi16(IMA_SIGN_BIT)));
    // No near magnitude when none falls short, no far one when all do.
    const __m128i none[2] = {_mm_cmpeq_epi16(shortCount, zero), _mm_cmpeq_epi16(shortCount, _mm_set1_epi16(4))};
    const __m128i difference[2] = {nearDifference, farDifference};
    const __m128i code[2] = {_mm_add_epi16(back, _mm_add_epi16(shortCount, _mm_set1_epi16(-1))),
                             _mm_add_epi16(back, shortCount)};
    const __m128i noPath = _mm_set1_epi32(NO_PATH_COST);
    for (int32_t k = 0; k < 2; ++k) {
        const __m128i value = _mm_add_epi16(p, _mm_sub_epi16(_mm_xor_si128(difference[k], negative), negative));
        __m128i low, high;
        Square(_mm_subs_epi16(t, value), &low, &high);
        low = _mm_or_si128(_mm_add_epi32(cost[0], low), _mm_and_si128(_mm_unpacklo_epi16(none[k], none[k]), noPath));
        high = _mm_or_si128(_mm_add_epi32(cost[1], high), _mm_and_si128(_mm_unpackhi_epi16(none[k], none[k]), noPath));
        Take(low, high, value, code[k], s, r);
    }
}

// Offers destinations j..j+7 the paths of a source that reach them, in
// order of the step index they come from. Registers of sources holding no
// live path are skipped.
void OfferSource(const Shared& s, const Source& source, int32_t j, Best* r) {
    const auto holds = [&](int32_t index) { return AnyOf(source.goesOn, LaneOf(index)); };
    const __m128i origin =
        _mm_add_epi16(s.laneSlot, _mm_set1_epi16(static_cast<int16_t>(SlotOf(source.rank, source.side, j) * 16)));
    const auto from = [&](uint32_t m) {
        return _mm_add_epi16(origin, _mm_set1_epi16(static_cast<int16_t>(static_cast<int32_t>(m) - 16 * MoveOf(m))));
    };
    if (holds(j - MoveOf(7))) OfferMagnitude<7>(s, source, LaneOf(j - MoveOf(7)), from(7), r);
    if (holds(j - MoveOf(6))) OfferMagnitude<6>(s, source, LaneOf(j - MoveOf(6)), from(6), r);
    if (holds(j - MoveOf(5))) OfferMagnitude<5>(s, source, LaneOf(j - MoveOf(5)), from(5), r);
    if (holds(j - MoveOf(4))) OfferMagnitude<4>(s, source, LaneOf(j - MoveOf(4)), from(4), r);
    const int32_t at = LaneOf(j + 1);
    if (!holds(j + 1)) return;
    if (!AnyOf(source.nearRail, at)) return OfferSmall(s, source, at, from(0), r);
    OfferMagnitude<0>(s, source, at, from(0), r);
    OfferMagnitude<1>(s, source, at, from(1), r);
    OfferMagnitude<2>(s, source, at, from(2), r);
    OfferMagnitude<3>(s, source, at, from(3), r);
}

// OfferToCell for eight lanes: offers `offered` to the lanes' own paths
// and runners-up.
inline void OfferToLanes(const LanePaths& offered, LanePaths* own, LanePaths* runnerUp) {
    const __m128i same = _mm_cmpeq_epi16(offered.value, own->value);
    const __m128i sameHalves[2] = {_mm_unpacklo_epi16(same, same), _mm_unpackhi_epi16(same, same)};
    __m128i take[2], second[2];
    for (int32_t h = 0; h < 2; ++h) {
        take[h] = _mm_cmplt_epi32(offered.cost[h], own->cost[h]);
        const __m128i cheaper = _mm_or_si128(take[h], _mm_cmplt_epi32(offered.cost[h], runnerUp->cost[h]));
        second[h] = _mm_andnot_si128(sameHalves[h], cheaper);
        runnerUp->cost[h] = Blend(second[h], Blend(take[h], own->cost[h], offered.cost[h]), runnerUp->cost[h]);
        own->cost[h] = Blend(take[h], offered.cost[h], own->cost[h]);
    }
    const __m128i take16 = _mm_packs_epi32(take[0], take[1]);
    const __m128i second16 = _mm_packs_epi32(second[0], second[1]);
    runnerUp->value = Blend(second16, Blend(take16, own->value, offered.value), runnerUp->value);
    runnerUp->back = Blend(second16, Blend(take16, own->back, offered.back), runnerUp->back);
    own->value = Blend(take16, offered.value, own->value);
    own->back = Blend(take16, offered.back, own->back);
}

// Stores the lanes at position `at`, offered the groups' cheapest paths in
// turn, and marks the own paths; returns per side a bit per lane whose own
// path goes on.
void Store(const Best (&group)[STEP_GROUPS], const Shared& s, int32_t at, Lanes* next, BackRow* back,
           uint32_t (&goesOn)[SEARCH_SIDES]) {
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        LanePaths path[CELL_RANKS] = {group[0].side[side], NoPaths(s)};
        for (int32_t g = 1; g < STEP_GROUPS; ++g)
            if (group[g].offered) OfferToLanes(group[g].side[side], &path[0], &path[1]);
        for (int32_t rank = 0; rank < CELL_RANKS; ++rank) {
            StoreU(&next->cost[rank][side][at], path[rank].cost[0]);
            StoreU(&next->cost[rank][side][at + 4], path[rank].cost[1]);
            StoreU(&next->predictor[rank][side][at], path[rank].value);
            StoreU(&back->back[rank][side][at], path[rank].back);
        }
        const __m128i p = path[0].value;
        const __m128i live = _mm_packs_epi32(_mm_cmplt_epi32(path[0].cost[0], s.limit),
                                             _mm_cmplt_epi32(path[0].cost[1], s.limit));
        const __m128i rails = _mm_or_si128(_mm_cmpgt_epi16(p, LoadU(&STEP_TABLES.highestClear[at])),
                                           _mm_cmplt_epi16(p, LoadU(&STEP_TABLES.lowestClear[at])));
        const __m128i flags = _mm_packs_epi16(live, _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&next->goesOn[0][side][at]), flags);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&next->nearRail[0][side][at]),
                         _mm_packs_epi16(_mm_and_si128(live, rails), _mm_setzero_si128()));
        goesOn[side] = static_cast<uint32_t>(_mm_movemask_epi8(flags)) & 0xFF;
    }
}

// Lane indices LOWEST_LANE_INDEX.. as bits, 64 a word.
struct LaneSet {
    uint64_t word[2];
};

inline void AddLanes(LaneSet* set, int32_t index, uint32_t bits) {
    const int32_t k = index - LOWEST_LANE_INDEX;
    set->word[k / 64] |= static_cast<uint64_t>(bits) << (k % 64);
    if (k % 64 > 64 - LANE_WIDTH) set->word[k / 64 + 1] |= static_cast<uint64_t>(bits) >> (64 - k % 64);
}

// The lowest and highest lane index in a set (low > high for none).
void RangeOf(const LaneSet& set, int32_t* low, int32_t* high) {
    *low = IMA_STEP_INDICES;
    *high = -1;
    if (set.word[0] | set.word[1]) {
        *low = (set.word[0] ? __builtin_ctzll(set.word[0]) : 64 + __builtin_ctzll(set.word[1])) + LOWEST_LANE_INDEX;
        *high = (set.word[1] ? 127 - __builtin_clzll(set.word[1]) : 63 - __builtin_clzll(set.word[0])) +
                LOWEST_LANE_INDEX;
    }
}

}  // namespace

void StepSse2(const Lanes& current, const StepInput& in, Lanes* next, BackRow* back) {
    Shared s;
    Prepare(current, in, &s);
    LaneSet live[SEARCH_SIDES] = {};
    for (int32_t j = in.first; j <= in.last; j += LANE_WIDTH) {
        Best group[STEP_GROUPS];
        for (Best& r : group) {
            for (LanePaths& path : r.side) path = NoPaths(s);
            r.offered = false;
        }
        for (int32_t rank = 0; rank < CELL_RANKS; ++rank)
            for (int32_t side = 0; side < SEARCH_SIDES; ++side)
                OfferSource(s, s.source[rank][side], j, &group[GroupOf(rank, side)]);
        uint32_t goesOn[SEARCH_SIDES];
        Store(group, s, LaneOf(j), next, back, goesOn);
        for (int32_t side = 0; side < SEARCH_SIDES; ++side) AddLanes(&live[side], j, goesOn[side]);
    }
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) RangeOf(live[side], &next->low[0][side], &next->high[0][side]);
}

#endif
