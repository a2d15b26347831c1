// IMA ADPCM: the tables, the block layout and the primitives that the
// decoder, the plain encoder and the search share.
//
// A block holds, for each channel, a 4-byte header (the first sample as
// int16 little-endian, the step index, a reserved byte), then 4-bit codes,
// low nibble first, in groups of 4 bytes (8 codes) per channel, the
// channels' groups interleaved. A code is a sign bit (8) and a magnitude
// (0..7). The decoder adds the magnitude's difference, (step>>3) plus, by
// the magnitude's bits 4, 2 and 1, step, step>>1 and step>>2, to the
// predictor (subtracts it when the sign is set), clamps the sum to int16,
// and moves the step index by the index table, clamped to 0..88.
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_IMA_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_IMA_H

#include <cstddef>
#include <cstdint>

#include "conversion/codec/sound_info.h"

const int32_t IMA_MAX_STEP_INDEX = 88;
const int32_t IMA_STEP_INDICES = IMA_MAX_STEP_INDEX + 1;
const uint32_t IMA_MAGNITUDES = 8;
const uint32_t IMA_SIGN_BIT = 8;
const int32_t SAMPLE_MIN = -32768;
const int32_t SAMPLE_MAX = 32767;

// The block layout, per channel.
const uint32_t CHANNEL_HEADER_BYTES = 4;
const uint32_t HEADER_STEP_INDEX = 2;  // offsets in a channel header: the sample is at 0
const uint32_t HEADER_RESERVED = 3;
const uint32_t GROUP_BYTES = 4;
const uint32_t CODES_PER_GROUP = 8;

// The block layout the game reads (GAME_BLOCK_BYTES_PER_CHANNEL): 65
// frames a block.
const uint32_t GAME_FRAMES_PER_BLOCK = 65;
const int32_t GAME_CODES_PER_BLOCK = 64;

inline constexpr int16_t IMA_STEP_TABLE[IMA_STEP_INDICES] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

