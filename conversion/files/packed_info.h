// What a packed file holds, told without converting it: the mode its
// blocks show, and the sound it decodes to in a given mode (length, level,
// where the silence cut falls and what follows it).
#ifndef VELKMAR_CONVERSION_FILES_PACKED_INFO_H
#define VELKMAR_CONVERSION_FILES_PACKED_INFO_H

#include <cstdint>

#include "conversion/files/block_mode.h"
#include "conversion/files/conversion_status.h"
#include "conversion/files/extraction.h"

struct PackedInfo {
    uint64_t size;            // bytes of the file
    BlockMode blocks;         // the mode its blocks show
    BlockEvidence evidence;
    uint32_t channels;        // the mode the sound below is read in
    SilenceCut cut;           // frames, and where the cut falls
    double peakDbfs;          // largest sample; -infinity for digital silence
    double rmsDbfs;           // over every sample of every channel
};

// Full scale: a sample of magnitude 32768 is 0 dBFS, and so is the RMS of
// a full-scale square wave.
const double FULL_SCALE = 32768.0;

// Reads path as a packed file in channels (1 or 2). Returns CONV_OK, or
// why it could not be read; uses the sound description as an extraction
// does.
ConvStatus ReadPackedInfo(const char* path, uint32_t channels, PackedInfo* info);

#endif
