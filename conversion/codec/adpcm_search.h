// The search encoder's step, in its two forms: one code of the search for
// every step index at once. The portable form is the reference; the SSE2
// form gives identical results.
//
// The paths a code leaves lie in arrays by rank, side of the input sample
// (1 when the reconstruction is at or above it) and step index, at
// position LaneOf(index), so that eight neighbouring indices fill one
// register. A cell (side and step index) keeps two paths: its own, rank 0,
// the cheapest, and its runner-up, rank 1, the cheapest of some others
// that ends in another predictor. A path is its cost, its predictor (the
// sample the decoder reconstructs) and its way back; a cost of at least
// the step's limit means none (predictor and way back then 0). The
// margins hold none.
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_SEARCH_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_SEARCH_H

#include <cstdint>

#include "conversion/codec/adpcm_ima.h"

// x86_64 always has SSE2; the 32-bit build assumes it (-msse2).
#if defined(__SSE2__) || defined(_M_X64)
#define VELKMAR_HAVE_SSE2 1
#endif

const int32_t SEARCH_SIDES = 2;
const int32_t CELL_RANKS = 2;
const int32_t LANE_WIDTH = 8;
const int32_t LANE_MARGIN = 9;
const int32_t LANE_POSITIONS = 120;

// The magnitudes move a path from index i to i - 1 (0..3) or i + 2, 4, 6,
// 8 (4..7). The step stores each move where it leads before the clamp:
// the moves below 0 at index -1 and those beyond 88 at 89..96, the
// overflow lanes, which the search then folds into cells 0 and 88.
const int32_t LOWEST_LANE_INDEX = -1;
const int32_t HIGHEST_LANE_INDEX = IMA_MAX_STEP_INDEX + 8;
inline constexpr int32_t LaneOf(int32_t index) { return LANE_MARGIN + index; }
inline constexpr int32_t MoveOf(uint32_t magnitude) {
    return magnitude < 4 ? -1 : 2 * (static_cast<int32_t>(magnitude) - 3);
}

// Costs are 32-bit: squared errors of reconstructions more than 32767 from
// the input count as at least NO_PATH_COST, which no limit exceeds, so the
// SSE2 form may saturate distances there.
const int32_t NO_PATH_COST = 32767 * 32767;

// A path's slot, which names it in a way back.
inline constexpr int32_t SlotOf(int32_t rank, int32_t side, int32_t index) {
    return (rank * SEARCH_SIDES + side) * IMA_STEP_INDICES + index;
}
inline constexpr int32_t SlotRank(int32_t slot) { return slot / (SEARCH_SIDES * IMA_STEP_INDICES); }
inline constexpr int32_t SlotSide(int32_t slot) { return slot / IMA_STEP_INDICES % SEARCH_SIDES; }
inline constexpr int32_t SlotIndex(int32_t slot) { return slot % IMA_STEP_INDICES; }

// The way back into a path: the slot of the path it extends, one code
// earlier, and the code that extends it.
typedef uint16_t Back;
inline constexpr Back MakeBack(int32_t slot, uint32_t code) { return static_cast<Back>(slot << 4 | code); }
inline constexpr int32_t BackSlot(Back back) { return back >> 4; }
inline constexpr uint32_t BackCode(Back back) { return back & 15u; }

// The paths after some codes. The paths that go on to the next code are
// every own path below the limit and the runners-up the search chooses;
// `goesOn` marks them, and `nearRail` those of them that may reach a rail
// (ClearOfRails is false); they lie at indices low..high of each rank and
// side (low > high for none). `cheapest` is the slot of the cheapest own
// path (-1 for none). The step last stored into positions
// stored..storedEnd - 1; stale paths may lie outside them, unmarked.
struct Lanes {
    alignas(16) int32_t cost[CELL_RANKS][SEARCH_SIDES][LANE_POSITIONS];
    alignas(16) int16_t predictor[CELL_RANKS][SEARCH_SIDES][LANE_POSITIONS];
    alignas(16) uint8_t goesOn[CELL_RANKS][SEARCH_SIDES][LANE_POSITIONS];
    alignas(16) uint8_t nearRail[CELL_RANKS][SEARCH_SIDES][LANE_POSITIONS];
    int32_t low[CELL_RANKS][SEARCH_SIDES];
    int32_t high[CELL_RANKS][SEARCH_SIDES];
    int32_t cheapest;
    int32_t stored;
    int32_t storedEnd;
};

