// Reading WAV files for packing: the chunks, the format check and the
// samples.
#include "conversion/files/wav_reader.h"

#include <cstdio>
#include <cstring>

#include "conversion/codec/byte_order.h"
#include "conversion/codec/sound_info.h"

namespace {

// The KSDATAFORMAT_SUBTYPE GUID of an extensible header, after its first
// two bytes (the sub-format's own tag): -0000-0010-8000-00aa00389b71.
const uint8_t SUBFORMAT_GUID_TAIL[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Fields of a "fmt " chunk body.
const size_t FMT_TAG = 0;
const size_t FMT_CHANNELS = 2;
const size_t FMT_RATE = 4;
const size_t FMT_BITS = 14;
const size_t FMT_SUBFORMAT = 24;  // extensible: the sub-format GUID
const uint32_t FMT_MINIMUM = 16;     // tag, channels, rate, byte rate, align, bits
const uint32_t FMT_EXTENSIBLE = 40;  // ... cbSize, valid bits, mask, sub-format GUID

// Reads a "fmt " chunk body of size bytes into layout. False when it is too
// short to hold the basic fields.
bool ReadFormatChunk(const uint8_t* body, uint32_t size, WavLayout* layout) {
    if (size < FMT_MINIMUM) return false;
    layout->format = ReadLe16(body + FMT_TAG);
    layout->channels = ReadLe16(body + FMT_CHANNELS);
    layout->rate = ReadLe32(body + FMT_RATE);
    layout->bits = ReadLe16(body + FMT_BITS);
    if (layout->format == WAVE_TAG_EXTENSIBLE && size >= FMT_EXTENSIBLE &&
        std::memcmp(body + FMT_SUBFORMAT + 2, SUBFORMAT_GUID_TAIL, sizeof SUBFORMAT_GUID_TAIL) == 0)
        layout->format = ReadLe16(body + FMT_SUBFORMAT);
    return true;
}

bool BitsTaken(uint32_t format, uint32_t bits) {
    if (format == WAVE_TAG_PCM) return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return bits == 32 || bits == 64;
}

uint32_t FrameBytes(const WavLayout& layout) { return layout.channels * (layout.bits / 8); }

// A float sample in 16-bit units, kept finite.
double FloatSample(double value) {
    if (value != value) return 0.0;  // NaN
    const double scaled = value * 32768.0;
    if (scaled > WAV_SAMPLE_LIMIT) return WAV_SAMPLE_LIMIT;
    if (scaled < -WAV_SAMPLE_LIMIT) return -WAV_SAMPLE_LIMIT;
    return scaled;
}

}  // namespace

ConvStatus ParseWavFile(const uint8_t* file, size_t length, WavLayout* layout) {
    if (length < 12 || !TagIs(file, "RIFF") || !TagIs(file + 8, "WAVE")) return CONV_NOT_PCM_WAV;
    bool haveFormat = false;
    bool haveData = false;
    // The RIFF size is not trusted: chunks are walked to the file's end.
    size_t at = 12;
    while (length - at >= 8 && !(haveFormat && haveData)) {
        const uint8_t* chunk = file + at;
        const uint32_t size = ReadLe32(chunk + 4);
        const size_t available = length - at - 8;
        if (TagIs(chunk, "fmt ") && !haveFormat) {
            if (size > available || !ReadFormatChunk(chunk + 8, size, layout)) return CONV_NOT_PCM_WAV;
            haveFormat = true;
        } else if (TagIs(chunk, "data") && !haveData) {
            // A data chunk may claim more than the file holds: take what is there.
            layout->dataOffset = at + 8;
            layout->dataLength = static_cast<uint32_t>(size < available ? size : available);
            haveData = true;
        }
        const uint64_t next = at + 8ull + size + (size & 1u);
        if (next > length) break;
        at = static_cast<size_t>(next);
    }
    return haveFormat && haveData ? CONV_OK : CONV_NOT_PCM_WAV;
}

WavRefusal CheckPackable(const WavLayout& layout) {
    if (layout.format != WAVE_TAG_PCM && layout.format != WAVE_TAG_IEEE_FLOAT) return WAV_REFUSED_ENCODING;
    if (!BitsTaken(layout.format, layout.bits)) return WAV_REFUSED_BITS;
    if (layout.channels != 1 && layout.channels != 2) return WAV_REFUSED_CHANNELS;
    if (layout.rate < WAV_MIN_RATE || layout.rate > WAV_MAX_RATE) return WAV_REFUSED_RATE;
    if (WavFrames(layout) == 0) return WAV_REFUSED_NO_FRAMES;
    return WAV_PACKABLE;
}

std::string DescribeWavRefusal(const WavLayout& layout, WavRefusal refusal) {
    const bool isFloat = layout.format == WAVE_TAG_IEEE_FLOAT;
    char tag[8];
    switch (refusal) {
    case WAV_PACKABLE:
        return std::string();
    case WAV_REFUSED_ENCODING:
        std::snprintf(tag, sizeof tag, "0x%04X", static_cast<unsigned>(layout.format & 0xFFFF));
        return std::string("sound format ") + tag + ": only PCM and floating-point WAVs can be packed";
    case WAV_REFUSED_BITS:
        return std::to_string(layout.bits) + (isFloat ? "-bit float" : "-bit PCM") +
               (isFloat ? ": only 32- and 64-bit float WAVs can be packed"
                        : ": only 8-, 16-, 24- and 32-bit PCM WAVs can be packed");
    case WAV_REFUSED_CHANNELS:
        return std::to_string(layout.channels) + (layout.channels == 1 ? " channel" : " channels") +
               ": only mono and stereo WAVs can be packed";
    case WAV_REFUSED_RATE:
        return std::to_string(layout.rate) + " Hz: only rates from " + std::to_string(WAV_MIN_RATE) + " to " +
               std::to_string(WAV_MAX_RATE) + " Hz can be packed";
    case WAV_REFUSED_NO_FRAMES:
        return "no whole frame of samples in the data chunk";
    }
    return std::string();
}

uint32_t WavFrames(const WavLayout& layout) {
    const uint32_t frameBytes = FrameBytes(layout);
    return frameBytes == 0 ? 0 : layout.dataLength / frameBytes;
}

double WavSample(const uint8_t* data, const WavLayout& layout, uint32_t frame, uint32_t channel) {
    const uint32_t sampleBytes = layout.bits / 8;
    const uint8_t* p = data + layout.dataOffset + (static_cast<size_t>(frame) * layout.channels + channel) * sampleBytes;
    if (layout.format == WAVE_TAG_IEEE_FLOAT) {
        if (layout.bits == 32) {
            const uint32_t word = ReadLe32(p);
            float value;
            std::memcpy(&value, &word, sizeof value);
            return FloatSample(value);
        }
        const uint64_t word = ReadLe64(p);
        double value;
        std::memcpy(&value, &word, sizeof value);
        return FloatSample(value);
    }
    switch (layout.bits) {
    case 8:
        return (static_cast<int>(p[0]) - 128) * 256.0;
    case 16:
        return static_cast<int16_t>(ReadLe16(p));
    case 24:
        // The top byte's sign, carried through a 32-bit word.
        return static_cast<int32_t>(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) << 8) / 65536.0;
    default:
        return static_cast<int32_t>(ReadLe32(p)) / 65536.0;
    }
}
