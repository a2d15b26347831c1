// The search encoder: chooses each block's header and codes for the least
// squared error the decoder will reconstruct.
//
// A block starts from its header alone, so blocks are searched one at a
// time. The decoder's state after each code is (predictor, step index).
// The search is a Viterbi search over the step index that keeps more than
// one path per index: for each step index and each side of the input
// sample (reconstruction below it, or at or above it) a cell keeps the
// cheapest path so far that ends there and, as its runner-up, the cheapest
// that ends in another predictor. Runners-up are extended only in the
// RUNNER_UP_CELLS cells (of those that have one) whose cheapest paths cost
// least: elsewhere they seldom lead anywhere. All 89 indices
// start the block, which is how the header's index is chosen. Each path is
// extended by every magnitude, each with the sign whose clamped
// reconstruction lies nearer the input (near the rails the clamp can make
// the sign away from the input exact). Paths cost their squared error; the
// cheapest at the block's end is traced back to its codes.
//
// Paths are compared by key (cost, then predictor). Where two keys are
// equal the paths end in one state, so what a cell keeps does not depend
// on the order in which paths are offered. No way back is stored: a path's
// predecessor is found again as the first extended path, in slot order
// (slot = plane * 89 + step index, plane = side * SEARCH_WIDTH + rank,
// rank 0 being a cell's cheapest), then by magnitude, whose extension has
// the path's key.
//
// Greedy codes bound the search: a path that already costs more than a
// complete greedy block is dropped; now and then the cheapest path so far,
// finished greedily, tightens the bound.
//
// The inner step, a path's eight magnitudes towards the next input sample,
// comes in two forms (adpcm_search.h); the search is the same with either.
// The search's width: SEARCH_WIDTH paths per cell, RUNNER_UP_CELLS cells
// whose runners-up go on; two and four here, chosen by the yardstick in
// bench/search_optimum.cpp (bench/README.md has the figures).
#include <cstring>
#include <initializer_list>

#include "conversion/codec/adpcm_encode.h"
#include "conversion/codec/adpcm_search.h"