// Marks whether the own path at a lane goes on and may reach a rail (the
// overflow lanes' marks only say whether it goes on).
inline void MarkOwnPath(Lanes* lanes, int32_t side, int32_t index, int32_t limit) {
    const int32_t at = LaneOf(index);
    const bool live = lanes->cost[0][side][at] < limit;
    const bool inside = index >= 0 && index <= IMA_MAX_STEP_INDEX;
    lanes->goesOn[0][side][at] = live ? 0xFF : 0;
    lanes->nearRail[0][side][at] = live && (!inside || !ClearOfRails(lanes->predictor[0][side][at], index)) ? 0xFF : 0;
}

// The ways back of one code's paths.
struct BackRow {
    alignas(16) Back back[CELL_RANKS][SEARCH_SIDES][LANE_POSITIONS];
};

// Offers a cell a path (its cost, predictor and way back): the path becomes
// the cell's own if it is cheaper than that, and the own path, should it
// end in another predictor, the runner-up; failing that, it becomes the
// runner-up if it is cheaper than that and ends in another predictor than
// the own path.
inline void OfferToCell(Lanes* lanes, BackRow* back, int32_t side, int32_t at, int64_t cost, int32_t predictor,
                        Back way) {
    int32_t* costs[CELL_RANKS] = {&lanes->cost[0][side][at], &lanes->cost[1][side][at]};
    int16_t* predictors[CELL_RANKS] = {&lanes->predictor[0][side][at], &lanes->predictor[1][side][at]};
    Back* ways[CELL_RANKS] = {&back->back[0][side][at], &back->back[1][side][at]};
    const bool other = predictor != *predictors[0];
    const int32_t rank = cost < *costs[0] ? 0 : other && cost < *costs[1] ? 1 : CELL_RANKS;
    if (rank == CELL_RANKS) return;
    if (rank == 0 && other) {
        *costs[1] = *costs[0];
        *predictors[1] = *predictors[0];
        *ways[1] = *ways[0];
    }
    *costs[rank] = static_cast<int32_t>(cost);
    *predictors[rank] = static_cast<int16_t>(predictor);
    *ways[rank] = way;
}

// One code: the input sample, the limit a path must cost less than (at
// most NO_PATH_COST), and the lane indices to fill, `first` (at least
// LOWEST_LANE_INDEX) and the LANE_WIDTH-wide registers from it up to and
// including `last` (at most HIGHEST_LANE_INDEX).
struct StepInput {
    int32_t target;
    int32_t limit;
    int32_t first;
    int32_t last;
};

// The position after the last register a step fills.
inline int32_t StepEnd(const StepInput& in) {
    return LaneOf(in.first) + (in.last - in.first + LANE_WIDTH) / LANE_WIDTH * LANE_WIDTH;
}

// The groups a step takes the paths it extends in: the own paths from
// each side, then the runners-up.
const int32_t STEP_GROUPS = SEARCH_SIDES + 1;
inline constexpr int32_t GroupOf(int32_t rank, int32_t side) { return rank == 0 ? side : SEARCH_SIDES; }

// Extends every path of `current` that goes on by every magnitude, each
// with the sign whose clamped reconstruction lies nearer the input
// (NearerSign), into the registers of `next` that the input names (their
// other positions untouched). Each group's cheapest extension per lane (of
// equal costs, the first by rank, side, step index, then magnitude of the
// path extended) is offered (OfferToCell) to the lane, which starts with
// none, group by group. Marks the own paths (MarkOwnPath), gives their
// range on each side (in lanes, the overflow lanes included) and stores
// the ways back.
typedef void (*StepForm)(const Lanes& current, const StepInput& in, Lanes* next, BackRow* back);

void StepPortable(const Lanes& current, const StepInput& in, Lanes* next, BackRow* back);

#ifdef VELKMAR_HAVE_SSE2
void StepSse2(const Lanes& current, const StepInput& in, Lanes* next, BackRow* back);
#endif

#endif
