// Block decoding. The reference decoder follows the format code by code.
// The fast one does each code with one table lookup, the difference and
// the next step index together, and runs two channel blocks side by side
// (the two channels of a stereo block, or two mono blocks), so that the
// processor overlaps their chains of lookups.
#include "conversion/codec/adpcm_decode.h"

#include "conversion/codec/byte_order.h"
#include "conversion/codec/adpcm_ima.h"

namespace {

// What the decoder does for a code at a step index: the signed difference
// and the row of the next lookup (the next step index times 16).
struct DecodeStep {
    int32_t difference;
    int32_t nextRow;
};

struct DecodeTable {
    DecodeStep step[IMA_STEP_INDICES * 16];
};

constexpr DecodeTable MakeDecodeTable() {
    DecodeTable t = {};
    for (int32_t i = 0; i < IMA_STEP_INDICES; ++i)
        for (uint32_t code = 0; code < 16; ++code) {
            const int32_t difference = ImaDifference(i, code & 7);
            t.step[i * 16 + code] = {code & IMA_SIGN_BIT ? -difference : difference, ImaNextIndex(i, code) * 16};
        }
    return t;
}

constexpr DecodeTable DECODE_TABLE = MakeDecodeTable();

// One channel block on its way through the decoder.
struct Chain {
    int32_t predictor;
    int32_t row;
    const uint8_t* group;  // the next group of codes
    int16_t* out;          // where the next sample goes
};

Chain StartChain(const uint8_t* header, const uint8_t* firstGroup, int16_t* out) {
    const AdpcmChannelState state = ReadChannelHeader(header);
    *out = static_cast<int16_t>(state.predictor);
    return {state.predictor, state.stepIndex * 16, firstGroup, out};
}

inline void DecodeCode(Chain* chain, uint32_t code, size_t outStride) {
    const DecodeStep step = DECODE_TABLE.step[chain->row + code];
    chain->predictor = ClampSample(chain->predictor + step.difference);
    chain->row = step.nextRow;
    chain->out += outStride;
    *chain->out = static_cast<int16_t>(chain->predictor);
}

// Decodes `groups` groups of two chains, code by code in turn.
void DecodeTwoChains(Chain a, Chain b, uint32_t groups, size_t groupStride, size_t outStride) {
    for (uint32_t g = 0; g < groups; ++g, a.group += groupStride, b.group += groupStride) {
        uint32_t codesA = ReadLe32(a.group);
        uint32_t codesB = ReadLe32(b.group);
        for (uint32_t k = 0; k < CODES_PER_GROUP; ++k, codesA >>= 4, codesB >>= 4) {
            DecodeCode(&a, codesA & 15, outStride);
            DecodeCode(&b, codesB & 15, outStride);
        }
    }
}

}  // namespace

uint32_t DecodeBlockReference(const uint8_t* block, uint32_t bytes, uint32_t channels, int16_t* out) {
    const uint32_t frames = FramesInBlock(bytes, channels);
    if (frames == 0) return 0;
    const size_t groupStride = GROUP_BYTES * channels;
    for (uint32_t c = 0; c < channels; ++c) {
        AdpcmChannelState state = ReadChannelHeader(block + CHANNEL_HEADER_BYTES * c);
        out[c] = static_cast<int16_t>(state.predictor);
        const uint8_t* group = block + CHANNEL_HEADER_BYTES * channels + GROUP_BYTES * c;
        for (uint32_t n = 0; n + 1 < frames; ++n) {
            const uint8_t byte = group[(n / CODES_PER_GROUP) * groupStride + (n % CODES_PER_GROUP) / 2];
            const uint32_t code = n % 2 == 0 ? byte & 15u : byte >> 4;
            out[(n + 1) * channels + c] = static_cast<int16_t>(DecodeNibble(&state, code));
        }
    }
    return frames;
}

size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out) {
    const uint32_t frames = FramesInBlock(blockBytes, channels);
    if (frames == 0) return 0;
    const uint32_t groups = (frames - 1) / CODES_PER_GROUP;
    const size_t headers = CHANNEL_HEADER_BYTES * channels;
    const size_t blockSamples = static_cast<size_t>(frames) * channels;
    size_t b = 0;
    if (channels == 2) {
        for (; b < count; ++b) {
            const uint8_t* block = blocks + b * blockBytes;
            int16_t* o = out + b * blockSamples;
            DecodeTwoChains(StartChain(block, block + headers, o),
                            StartChain(block + CHANNEL_HEADER_BYTES, block + headers + GROUP_BYTES, o + 1),
                            groups, 2 * GROUP_BYTES, 2);
        }
    } else {
        for (; b + 2 <= count; b += 2) {
            const uint8_t* block = blocks + b * blockBytes;
            int16_t* o = out + b * blockSamples;
            DecodeTwoChains(StartChain(block, block + headers, o),
                            StartChain(block + blockBytes, block + blockBytes + headers, o + blockSamples),
                            groups, GROUP_BYTES, 1);
        }
        if (b < count) DecodeBlockReference(blocks + b * blockBytes, blockBytes, 1, out + b * blockSamples);
    }
    return count * frames;
}
