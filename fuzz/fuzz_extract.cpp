// Fuzz target: arbitrary bytes as a packed sound file, extracted once with
// the mono and once with the stereo preset. The WAV written must be what
// an independent reading of the IMA ADPCM blocks gives, cut at the first
// run of 4096 zero bytes; a failure must leave the destination alone.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "fuzz/fuzz_support.h"

namespace {

const int16_t STEP_TABLE[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int INDEX_MOVE[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

struct Channel {
    int sample;
    int index;
};

int Expand(Channel* c, unsigned code) {
    const int step = STEP_TABLE[c->index];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    c->sample += (code & 8) ? -diff : diff;
    if (c->sample > 32767) c->sample = 32767;
    if (c->sample < -32768) c->sample = -32768;
    c->index += INDEX_MOVE[code & 7];
    if (c->index < 0) c->index = 0;
    if (c->index > 88) c->index = 88;
    return c->sample;
}

// Decodes one block of bytes (whole or the final partial one) and appends
// the interleaved frames it yields: the header sample, then eight frames
// for every whole group of four bytes a channel.
void DecodeBlock(const uint8_t* block, size_t bytes, unsigned channels, std::vector<int16_t>* out) {
    const size_t header = 4u * channels;
    if (bytes < header) return;
    const size_t groups = (bytes - header) / header;
    std::vector<int16_t> frames((1 + 8 * groups) * channels);
    for (unsigned ch = 0; ch < channels; ++ch) {
        Channel c = {static_cast<int16_t>(ReadLe16(block + 4 * ch)), block[4 * ch + 2] > 88 ? 88 : block[4 * ch + 2]};
        frames[ch] = static_cast<int16_t>(c.sample);
        for (size_t g = 0; g < groups; ++g) {
            const uint8_t* codes = block + header + g * header + 4 * ch;
            for (unsigned k = 0; k < 8; ++k) {
                unsigned code = k % 2 ? codes[k / 2] >> 4 : codes[k / 2] & 15u;
                frames[(1 + 8 * g + k) * channels + ch] = static_cast<int16_t>(Expand(&c, code));
            }
        }
    }
    out->insert(out->end(), frames.begin(), frames.end());
}

// The canonical 16-bit PCM WAV of the frames, cut at the first run of 4096
// zero bytes that ends inside the image.
Bytes ExpectedWav(const std::vector<int16_t>& samples, unsigned channels) {
    Bytes wav(44 + 2 * samples.size());
    std::memcpy(wav.data(), "RIFF", 4);
    WriteLe32(wav.data() + 4, static_cast<uint32_t>(wav.size() - 8));
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    WriteLe32(wav.data() + 16, 16);
    WriteLe16(wav.data() + 20, 1);
    WriteLe16(wav.data() + 22, channels);
    WriteLe32(wav.data() + 24, 44100);
    WriteLe32(wav.data() + 28, 44100 * 2 * channels);
    WriteLe16(wav.data() + 32, 2 * channels);
    WriteLe16(wav.data() + 34, 16);
    std::memcpy(wav.data() + 36, "data", 4);
    WriteLe32(wav.data() + 40, static_cast<uint32_t>(2 * samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) WriteLe16(wav.data() + 44 + 2 * i, static_cast<uint16_t>(samples[i]));
    // zeros[i]: the zero bytes from offset i on.
    std::vector<size_t> zeros(wav.size() + 1, 0);
    for (size_t i = wav.size(); i-- > 0;) zeros[i] = wav[i] == 0 ? zeros[i + 1] + 1 : 0;
    for (size_t i = 0; i < wav.size() - 8; ++i) {
        if (zeros[i] >= 4096) {
            WriteLe32(wav.data() + 4, static_cast<uint32_t>(i));
            WriteLe32(wav.data() + 40, static_cast<uint32_t>(i - 36));
            wav.resize(i + 8);
            break;
        }
    }
    return wav;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source = ScratchPath("in.wad");
    const std::string destination = ScratchPath("out.wav");
    WriteBytes(source, data, size);
    const size_t length = size & ~size_t(3);  // the trailing 1 to 3 bytes are never read
    for (unsigned channels = 1; channels <= 2; ++channels) {
        if (channels == 1)
            ApplyMonoPreset();
        else
            ApplyStereoPreset();
        PlaceKeptDestination(destination);
        ConvStatus status = ExtractSoundFileStatus(source.c_str(), destination.c_str());
        if (length == 0) {
            FuzzCheck(status == CONV_EMPTY_SOURCE, "an empty source is refused as empty");
            CheckNothingLost(destination, {"in.wad", "out.wav"});
            continue;
        }
        FuzzCheck(status == CONV_OK, "a small packed file always extracts");
        std::vector<int16_t> samples;
        const size_t block = 36u * channels;
        for (size_t at = 0; at < length; at += block)
            DecodeBlock(data + at, length - at < block ? length - at : block, channels, &samples);
        FuzzCheck(ReadBytes(destination) == ExpectedWav(samples, channels), "the WAV written is the blocks' decoding");
        FuzzCheck(ScratchNames() == std::vector<std::string>({"in.wad", "out.wav"}), "no file left beside the WAV");
    }
    return 0;
}
