// The search encoder: chooses each block's header and codes for the least
// squared error the decoder will reconstruct.
//
// A block starts from its header alone, so blocks are searched one at a
// time. The decoder's state after each code is (predictor, step index).
// The search is a Viterbi search over the step index that keeps more than
// one path per index. For each step index and each side of the input
// sample (reconstruction below it, or at or above it) a cell keeps the
// cheapest path so far that ends there, its own, and a runner-up that
// ends in another predictor (adpcm_search.h says which). Every own path
// goes on to the next code, and so do the runners-up at the step indices
// nearest the cheapest path's (the search's width says how many):
// elsewhere they seldom lead anywhere. All 89 indices start the block,
// which is how the header's index is chosen. Each path is extended by
// every magnitude, each with the sign whose clamped reconstruction lies
// nearer the input (near the rails the clamp can make the sign away from
// the input exact). Paths cost their squared error; the cheapest at the
// block's end is traced back to its codes along the ways back stored at
// each code.
//
// Of paths that cost the same, the step's order decides (adpcm_search.h);
// the moves beyond the step indices' ends are offered to cells 0 and 88
// after the others; the cheapest path is the first in slot order.
//
// Greedy codes bound the search: a path that already costs more than a
// complete greedy block is dropped; now and then the cheapest path so far,
// finished greedily, tightens the bound. Costs are 32-bit, so the bound is
// at most NO_PATH_COST - 1; a block that no path stays within is left to
// its greedy codes.
#include <cstring>
#include <initializer_list>

#include "conversion/codec/adpcm_encode.h"
#include "conversion/codec/adpcm_search.h"

namespace {

// The search's width: the runners-up of SEARCH_WIDTH step indices (on
// both sides), centred on the cheapest path's, go on; none for 0. Chosen
// with the yardstick in bench/search_optimum.cpp (bench/README.md has the
// figures).
const int32_t SEARCH_WIDTH = 1;
const int32_t TIGHTEN_EVERY = 16;
const int32_t NO_INDEX = IMA_STEP_INDICES;
const int32_t START_OFFSETS[] = {-3, 3};  // starting indices the greedy bound tries
const int32_t START_TRIALS = 1 + sizeof START_OFFSETS / sizeof START_OFFSETS[0];

// A search of one block: its input, the step's form, the width, the bound
// with the path that set it (the search's path into boundSlot up to code
// boundAt, then the greedy codes in tail; all greedy when boundAt is -1),
// the paths after this code and the next, and the ways back of every code.
struct Search {
    ChannelBlock block;
    StepForm step;
    int32_t width;
    uint64_t bound;
    int32_t boundAt;
    int32_t boundSlot;
    uint8_t tail[GAME_CODES_PER_BLOCK];
    Lanes lanes[2];
    BackRow back[GAME_CODES_PER_BLOCK];
};

// A slot and the cost of its path (slot -1 for none).
struct SlotCost {
    int32_t slot;
    int64_t cost;
};

inline int32_t Target(const Search& search, int32_t n) {
    return search.block.samples[static_cast<size_t>(n + 1) * search.block.stride];
}

inline int32_t Limit(const Search& search) { return static_cast<int32_t>(search.bound) + 1; }

// The paths after n codes.
inline Lanes& LanesAfter(Search* search, int32_t n) { return search->lanes[n % 2]; }

// Empties every lane of `lanes`; `live` marks the step indices of own
// paths on side 0 (cost 0, predictor `first`).
void ResetLanes(Lanes* lanes, bool live, int32_t first) {
    for (int32_t rank = 0; rank < CELL_RANKS; ++rank)
        for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
            for (int32_t at = 0; at < LANE_POSITIONS; ++at) {
                lanes->cost[rank][side][at] = NO_PATH_COST;
                lanes->predictor[rank][side][at] = 0;
                lanes->goesOn[rank][side][at] = lanes->nearRail[rank][side][at] = 0;
            }
            lanes->low[rank][side] = NO_INDEX;
            lanes->high[rank][side] = -1;
        }
    lanes->stored = lanes->storedEnd = 0;
    lanes->cheapest = -1;
    if (!live) return;
    for (int32_t index = 0; index < IMA_STEP_INDICES; ++index) {
        lanes->cost[0][0][LaneOf(index)] = 0;
        lanes->predictor[0][0][LaneOf(index)] = static_cast<int16_t>(first);
        MarkOwnPath(lanes, 0, index, 1);
    }
    lanes->low[0][0] = 0;
    lanes->high[0][0] = IMA_MAX_STEP_INDEX;
    lanes->storedEnd = LANE_POSITIONS;
}

