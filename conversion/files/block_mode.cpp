// Reading a packed file's mode from the headers of its blocks.
#include "conversion/files/block_mode.h"

#include <cstdio>
#include <cstdlib>

#include "conversion/codec/adpcm_ima.h"
#include "conversion/files/file_access.h"

namespace {

// Bytes of a block per channel that are tried: the game's first.
const uint32_t BLOCK_SIZES[] = {GAME_BLOCK_BYTES_PER_CHANNEL, 32, 64, 128, 256, 512, 1024, 2048};

// A mode is shown when this share of the non-silent blocks fits it, at
// least MIN_BLOCKS of them, and the other mode's reading fails as it must:
// a stereo file read as mono fits at about every other block (its own
// starts, not their middles), a mono file read as stereo seldom (a fifth
// of its blocks in near full-scale sound). Read at twice its block size,
// a file fits both readings, which decides nothing.
const double CLEAR_SHARE = 0.9;
const double MONO_READING_OF_STEREO = 0.8;
const double STEREO_READING_OF_MONO = 0.5;
const uint64_t MIN_BLOCKS = 4;

// The prefixes of a file read in turn until one decides; what the last
// one leaves undecided stays so, as does what FIRM_BLOCKS non-silent
// blocks leave undecided.
const size_t PREFIXES[] = {64u << 10, 1u << 20, 16u << 20, 64u << 20};
const size_t PREFIX_COUNT = sizeof PREFIXES / sizeof PREFIXES[0];
const uint64_t FIRM_BLOCKS = 4096;

bool ValidHeader(const uint8_t* p) { return p[HEADER_STEP_INDEX] <= IMA_MAX_STEP_INDEX && p[HEADER_RESERVED] == 0; }

bool Silent(const uint8_t* p, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (p[i]) return false;
    return true;
}

BlockEvidence CountFits(const uint8_t* data, size_t length, uint32_t blockBytes) {
    BlockEvidence evidence = {blockBytes, 0, 0, 0, 0};
    for (size_t at = 0; length - at >= blockBytes; at += blockBytes) {
        if (Silent(data + at, blockBytes)) continue;
        ++evidence.monoStarts;
        evidence.monoFits += ValidHeader(data + at);
    }
    for (size_t at = 0; length - at >= 2 * blockBytes; at += 2 * blockBytes) {
        if (Silent(data + at, 2 * blockBytes)) continue;
        ++evidence.stereoStarts;
        evidence.stereoFits += ValidHeader(data + at) && ValidHeader(data + at + CHANNEL_HEADER_BYTES);
    }
    return evidence;
}

double Share(uint64_t part, uint64_t whole) { return whole == 0 ? 0.0 : double(part) / double(whole); }

BlockMode Judge(const BlockEvidence& e) {
    const double mono = Share(e.monoFits, e.monoStarts);
    const double stereo = Share(e.stereoFits, e.stereoStarts);
    if (e.monoStarts >= MIN_BLOCKS && mono >= CLEAR_SHARE && stereo <= STEREO_READING_OF_MONO) return BLOCKS_MONO;
    if (e.stereoStarts >= MIN_BLOCKS && stereo >= CLEAR_SHARE && mono <= MONO_READING_OF_STEREO) return BLOCKS_STEREO;
    return BLOCKS_UNDECIDED;
}

}  // namespace

BlockMode DetectBlockMode(const uint8_t* data, size_t length, BlockEvidence* evidence) {
    BlockMode decided = BLOCKS_UNDECIDED;
    BlockEvidence shown = CountFits(data, length, GAME_BLOCK_BYTES_PER_CHANNEL);
    bool contradicted = false;
    for (uint32_t blockBytes : BLOCK_SIZES) {
        const BlockEvidence counts = blockBytes == GAME_BLOCK_BYTES_PER_CHANNEL ? shown : CountFits(data, length, blockBytes);
        const BlockMode mode = Judge(counts);
        if (mode == BLOCKS_UNDECIDED) continue;
        if (decided == BLOCKS_UNDECIDED) {
            decided = mode;
            shown = counts;
        } else if (mode != decided) {
            contradicted = true;
        }
    }
    if (contradicted) {
        decided = BLOCKS_UNDECIDED;
        shown = CountFits(data, length, GAME_BLOCK_BYTES_PER_CHANNEL);
    }
    if (evidence) *evidence = shown;
    return decided;
}

ConvStatus DetectFileBlockMode(const char* path, BlockMode* mode, BlockEvidence* evidence) {
    FILE* file = OpenSourceFile(path);
    if (!file) return CONV_CANNOT_OPEN_SOURCE;
    const long long size = FileSizeOf(file);
    ConvStatus status = size < 0 ? CONV_READ_FAILED : CONV_OK;
    uint8_t* data = nullptr;
    size_t have = 0;
    *mode = BLOCKS_UNDECIDED;
    for (size_t step = 0; status == CONV_OK; ++step) {
        const bool whole = static_cast<unsigned long long>(size) <= PREFIXES[step];
        const bool last = whole || step + 1 == PREFIX_COUNT;
        const size_t want = whole ? static_cast<size_t>(size) : PREFIXES[step];
        uint8_t* grown = static_cast<uint8_t*>(std::realloc(data, want > 0 ? want : 1));
        if (!grown) {
            status = CONV_NO_MEMORY;
            break;
        }
        data = grown;
        have += std::fread(data + have, 1, want - have, file);
        if (have < want) status = CONV_READ_FAILED;
        BlockEvidence counts;
        *mode = DetectBlockMode(data, have, &counts);
        if (evidence) *evidence = counts;
        if (last || *mode != BLOCKS_UNDECIDED || counts.monoStarts >= FIRM_BLOCKS) break;
    }
    std::fclose(file);
    std::free(data);
    return status;
}

const char* BlockModeName(BlockMode mode) {
    return mode == BLOCKS_MONO ? "mono" : mode == BLOCKS_STEREO ? "stereo" : "undecided";
}
