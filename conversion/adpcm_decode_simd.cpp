// Decoding many blocks at once. Blocks are independent, so eight channel
// blocks (eight mono blocks, or four stereo blocks' two channels) are
// decoded side by side in the eight 16-bit lanes of an SSE2 register.
//
// The step index depends only on the codes, so each batch runs in passes:
// the codes are unpacked into lanes, the index chain is run in SIMD, the
// steps are looked up, then the predictor chain is run in SIMD and the
// samples are laid back out. The predictor's clamp comes from saturating
// adds: the difference is split into two parts that each fit in int16 and
// carry the same sign, so saturating after each part is the same as
// clamping the sum. Builds without SSE2, and blocks longer than the
// batch buffers hold, use the scalar decoder; both give identical results.
#include "conversion/adpcm_block.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VELKMAR_HAVE_SSE2 1
#endif

#ifdef VELKMAR_HAVE_SSE2

namespace {

const uint32_t kLanes = 8;
const uint32_t kMaxCodes = 128;  // codes per channel block the buffers hold

struct Batch {
    alignas(16) int16_t codes[kMaxCodes][kLanes];
    alignas(16) int16_t steps[kMaxCodes][kLanes];
    alignas(16) int16_t samples[kMaxCodes + 1][kLanes];
    alignas(16) int16_t first[kLanes];
    alignas(16) int16_t index[kLanes];
};

// Decodes kLanes / channels whole blocks starting at `blocks`.
void DecodeBatch(const uint8_t* blocks, uint32_t blockBytes, uint32_t channels, uint32_t codesPerChannel,
                 Batch* batch, int16_t* out) {
    const uint32_t groupBytes = 4 * channels;
    for (uint32_t lane = 0; lane < kLanes; ++lane) {
        const uint8_t* block = blocks + (lane / channels) * blockBytes;
        const uint32_t c = lane % channels;
        batch->first[lane] = static_cast<int16_t>(block[4 * c] | (block[4 * c + 1] << 8));
        batch->index[lane] = static_cast<int16_t>(block[4 * c + 2] > IMA_MAX_STEP_INDEX ? IMA_MAX_STEP_INDEX
                                                                                        : block[4 * c + 2]);
        const uint8_t* g = block + groupBytes + 4 * c;
        for (uint32_t n = 0; n < codesPerChannel; n += 8, g += groupBytes)
            for (uint32_t b = 0; b < 4; ++b) {
                batch->codes[n + 2 * b][lane] = static_cast<int16_t>(g[b] & 15);
                batch->codes[n + 2 * b + 1][lane] = static_cast<int16_t>(g[b] >> 4);
            }
    }

    // The step index chain; the index each code is decoded with goes to
    // `steps`, to be replaced by the step itself.
    const __m128i seven = _mm_set1_epi16(7);
    const __m128i four = _mm_set1_epi16(4);
    const __m128i minusOne = _mm_set1_epi16(-1);
    const __m128i six = _mm_set1_epi16(6);
    const __m128i zero = _mm_setzero_si128();
    const __m128i maxIndex = _mm_set1_epi16(IMA_MAX_STEP_INDEX);
    __m128i index = _mm_load_si128(reinterpret_cast<const __m128i*>(batch->index));
    for (uint32_t n = 0; n < codesPerChannel; ++n) {
        _mm_store_si128(reinterpret_cast<__m128i*>(batch->steps[n]), index);
        const __m128i magnitude = _mm_and_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(batch->codes[n])), seven);
        const __m128i small = _mm_cmplt_epi16(magnitude, four);
        const __m128i up = _mm_sub_epi16(_mm_add_epi16(magnitude, magnitude), six);
        const __m128i adjust = _mm_or_si128(_mm_and_si128(small, minusOne), _mm_andnot_si128(small, up));
        index = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(index, adjust), zero), maxIndex);
    }
    int16_t* steps = &batch->steps[0][0];
    for (uint32_t k = 0; k < codesPerChannel * kLanes; ++k) steps[k] = kImaStepTable[steps[k]];

    // The predictor chain.
    const __m128i bit1 = _mm_set1_epi16(1);
    const __m128i bit2 = _mm_set1_epi16(2);
    const __m128i bit4 = _mm_set1_epi16(4);
    const __m128i bit8 = _mm_set1_epi16(8);
    __m128i predictor = _mm_load_si128(reinterpret_cast<const __m128i*>(batch->first));
    _mm_store_si128(reinterpret_cast<__m128i*>(batch->samples[0]), predictor);
    for (uint32_t n = 0; n < codesPerChannel; ++n) {
        const __m128i code = _mm_load_si128(reinterpret_cast<const __m128i*>(batch->codes[n]));
        const __m128i step = _mm_load_si128(reinterpret_cast<const __m128i*>(batch->steps[n]));
        const __m128i has4 = _mm_cmpeq_epi16(_mm_and_si128(code, bit4), bit4);
        const __m128i has2 = _mm_cmpeq_epi16(_mm_and_si128(code, bit2), bit2);
        const __m128i has1 = _mm_cmpeq_epi16(_mm_and_si128(code, bit1), bit1);
        const __m128i negative = _mm_cmpeq_epi16(_mm_and_si128(code, bit8), bit8);
        // step, and step/8 + step/2 + step/4 (at most 7/8 of 32767).
        const __m128i big = _mm_and_si128(has4, step);
        const __m128i rest = _mm_add_epi16(
            _mm_srai_epi16(step, 3),
            _mm_add_epi16(_mm_and_si128(has2, _mm_srai_epi16(step, 1)), _mm_and_si128(has1, _mm_srai_epi16(step, 2))));
        const __m128i signedBig = _mm_sub_epi16(_mm_xor_si128(big, negative), negative);
        const __m128i signedRest = _mm_sub_epi16(_mm_xor_si128(rest, negative), negative);
        predictor = _mm_adds_epi16(_mm_adds_epi16(predictor, signedBig), signedRest);
        _mm_store_si128(reinterpret_cast<__m128i*>(batch->samples[n + 1]), predictor);
    }

    const uint32_t frames = codesPerChannel + 1;
    for (uint32_t lane = 0; lane < kLanes; ++lane) {
        int16_t* o = out + (lane / channels) * frames * channels + lane % channels;
        for (uint32_t n = 0; n < frames; ++n) o[n * channels] = batch->samples[n][lane];
    }
}

}  // namespace

size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out) {
    const uint32_t frames = FramesInBlock(blockBytes, channels);
    if (frames == 0 || frames - 1 > kMaxCodes || (channels != 1 && channels != 2))
        return DecodeBlocksScalar(blocks, count, blockBytes, channels, out);
    const size_t perBatch = kLanes / channels;
    Batch batch;
    size_t b = 0;
    for (; b + perBatch <= count; b += perBatch)
        DecodeBatch(blocks + b * blockBytes, blockBytes, channels, frames - 1, &batch,
                    out + b * static_cast<size_t>(frames) * channels);
    DecodeBlocksScalar(blocks + b * blockBytes, count - b, blockBytes, channels,
                       out + b * static_cast<size_t>(frames) * channels);
    return count * frames;
}

#else

size_t DecodeBlocks(const uint8_t* blocks, size_t count, uint32_t blockBytes, uint32_t channels,
                    int16_t* out) {
    return DecodeBlocksScalar(blocks, count, blockBytes, channels, out);
}

#endif