// Offers the paths the step left in the overflow lanes to cells 0 and 88
// (each lane's own path, then its runner-up), empties those lanes, marks
// the two cells and brings the ranges within the step indices.
void FoldOverflow(const StepInput& in, Lanes* lanes, BackRow* back) {
    const auto fold = [&](int32_t side, int32_t lane, int32_t index) {
        const int32_t from = LaneOf(lane);
        if (!lanes->goesOn[0][side][from]) return;
        for (int32_t rank = 0; rank < CELL_RANKS; ++rank) {
            OfferToCell(lanes, back, side, LaneOf(index), lanes->cost[rank][side][from],
                        lanes->predictor[rank][side][from], back->back[rank][side][from]);
            lanes->cost[rank][side][from] = NO_PATH_COST;
        }
        lanes->goesOn[0][side][from] = lanes->nearRail[0][side][from] = 0;
        MarkOwnPath(lanes, side, index, in.limit);
    };
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        for (int32_t lane = IMA_STEP_INDICES; lane <= in.last; ++lane) fold(side, lane, IMA_MAX_STEP_INDEX);
        if (in.first == LOWEST_LANE_INDEX) fold(side, LOWEST_LANE_INDEX, 0);
        int32_t& low = lanes->low[0][side];
        int32_t& high = lanes->high[0][side];
        if (low > high) continue;
        low = low < 0 ? 0 : low > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : low;
        high = high > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : high;
    }
}

// After a step: the cheapest own path (the first in slot order of equal
// ones) and the runners-up that go on, those of the search's width of step
// indices around its step index; the other runners-up a step may read
// are emptied.
void Settle(const Search& search, const StepInput& in, Lanes* lanes) {
    // Each side's cheapest apart, so that the two chains of comparisons
    // overlap; side 0's wins a tie.
    int32_t cheapest[SEARCH_SIDES] = {-1, -1}, least[SEARCH_SIDES] = {in.limit, in.limit};
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t index = lanes->low[0][side]; index <= lanes->high[0][side]; ++index) {
            const int32_t cost = lanes->cost[0][side][LaneOf(index)];
            cheapest[side] = cost < least[side] ? SlotOf(0, side, index) : cheapest[side];
            least[side] = cost < least[side] ? cost : least[side];
        }
    lanes->cheapest = least[1] < least[0] ? cheapest[1] : cheapest[0];
    const int32_t reach = (search.width - 1) / 2, centre = SlotIndex(lanes->cheapest);
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        int32_t low = lanes->low[0][side] > centre - reach ? lanes->low[0][side] : centre - reach;
        int32_t high = lanes->high[0][side] < centre + reach ? lanes->high[0][side] : centre + reach;
        if (lanes->cheapest < 0 || search.width < 1 || low > high) {
            low = NO_INDEX;
            high = -1;
        }
        lanes->low[1][side] = low;
        lanes->high[1][side] = high;
        if (low > high) continue;
        int32_t* cost = lanes->cost[1][side];
        for (int32_t at = LaneOf(low) - LANE_WIDTH + 1; at < LaneOf(low); ++at) cost[at] = NO_PATH_COST;
        for (int32_t at = LaneOf(high) + 1; at < LaneOf(high) + LANE_WIDTH; ++at) cost[at] = NO_PATH_COST;
        for (int32_t index = low; index <= high; ++index) {
            const int32_t at = LaneOf(index);
            const bool goesOn = cost[at] < in.limit;
            lanes->goesOn[1][side][at] = goesOn ? 0xFF : 0;
            lanes->nearRail[1][side][at] = goesOn && !ClearOfRails(lanes->predictor[1][side][at], index) ? 0xFF : 0;
        }
    }
}

// Empties the own paths of `lanes` from position `from` up to `to` (a
// step reads runners-up only where Settle leaves them).
void Empty(Lanes* lanes, int32_t from, int32_t to) {
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t at = from; at < to; ++at) {
            lanes->cost[0][side][at] = NO_PATH_COST;
            lanes->goesOn[0][side][at] = 0;
        }
}

// Unmarks the runners-up that went on from `lanes`.
void Unmark(Lanes* lanes) {
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t index = lanes->low[1][side]; index <= lanes->high[1][side]; ++index)
            lanes->goesOn[1][side][LaneOf(index)] = lanes->nearRail[1][side][LaneOf(index)] = 0;
}