namespace {

const int32_t SEARCH_WIDTH = 2;
const int32_t SEARCH_SIDES = 2;
const int32_t SEARCH_PLANES = SEARCH_SIDES * SEARCH_WIDTH;
const int32_t SEARCH_CELLS = SEARCH_SIDES * IMA_STEP_INDICES + 1;  // and the sink
const int32_t RUNNER_UP_CELLS = 4;
const int32_t TIGHTEN_EVERY = 16;
const uint32_t SMALL_MAGNITUDES = 4;  // those that lower the step index
const int32_t MAX_PREDECESSORS = 24;  // of step index 88

inline int32_t SlotOf(int32_t plane, int32_t index) { return plane * IMA_STEP_INDICES + index; }
inline int32_t SlotPlane(int32_t slot) { return slot / IMA_STEP_INDICES; }
inline int32_t SlotIndex(int32_t slot) { return slot % IMA_STEP_INDICES; }
inline int32_t PlaneSide(int32_t plane) { return plane / SEARCH_WIDTH; }
inline int32_t PlaneRank(int32_t plane) { return plane % SEARCH_WIDTH; }

// Per step index, the (index, magnitude) pairs the decoder reaches it
// from, in ascending order; `count` of them.
struct Predecessors {
    uint8_t count[IMA_STEP_INDICES];
    uint8_t index[IMA_STEP_INDICES][MAX_PREDECESSORS];
    uint8_t magnitude[IMA_STEP_INDICES][MAX_PREDECESSORS];
};

constexpr Predecessors MakePredecessors() {
    Predecessors t = {};
    for (int32_t from = 0; from < IMA_STEP_INDICES; ++from)
        for (uint32_t m = 0; m < IMA_MAGNITUDES; ++m) {
            const int32_t to = ImaNextIndex(from, m);
            t.index[to][t.count[to]] = static_cast<uint8_t>(from);
            t.magnitude[to][t.count[to]] = static_cast<uint8_t>(m);
            ++t.count[to];
        }
    return t;
}

constexpr Predecessors PREDECESSORS = MakePredecessors();

// The paths that end at one step index on one side, cheapest first.
struct Cell {
    Key key[SEARCH_WIDTH];
};

// The paths after some codes: the cells (by CellOf), which hold paths
// only at indices lowest..highest; per side the indices whose cells hold
// paths, in ascending order; and the cells whose runners-up are extended.
struct Frontier {
    Cell cell[SEARCH_CELLS];
    int32_t lowest;
    int32_t highest;
    int32_t liveCount[SEARCH_SIDES];
    uint8_t live[SEARCH_SIDES][IMA_STEP_INDICES];
    int32_t runnerUpCount;
    int16_t runnerUpCell[RUNNER_UP_CELLS];
};

// A search of one block: its input, the form of the inner step, the bound
// with the path that set it (the search's path into boundSlot up to code
// boundAt, then the greedy codes in tail; all greedy when boundAt is -1),
// the frontier after every code, and room for one code's extensions.
struct Search {
    ChannelBlock block;
    ExtendForm extend;
    uint64_t bound;
    int32_t boundAt;
    int32_t boundSlot;
    uint8_t tail[GAME_CODES_PER_BLOCK];
    Frontier frontier[GAME_CODES_PER_BLOCK + 1];
    Extension extensions[SEARCH_PLANES * IMA_STEP_INDICES];
    uint32_t within[SEARCH_PLANES * IMA_STEP_INDICES];
};

// A slot and the key of its path (slot -1 for none).
struct SlotKey {
    int32_t slot;
    Key key;
};

inline int32_t Target(const Search& search, int32_t n) {
    return search.block.samples[static_cast<size_t>(n + 1) * search.block.stride];
}

inline Key KeyAt(const Frontier& frontier, int32_t plane, int32_t index) {
    return frontier.cell[CellOf(PlaneSide(plane), index)].key[PlaneRank(plane)];
}

// Whether a slot's path is extended to the next code: a cell's cheapest
// path if it has one, a runner-up if its cell is one of the chosen.
inline bool Extended(const Frontier& frontier, int32_t plane, int32_t index) {
    const int32_t cell = CellOf(PlaneSide(plane), index);
    if (PlaneRank(plane) == 0) return frontier.cell[cell].key[0] != NO_PATH;
    for (int32_t k = 0; k < frontier.runnerUpCount; ++k)
        if (frontier.runnerUpCell[k] == cell) return true;
    return false;
}

// Offers a path to a cell, which keeps its cheapest path and the cheapest
// to another predictor than that one's.
inline void Offer(Cell* cell, Key key) {
    static_assert(SEARCH_WIDTH == 2, "a cell holds its cheapest path and a runner-up");
    // Of the candidate and the cheapest, the lesser is the cheapest and the
    // greater may be the runner-up, unless both end in one predictor (then
    // they are one state, and only the lesser counts). Written for
    // conditional moves: whether a path enters is a coin toss.
    const Key first = cell->key[0];
    const Key second = cell->key[1];
    const bool less = key < first;
    const Key greater = less ? first : key;
    const Key runnerUp = greater < second ? greater : second;
    cell->key[0] = less ? key : first;
    cell->key[1] = SamePredictor(key, first) ? second : runnerUp;
}

// Offers `count` paths' extensions to the cells, magnitude by magnitude:
// one path's extensions by the small magnitudes all go to two cells, and
// offers to one cell in a row would wait for each other. The large
// magnitudes rarely stay within the bound. Kept out of line: inlined, it
// leaves the compiler too few registers for the loop.
__attribute__((noinline)) void OfferExtensions(Cell* cells, const Extension* extensions, const uint32_t* within,
                                               int32_t count) {
    for (uint32_t m = 0; m < SMALL_MAGNITUDES; ++m)
        for (int32_t k = 0; k < count; ++k) Offer(&cells[extensions[k].cell[m]], extensions[k].key[m]);
    for (int32_t k = 0; k < count; ++k)
        if (within[k] >> SMALL_MAGNITUDES)
            for (uint32_t m = SMALL_MAGNITUDES; m < IMA_MAGNITUDES; ++m)
                Offer(&cells[extensions[k].cell[m]], extensions[k].key[m]);
}

// Lists a frontier's live cells, and chooses the runners-up to extend:
// those of the RUNNER_UP_CELLS cells whose cheapest paths have the least
// keys (of equal keys, the first in cell order).
void Settle(Frontier* frontier) {
    Key least[RUNNER_UP_CELLS];
    frontier->runnerUpCount = 0;
    for (int32_t side = 0; side < SEARCH_SIDES; ++side) {
        int32_t count = 0;
        for (int32_t index = frontier->lowest; index <= frontier->highest; ++index) {
            const Cell& cell = frontier->cell[CellOf(side, index)];
            frontier->live[side][count] = static_cast<uint8_t>(index);
            count += cell.key[0] != NO_PATH;
            if (cell.key[1] == NO_PATH ||
                (frontier->runnerUpCount == RUNNER_UP_CELLS && cell.key[0] >= least[RUNNER_UP_CELLS - 1]))
                continue;
            int32_t k = frontier->runnerUpCount;
            for (; k > 0 && least[k - 1] > cell.key[0]; --k)
                if (k < RUNNER_UP_CELLS) {
                    least[k] = least[k - 1];
                    frontier->runnerUpCell[k] = frontier->runnerUpCell[k - 1];
                }
            if (k == RUNNER_UP_CELLS) continue;
            least[k] = cell.key[0];
            frontier->runnerUpCell[k] = static_cast<int16_t>(CellOf(side, index));
            if (frontier->runnerUpCount < RUNNER_UP_CELLS) ++frontier->runnerUpCount;
        }
        frontier->liveCount[side] = count;
    }
}

// Code n: the paths of frontier n extended towards the input into frontier
// n + 1, whose cells reach from one index below the lowest path to eight
// above the highest. All extensions first, then the offers: the cells the
// offers change are then known early.
void Step(Search* search, int32_t n) {
    const Frontier& current = search->frontier[n];
    Frontier* next = &search->frontier[n + 1];
    int32_t lowest = IMA_MAX_STEP_INDEX, highest = 0;
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        if (current.liveCount[side] > 0) {
            lowest = current.live[side][0] < lowest ? current.live[side][0] : lowest;
            const int32_t top = current.live[side][current.liveCount[side] - 1];
            highest = top > highest ? top : highest;
        }
    next->lowest = lowest > 0 ? lowest - 1 : 0;
    next->highest = highest + 8 < IMA_MAX_STEP_INDEX ? highest + 8 : IMA_MAX_STEP_INDEX;
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t index = next->lowest; index <= next->highest; ++index)
            for (Key& key : next->cell[CellOf(side, index)].key) key = NO_PATH;
    const int32_t target = Target(*search, n);
    int32_t count = 0;
    const auto extend = [&](Key key, int32_t index) {
        if (KeyCost(key) > search->bound) return;
        search->within[count] = search->extend(key, index, target, search->bound, &search->extensions[count]);
        ++count;
    };
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t k = 0; k < current.liveCount[side]; ++k) {
            const int32_t index = current.live[side][k];
            extend(current.cell[CellOf(side, index)].key[0], index);
        }
    for (int32_t k = 0; k < current.runnerUpCount; ++k) {
        const int32_t cell = current.runnerUpCell[k];
        extend(current.cell[cell].key[1], cell % IMA_STEP_INDICES);
    }
    OfferExtensions(next->cell, search->extensions, search->within, count);
    Settle(next);
}