inline constexpr int8_t IMA_INDEX_TABLE[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

inline constexpr int32_t ClampSample(int32_t value) {
    return value < SAMPLE_MIN ? SAMPLE_MIN : value > SAMPLE_MAX ? SAMPLE_MAX : value;
}

inline constexpr int32_t ClampStepIndex(int32_t index) {
    return index < 0 ? 0 : index > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX : index;
}

// The difference a magnitude (0..7) adds at a step index: the reference
// arithmetic, the one rule every table below is made from.
inline constexpr int32_t ImaDifference(int32_t stepIndex, uint32_t magnitude) {
    const int32_t step = IMA_STEP_TABLE[stepIndex];
    return (step >> 3) + ((magnitude & 4) ? step : 0) + ((magnitude & 2) ? step >> 1 : 0) +
           ((magnitude & 1) ? step >> 2 : 0);
}

// The step index after a code (its sign is ignored).
inline constexpr int32_t ImaNextIndex(int32_t stepIndex, uint32_t code) {
    return ClampStepIndex(stepIndex + IMA_INDEX_TABLE[code & 15]);
}

// ImaDifference and ImaNextIndex by table, and the sums of neighbouring
// differences (twice the midpoints between reconstructions, where the
// nearest magnitude changes).
struct ImaTransitions {
    int32_t difference[IMA_STEP_INDICES][IMA_MAGNITUDES];
    int32_t midpoint[IMA_STEP_INDICES][IMA_MAGNITUDES - 1];
    uint8_t next[IMA_STEP_INDICES][IMA_MAGNITUDES];
};
extern const ImaTransitions IMA_TRANSITIONS;

// Decoder state of one channel.
struct AdpcmChannelState {
    int32_t predictor;  // last reconstructed sample, -32768..32767
    int32_t stepIndex;  // 0..88
};

// Reconstructs one code and updates the state; returns the new sample.
inline int32_t DecodeNibble(AdpcmChannelState* state, uint32_t code) {
    const int32_t difference = IMA_TRANSITIONS.difference[state->stepIndex][code & 7];
    state->predictor =
        ClampSample(code & IMA_SIGN_BIT ? state->predictor - difference : state->predictor + difference);
    state->stepIndex = IMA_TRANSITIONS.next[state->stepIndex][code & 7];
    return state->predictor;
}

// The squared distance of two samples (at most 65535 squared).
inline uint32_t SquaredError(int32_t a, int32_t b) {
    const uint32_t d = static_cast<uint32_t>(a > b ? a - b : b - a);
    return d * d;
}

// One code's reconstruction and its squared error against the input.
struct Reconstruction {
    uint32_t code;
    int32_t value;
    uint32_t error;
};

// True when no magnitude from predictor p at the step index reaches a rail,
// so that the sign towards the input is always the nearer one.
inline bool ClearOfRails(int32_t p, int32_t stepIndex) {
    const int32_t reach = IMA_TRANSITIONS.difference[stepIndex][IMA_MAGNITUDES - 1];
    return p + reach <= SAMPLE_MAX && p - reach >= SAMPLE_MIN;
}

// A magnitude from decoder state (p, stepIndex) with the sign whose clamped
// reconstruction lies nearer the target (the sign towards it on a tie).
// Near the rails the clamp can make the sign away from the target exact.
Reconstruction NearerSign(int32_t p, int32_t stepIndex, uint32_t magnitude, int32_t target);

// The same away from the rails, where it is the sign towards the target.
inline Reconstruction TowardsTarget(int32_t p, int32_t stepIndex, uint32_t magnitude, int32_t target) {
    // Without branches: which side the input lies on is a coin toss.
    const int32_t negative = -static_cast<int32_t>(target < p);  // 0 or -1
    const int32_t value = p + ((IMA_TRANSITIONS.difference[stepIndex][magnitude] ^ negative) - negative);
    const uint32_t distance = static_cast<uint32_t>(target - value);
    return {magnitude | (IMA_SIGN_BIT & static_cast<uint32_t>(negative)), value, distance * distance};
}

// NearerSign or, where it is clear of the rails, TowardsTarget.
inline Reconstruction NearerReconstruction(int32_t p, int32_t stepIndex, uint32_t magnitude, int32_t target) {
    return ClearOfRails(p, stepIndex) ? TowardsTarget(p, stepIndex, magnitude, target)
                                      : NearerSign(p, stepIndex, magnitude, target);
}

// NearestCode where a magnitude may reach a rail: every magnitude tried.
Reconstruction NearestCodeNearRails(int32_t p, int32_t stepIndex, int32_t target);

// The code whose reconstruction from (p, stepIndex) lies nearest the
// target, the smaller magnitude winning ties.
inline Reconstruction NearestCode(int32_t p, int32_t stepIndex, int32_t target) {
    if (!ClearOfRails(p, stepIndex)) return NearestCodeNearRails(p, stepIndex, target);
    // Errors fall, then rise with the magnitude: it is the number of
    // midpoints the distance to the input lies beyond.
    const int32_t twice = 2 * (target < p ? p - target : target - p);
    const int32_t* mid = IMA_TRANSITIONS.midpoint[stepIndex];
    uint32_t m = 0;
    for (uint32_t k = 0; k + 1 < IMA_MAGNITUDES; ++k) m += twice > mid[k];
    return TowardsTarget(p, stepIndex, m, target);
}

// Frames a block of blockBytes bytes holds (channels 1 or 2); for a shorter,
// final block, the frames its whole groups give; 0 when not even the
// headers fit.
uint32_t FramesInBlock(uint32_t blockBytes, uint32_t channels);

// The state a channel header starts the decoder in (an index above 88
// is read as 88).
AdpcmChannelState ReadChannelHeader(const uint8_t* header);

// One channel of one game block being encoded: where its input comes from
// and where its bytes go.
struct ChannelBlock {
    const int16_t* samples;  // GAME_FRAMES_PER_BLOCK input samples, `stride` apart
    size_t stride;
    uint8_t* header;         // the channel's 4-byte header
    uint8_t* codes;          // its first group; its groups lie groupStride bytes apart
    size_t groupStride;
    int16_t* predicted;      // when not null, receives the samples the decoder reconstructs
};

// Greedy codes for codes `from`.. of a block, from decoder state `state`
// on: the nearest code sample by sample. Stores them at path[from..] and
// returns their squared error; stops early, returning at least `enough`,
// once the error reaches it.
uint64_t GreedyCodes(const ChannelBlock& block, int32_t from, AdpcmChannelState state, uint8_t* path,
                     uint64_t enough);

// The same for a whole block from each of `count` (at most
// MAX_SIDE_BY_SIDE) starting states, side by side, so that the processor
// overlaps their chains: the codes in paths[k], their error in errors[k].
const int32_t MAX_SIDE_BY_SIDE = 8;
void GreedyCodesSideBySide(const ChannelBlock& block, const AdpcmChannelState* starts, int32_t count,
                           uint8_t (*paths)[GAME_CODES_PER_BLOCK], uint64_t* errors);

// Writes a channel block: the header (the first input sample and
// startIndex) and the GAME_CODES_PER_BLOCK codes of `path`. Fills
// block.predicted when set and leaves in *state the state the decoder ends
// the block in.
void WriteChannelBlock(const ChannelBlock& block, int32_t startIndex, const uint8_t* path,
                       AdpcmChannelState* state);

#endif