// Code n: the paths after n codes extended towards the input. What the
// step does not store over of what it stored two codes before is
// emptied.
void Step(Search* search, int32_t n) {
    const Lanes& current = LanesAfter(search, n);
    Lanes* next = &LanesAfter(search, n + 1);
    const int32_t low = current.low[0][0] < current.low[0][1] ? current.low[0][0] : current.low[0][1];
    const int32_t high = current.high[0][0] > current.high[0][1] ? current.high[0][0] : current.high[0][1];
    const StepInput in = {Target(*search, n), Limit(*search), low - 1, high + 8};
    Unmark(next);
    const int32_t from = low > high ? LANE_POSITIONS : LaneOf(in.first), to = low > high ? 0 : StepEnd(in);
    Empty(next, next->stored, next->storedEnd < from ? next->storedEnd : from);
    Empty(next, next->stored > to ? next->stored : to, next->storedEnd);
    next->stored = from < to ? from : 0;
    next->storedEnd = from < to ? to : 0;
    for (int32_t rank = 0; rank < CELL_RANKS; ++rank)
        for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
            next->low[rank][side] = NO_INDEX;
            next->high[rank][side] = -1;
        }
    next->cheapest = -1;
    if (low > high) return;
    search->step(current, in, next, &search->back[n]);
    FoldOverflow(in, next, &search->back[n]);
    Settle(*search, in, next);
}

// The cheapest own path after n codes (the first in slot order of equal
// ones); no runner-up is cheaper than its cell's own path.
SlotCost Cheapest(Search* search, int32_t n) {
    const Lanes& lanes = LanesAfter(search, n);
    if (lanes.cheapest < 0) return {-1, 0};
    return {lanes.cheapest, lanes.cost[0][SlotSide(lanes.cheapest)][LaneOf(SlotIndex(lanes.cheapest))]};
}

// After code n: finishes the cheapest path so far greedily; if that beats
// the bound, it becomes the bound.
void Tighten(Search* search, int32_t n) {
    const SlotCost best = Cheapest(search, n + 1);
    if (best.slot < 0 || static_cast<uint64_t>(best.cost) >= search->bound) return;
    const int32_t index = SlotIndex(best.slot);
    const int32_t p = LanesAfter(search, n + 1).predictor[0][SlotSide(best.slot)][LaneOf(index)];
    uint8_t trial[GAME_CODES_PER_BLOCK];
    const uint64_t cost = static_cast<uint64_t>(best.cost);
    const uint64_t total = cost + GreedyCodes(search->block, n + 1, {p, index}, trial, search->bound - cost);
    if (total >= search->bound) return;
    search->bound = total;
    search->boundAt = n;
    search->boundSlot = best.slot;
    std::memcpy(search->tail + n + 1, trial + n + 1, static_cast<size_t>(GAME_CODES_PER_BLOCK - n - 1));
}

// Runs the search from every starting step index; returns the cheapest
// slot at the block's end.
SlotCost Run(Search* search) {
    ResetLanes(&search->lanes[0], true, search->block.samples[0]);
    ResetLanes(&search->lanes[1], false, 0);
    for (int32_t n = 0; n < GAME_CODES_PER_BLOCK; ++n) {
        Step(search, n);
        if (n % TIGHTEN_EVERY == TIGHTEN_EVERY - 1 && n + 1 < GAME_CODES_PER_BLOCK) Tighten(search, n);
    }
    return Cheapest(search, GAME_CODES_PER_BLOCK);
}

// Traces the path into `slot` after code `last` back to the block's start:
// stores its codes at path[0..last] and returns its starting index.
int32_t TraceBack(const Search& search, int32_t last, int32_t slot, uint8_t* path) {
    for (int32_t n = last; n >= 0; --n) {
        const Back back = search.back[n].back[SlotRank(slot)][SlotSide(slot)][LaneOf(SlotIndex(slot))];
        path[n] = static_cast<uint8_t>(BackCode(back));
        slot = BackSlot(back);
    }
    return SlotIndex(slot);
}

// The greedy codes that start the search: from the step index the last
// block ended in and a few around it, the best (the first of equal ones).
// Returns their error.
uint64_t StartingBound(const ChannelBlock& block, const AdpcmChannelState& state, uint8_t* path,
                       int32_t* startIndex) {
    AdpcmChannelState starts[START_TRIALS];
    starts[0] = {block.samples[0], state.stepIndex};
    for (int32_t k = 1; k < START_TRIALS; ++k)
        starts[k] = {block.samples[0], ClampStepIndex(state.stepIndex + START_OFFSETS[k - 1])};
    uint8_t paths[START_TRIALS][GAME_CODES_PER_BLOCK];
    uint64_t errors[START_TRIALS];
    GreedyCodesSideBySide(block, starts, START_TRIALS, paths, errors);
    int32_t best = 0;
    for (int32_t k = 1; k < START_TRIALS; ++k) best = errors[k] < errors[best] ? k : best;
    *startIndex = starts[best].stepIndex;
    std::memcpy(path, paths[best], GAME_CODES_PER_BLOCK);
    return errors[best];
}