// The slot of frontier n with the least key within the bound (a cell's
// cheapest path is never dearer than its runner-up).
SlotKey Cheapest(const Search& search, int32_t n) {
    const Frontier& frontier = search.frontier[n];
    SlotKey best = {-1, NO_PATH};
    for (int32_t side = 0; side < SEARCH_SIDES; ++side)
        for (int32_t k = 0; k < frontier.liveCount[side]; ++k) {
            const int32_t index = frontier.live[side][k];
            const Key key = frontier.cell[CellOf(side, index)].key[0];
            if (KeyCost(key) <= search.bound && key < best.key) best = {SlotOf(side * SEARCH_WIDTH, index), key};
        }
    return best;
}

// After code n: finishes the cheapest path so far greedily; if that beats
// the bound, it becomes the bound.
void Tighten(Search* search, int32_t n) {
    const SlotKey best = Cheapest(*search, n + 1);
    const uint64_t cost = KeyCost(best.key);
    if (best.slot < 0 || cost >= search->bound) return;
    uint8_t trial[GAME_CODES_PER_BLOCK];
    const AdpcmChannelState state = {KeyPredictor(best.key), SlotIndex(best.slot)};
    const uint64_t total = cost + GreedyCodes(search->block, n + 1, state, trial, search->bound - cost);
    if (total >= search->bound) return;
    search->bound = total;
    search->boundAt = n;
    search->boundSlot = best.slot;
    std::memcpy(search->tail + n + 1, trial + n + 1, static_cast<size_t>(GAME_CODES_PER_BLOCK - n - 1));
}

