// Encoding one channel of one game block. Each encoder writes the block's
// header (the first input sample and the step index it chooses) and its
// codes, carries the state from block to block in *state (the step index
// the last block ended in on the way in, the state the decoder ends this
// block in on the way out) and, when block.predicted is set, gives the
// samples the decoder will reconstruct.
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_ENCODE_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_ENCODE_H

#include "conversion/codec/adpcm_ima.h"

// The plain encoder: the nearest code sample by sample, from the starting
// step index that serves those codes best.
void EncodeChannelBlockPlain(const ChannelBlock& block, AdpcmChannelState* state);

// The search encoder: a search over the decoder's states for the header
// and codes of least squared error (see adpcm_search.cpp). Uses SSE2
// where the build has it.
void EncodeChannelBlockSearch(const ChannelBlock& block, AdpcmChannelState* state);

// The same search in its portable form, without SSE2: identical results.
void EncodeChannelBlockSearchPortable(const ChannelBlock& block, AdpcmChannelState* state);

#endif