void EncodeSearched(const ChannelBlock& block, AdpcmChannelState* state, StepForm step, int32_t width) {
    uint8_t path[GAME_CODES_PER_BLOCK];
    int32_t startIndex = 0;
    Search search;
    search.block = block;
    search.step = step;
    search.width = width;
    const uint64_t greedy = StartingBound(block, *state, path, &startIndex);
    search.bound = greedy < NO_PATH_COST - 1 ? greedy : NO_PATH_COST - 1;
    search.boundAt = -1;
    search.boundSlot = 0;
    const SlotCost end = Run(&search);

    // The search's path, or the bound's: traced back from its last slot,
    // or all greedy.
    if (end.slot >= 0 && static_cast<uint64_t>(end.cost) < search.bound) {
        startIndex = TraceBack(search, GAME_CODES_PER_BLOCK - 1, end.slot, path);
    } else if (search.boundAt >= 0) {
        const int32_t last = search.boundAt;
        std::memcpy(path + last + 1, search.tail + last + 1, static_cast<size_t>(GAME_CODES_PER_BLOCK - last - 1));
        startIndex = TraceBack(search, last, search.boundSlot, path);
    }
    WriteChannelBlock(block, startIndex, path, state);
}

}  // namespace

void StepPortable(const Lanes& current, const StepInput& in, Lanes* next, BackRow* back) {
    // Each group's cheapest extension per lane, then the groups offered to
    // the lanes in turn.
    Lanes group[STEP_GROUPS];
    BackRow groupBack[STEP_GROUPS];
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t at = LaneOf(in.first); at < StepEnd(in); ++at)
            for (int32_t g = 0; g <= STEP_GROUPS; ++g) {
                Lanes* lanes = g < STEP_GROUPS ? &group[g] : next;
                BackRow* ways = g < STEP_GROUPS ? &groupBack[g] : back;
                for (int32_t rank = 0; rank < CELL_RANKS; ++rank) {
                    lanes->cost[rank][side][at] = in.limit;
                    lanes->predictor[rank][side][at] = 0;
                    ways->back[rank][side][at] = 0;
                }
            }
    for (int32_t rank = 0; rank < CELL_RANKS; ++rank)
        for (int32_t from = 0; from < SEARCH_SIDES; ++from)
            for (int32_t index = current.low[rank][from]; index <= current.high[rank][from]; ++index) {
                const int64_t cost = current.cost[rank][from][LaneOf(index)];
                const int32_t p = current.predictor[rank][from][LaneOf(index)];
                Lanes* lanes = &group[GroupOf(rank, from)];
                for (uint32_t m = 0; m < IMA_MAGNITUDES && cost < in.limit; ++m) {
                    const Reconstruction r = NearerReconstruction(p, index, m, in.target);
                    const int32_t side = r.value >= in.target, at = LaneOf(index + MoveOf(m));
                    if (cost + r.error >= lanes->cost[0][side][at]) continue;
                    OfferToCell(lanes, &groupBack[GroupOf(rank, from)], side, at, cost + r.error, r.value,
                                MakeBack(SlotOf(rank, from, index), r.code));
                }
            }
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        bool any = false;
        for (int32_t at = LaneOf(in.first); at < StepEnd(in); ++at) {
            for (int32_t g = 0; g < STEP_GROUPS; ++g)
                OfferToCell(next, back, side, at, group[g].cost[0][side][at], group[g].predictor[0][side][at],
                            groupBack[g].back[0][side][at]);
            const int32_t index = at - LANE_MARGIN;
            MarkOwnPath(next, side, index, in.limit);
            if (!next->goesOn[0][side][at]) continue;
            if (!any) next->low[0][side] = index;
            next->high[0][side] = index;
            any = true;
        }
    }
}

void EncodeChannelBlockSearch(const ChannelBlock& block, AdpcmChannelState* state) {
#ifdef VELKMAR_HAVE_SSE2
    EncodeSearched(block, state, StepSse2, SEARCH_WIDTH);
#else
    EncodeSearched(block, state, StepPortable, SEARCH_WIDTH);
#endif
}

void EncodeChannelBlockSearchPortable(const ChannelBlock& block, AdpcmChannelState* state) {
    EncodeSearched(block, state, StepPortable, SEARCH_WIDTH);
}