// Runs the search from every starting step index; returns the cheapest
// slot at the block's end.
SlotKey Run(Search* search) {
    Frontier* start = &search->frontier[0];
    start->lowest = 0;
    start->highest = IMA_MAX_STEP_INDEX;
    for (int32_t index = 0; index < IMA_STEP_INDICES; ++index) {
        for (int32_t side = 0; side < SEARCH_SIDES; ++side)
            for (int32_t rank = 0; rank < SEARCH_WIDTH; ++rank) start->cell[CellOf(side, index)].key[rank] = NO_PATH;
        start->cell[CellOf(0, index)].key[0] = MakeKey(0, search->block.samples[0]);
    }
    Settle(start);
    for (int32_t n = 0; n < GAME_CODES_PER_BLOCK; ++n) {
        Step(search, n);
        if (n % TIGHTEN_EVERY == TIGHTEN_EVERY - 1 && n + 1 < GAME_CODES_PER_BLOCK) Tighten(search, n);
    }
    return Cheapest(*search, GAME_CODES_PER_BLOCK);
}

// The way into `slot` after code n: the slot of frontier n the path came
// from, the first whose extension gives the slot's key; stores its code.
int32_t WayBack(const Search& search, int32_t n, int32_t slot, uint8_t* code) {
    const Frontier& from = search.frontier[n];
    const Key key = KeyAt(search.frontier[n + 1], SlotPlane(slot), SlotIndex(slot));
    const int32_t to = SlotIndex(slot);
    const bool above = PlaneSide(SlotPlane(slot)) == 1;
    const int32_t target = Target(search, n);
    for (int32_t plane = 0; plane < SEARCH_PLANES; ++plane)
        for (int32_t k = 0; k < PREDECESSORS.count[to]; ++k) {
            const int32_t index = PREDECESSORS.index[to][k];
            if (index < from.lowest || index > from.highest || !Extended(from, plane, index)) continue;
            const Key source = KeyAt(from, plane, index);
            const Reconstruction r =
                NearerReconstruction(KeyPredictor(source), index, PREDECESSORS.magnitude[to][k], target);
            if ((r.value >= target) == above && MakeKey(KeyCost(source) + r.error, r.value) == key) {
                *code = static_cast<uint8_t>(r.code);
                return SlotOf(plane, index);
            }
        }
    return -1;  // not reached: every path in a frontier came from one before
}

