// Reading WAV files for packing: the chunk walk, which sample formats the
// packer takes, and their samples in 16-bit units.
//
// Taken: integer PCM of 8 (unsigned), 16, 24 and 32 bits, IEEE float of
// 32 and 64 bits, each also inside WAVE_FORMAT_EXTENSIBLE, one or two
// channels, 4000 to 384000 Hz. An extensible header's valid-bits field may
// be lower than its container; the samples are read by the container.
#ifndef VELKMAR_CONVERSION_FILES_WAV_READER_H
#define VELKMAR_CONVERSION_FILES_WAV_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "conversion/codec/sound_info.h"
#include "conversion/files/conversion_status.h"

const uint32_t WAVE_TAG_IEEE_FLOAT = 0x0003;
const uint32_t WAVE_TAG_EXTENSIBLE = 0xFFFE;

const uint32_t WAV_MIN_RATE = 4000;
const uint32_t WAV_MAX_RATE = 384000;

// What the packing takes from a WAV file's "fmt " and "data" chunks.
struct WavLayout {
    uint32_t format;      // format tag; an extensible header's sub-format tag
    uint32_t channels;
    uint32_t rate;
    uint32_t bits;        // bits per sample of the container
    size_t dataOffset;    // where the samples start in the file
    uint32_t dataLength;  // sample bytes present, clamped to the file
};

// Finds the chunks of a RIFF WAVE file held whole in file[0..length).
// Returns CONV_OK and fills layout, or CONV_NOT_PCM_WAV.
ConvStatus ParseWavFile(const uint8_t* file, size_t length, WavLayout* layout);

// Why a parsed WAV file cannot be packed, if it cannot.
enum WavRefusal {
    WAV_PACKABLE,
    WAV_REFUSED_ENCODING,  // neither PCM nor float
    WAV_REFUSED_BITS,      // a sample size the format does not come in
    WAV_REFUSED_CHANNELS,  // not mono or stereo
    WAV_REFUSED_RATE,      // outside WAV_MIN_RATE to WAV_MAX_RATE
    WAV_REFUSED_NO_FRAMES  // not one whole frame of samples
};

// Checks the layout against what the packer takes.
WavRefusal CheckPackable(const WavLayout& layout);

// The reason for a refusal in one line, for the command line: "3 channels:
// only mono and stereo WAVs can be packed". Empty for WAV_PACKABLE.
std::string DescribeWavRefusal(const WavLayout& layout, WavRefusal refusal);

// Whole frames in the data chunk of a packable layout.
uint32_t WavFrames(const WavLayout& layout);

// The sample of channel at frame of a packable layout, in 16-bit units:
// full scale is -32768 to 32768, 8-bit samples are centred on 128. NaN
// reads as 0 and infinities as WAV_SAMPLE_LIMIT, so that everything after
// this stays finite. data is the file, as ParseWavFile saw it.
double WavSample(const uint8_t* data, const WavLayout& layout, uint32_t frame, uint32_t channel);

// The largest magnitude WavSample returns (far beyond full scale).
const double WAV_SAMPLE_LIMIT = 1073741824.0;

#endif