// Traces the path into `slot` after code `last` back to the block's start:
// stores its codes at path[0..last] and returns its starting index (-1
// if the trace fails, which it does not).
int32_t TraceBack(const Search& search, int32_t last, int32_t slot, uint8_t* path) {
    for (int32_t n = last; n >= 0 && slot >= 0; --n) slot = WayBack(search, n, slot, &path[n]);
    return slot < 0 ? -1 : SlotIndex(slot);
}

// The greedy codes that start the search: from the step index the last
// block ended in and a few around it, the best. Returns their error.
uint64_t StartingBound(const ChannelBlock& block, const AdpcmChannelState& state, uint8_t* path,
                       int32_t* startIndex) {
    uint8_t trial[GAME_CODES_PER_BLOCK];
    *startIndex = state.stepIndex;
    uint64_t bound = GreedyCodes(block, 0, {block.samples[0], state.stepIndex}, path, UINT64_MAX);
    for (int32_t offset : {-8, -3, 3, 8}) {
        const int32_t index = ClampStepIndex(state.stepIndex + offset);
        const uint64_t error = GreedyCodes(block, 0, {block.samples[0], index}, trial, bound);
        if (error < bound) {
            bound = error;
            *startIndex = index;
            std::memcpy(path, trial, sizeof trial);
        }
    }
    return bound;
}

void EncodeSearched(const ChannelBlock& block, AdpcmChannelState* state, ExtendForm extend) {
    uint8_t greedy[GAME_CODES_PER_BLOCK];
    int32_t greedyIndex = 0;
    Search search;
    search.block = block;
    search.extend = extend;
    search.bound = StartingBound(block, *state, greedy, &greedyIndex);
    search.boundAt = -1;
    search.boundSlot = 0;
    const SlotKey end = Run(&search);

    // The search's path, or the bound's: traced back from its last slot,
    // or all greedy.
    uint8_t path[GAME_CODES_PER_BLOCK];
    int32_t startIndex = -1;
    if (end.slot >= 0 && KeyCost(end.key) < search.bound) {
        startIndex = TraceBack(search, GAME_CODES_PER_BLOCK - 1, end.slot, path);
    } else if (search.boundAt >= 0) {
        const int32_t last = search.boundAt;
        std::memcpy(path + last + 1, search.tail + last + 1, static_cast<size_t>(GAME_CODES_PER_BLOCK - last - 1));
        startIndex = TraceBack(search, last, search.boundSlot, path);
    }
    if (startIndex < 0) {
        std::memcpy(path, greedy, sizeof path);
        startIndex = greedyIndex;
    }
    WriteChannelBlock(block, startIndex, path, state);
}

}  // namespace

uint32_t ExtendPortable(Key key, int32_t stepIndex, int32_t target, uint64_t bound, Extension* out) {
    const int32_t p = KeyPredictor(key);
    const uint64_t cost = KeyCost(key);
    uint32_t within = 0;
    for (uint32_t m = 0; m < IMA_MAGNITUDES; ++m) {
        const Reconstruction r = NearerReconstruction(p, stepIndex, m, target);
        const bool kept = cost + r.error <= bound;
        out->key[m] = MakeKey(cost + r.error, r.value);
        out->cell[m] = static_cast<uint16_t>(kept ? CellOf(r.value >= target, IMA_TRANSITIONS.next[stepIndex][m])
                                                  : SINK_CELL);
        within |= static_cast<uint32_t>(kept) << m;
    }
    return within;
}

void EncodeChannelBlockSearch(const ChannelBlock& block, AdpcmChannelState* state) {
#ifdef VELKMAR_HAVE_SSE2
    EncodeSearched(block, state, ExtendSse2);
#else
    EncodeSearched(block, state, ExtendPortable);
#endif
}

void EncodeChannelBlockSearchPortable(const ChannelBlock& block, AdpcmChannelState* state) {
    EncodeSearched(block, state, ExtendPortable);
}
