// Files as editors, damaged downloads and mistakes make them. A WAV either
// packs exactly as the plain file it stands for, or is refused with the
// read message, the source as caption, and the destination kept. A packed
// file too large for a WAV fails before anything big is read. (That a
// packed file of any content decodes to its blocks' WAV is fuzz_extract's
// to check.)
#include <cmath>
#include <cstring>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "tests/bad_input/bad_input.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

const size_t FRAMES = 200;

// frames of a quiet tone, interleaved, as little-endian 16-bit bytes.
Bytes ToneBytes(uint32_t channels, size_t frames) {
    Bytes bytes(frames * channels * 2);
    for (size_t i = 0; i < frames * channels; ++i)
        WriteLe16(&bytes[2 * i], static_cast<uint16_t>(static_cast<int16_t>(6000 * std::sin(0.02 * double(i)))));
    return bytes;
}

class BadWavFiles : public BadInputTest {
protected:
    void SetUp() override {
        BadInputTest::SetUp();
        plain_ = Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", ToneBytes(1, FRAMES))});
        ASSERT_EQ(Pack(plain_), 1);
        packed_ = ReadFileBytes(Path("out.wad"));
    }
    void ExpectRefused(const Bytes& wav, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Pack(wav), 0);
        ExpectMessage(READ_FAILED, Path("in.wav"));
        ExpectNothingLost(Path("out.wad"), {"in.wav", "out.wad"});
    }
    // Packs to the same bytes as the plain file, or as expected.
    void ExpectPacked(const Bytes& wav, const std::string& what, const Bytes* expected = nullptr) {
        SCOPED_TRACE(what);
        ASSERT_EQ(Pack(wav), 1);
        EXPECT_TRUE(messages_->empty());
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), expected ? *expected : packed_);
        EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wav", "out.wad"}));
    }
    Bytes Packed(const Bytes& wav) { return Pack(wav) ? ReadFileBytes(Path("out.wad")) : Bytes(); }
    Bytes plain_, packed_;
};

TEST_F(BadWavFiles, EveryHeaderFieldAtZeroAndAtItsMaximumAndEveryCut) {
    // The RIFF size is not trusted, the byte rate and block align are not
    // read, and a data size beyond the file means the samples there are.
    const struct {
        size_t offset, width;
        bool packsAtZero, packsAtMaximum;
    } fields[] = {{0, 4, false, false},  {4, 4, true, true},   {8, 4, false, false},  {12, 4, false, false},
                  {16, 4, false, false}, {20, 2, false, false}, {22, 2, false, false}, {24, 4, false, false},
                  {28, 4, true, true},   {32, 2, true, true},   {34, 2, false, false}, {36, 4, false, false},
                  {40, 4, false, true}};
    for (const auto& field : fields) {
        for (bool maximum : {false, true}) {
            Bytes wav = plain_;
            std::memset(&wav[field.offset], maximum ? 0xFF : 0x00, field.width);
            const std::string what = "offset " + std::to_string(field.offset) + (maximum ? " at its maximum" : " at zero");
            if (maximum ? field.packsAtMaximum : field.packsAtZero)
                ExpectPacked(wav, what);
            else
                ExpectRefused(wav, what);
        }
    }
    for (size_t length = 0; length <= 45; ++length)
        ExpectRefused(Bytes(plain_.begin(), plain_.begin() + static_cast<long>(length)), "cut at " + std::to_string(length));
}

TEST_F(BadWavFiles, ShapesThatHoldTheSameSoundPackAlike) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16)), samples = ToneBytes(1, FRAMES);
    const Bytes data = Chunk("data", samples);
    Bytes oversized = Concat(plain_, Bytes(1, 0x12));  // half a frame more than the header admits
    WriteLe32(&oversized[4], 0x7FFFFFFF);
    WriteLe32(&oversized[40], 0xFFFFFFFF);
    const std::pair<const char*, Bytes> shapes[] = {
        {"odd chunks with their pad bytes first",
         Riff({Chunk("LIST", Bytes(7, 'i')), Chunk("JUNK", Bytes(5, 0)), format, data})},
        {"an 18-byte fmt and a fact chunk", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 18)), Chunk("fact", Bytes(4, 1)), data})},
        {"a 17-byte fmt", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 17)), data})},
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1, 16, 1)), data})},
        {"data before fmt", Riff({data, format, Chunk("LIST", Bytes(9, 'x'))})},
        {"sizes beyond the file", oversized},
        {"an odd data chunk, its pad byte and a chunk after it",
         Riff({format, Chunk("data", Concat(samples, Bytes(1, 0x7F))), Chunk("LIST", Bytes(4, 'x'))})},
        {"an odd data chunk ending the file without its pad byte",
         Riff({format, ChunkClaiming("data", 2 * FRAMES + 1, Concat(samples, Bytes(1, 0x7F)))})},
        {"a chunk of the largest size after both", Riff({format, data, ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(3, 0))})},
    };
    for (const auto& shape : shapes) ExpectPacked(shape.second, shape.first);
    // Data ending in the middle of a frame: its whole frames.
    for (uint32_t bits : {16u, 24u}) {
        const Bytes fmt = Chunk("fmt ", FormatBody(1, 2, bits));
        const Bytes whole = Packed(Riff({fmt, Chunk("data", Bytes(bits / 4 * 90, 0x35))}));
        ExpectPacked(Riff({fmt, ChunkClaiming("data", 0x7FFFFFFF, Bytes(bits / 4 * 90 + bits / 4 - 1, 0x35))}),
                     std::to_string(bits) + "-bit stereo ending mid-frame", &whole);
    }
}

TEST_F(BadWavFiles, WhatIsNoPackableWavIsRefused) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16)), samples = ToneBytes(1, FRAMES);
    const Bytes data = Chunk("data", samples);
    Bytes unknown = ExtensibleBody(1, 16, 1), rifx = plain_, rf64 = plain_, packed(360, 0);
    unknown[39] ^= 0xFF;
    std::memcpy(rifx.data(), "RIFX", 4);
    std::memcpy(rf64.data(), "RF64", 4);
    WriteLe16(packed.data(), 999);
    const char* text = "RIFF is a container; this is a note about it.";
    const auto wav = [&](const Bytes& body) { return Riff({Chunk("fmt ", body), data}); };
    const std::pair<const char*, Bytes> files[] = {
        {"a pad byte missing before fmt", Riff({ChunkClaiming("LIST", 5, Bytes(5, 'i')), format, data})},
        {"a LIST chunk before fmt claiming more than the file", Riff({ChunkClaiming("LIST", 100000, Bytes(10, 'i')), format, data})},
        {"a chunk of the largest size before fmt", Riff({ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(10, 0)), format, data})},
        {"a chunk of the largest even size before data", Riff({ChunkClaiming("JUNK", 0xFFFFFFFE, Bytes(10, 0)), data, format})},
        {"fmt cut inside its chunk header", Concat(Riff({data}), Bytes{'f', 'm', 't', ' ', 16, 0})},
        {"data that claims samples and has none", Riff({format, ChunkClaiming("data", 400, Bytes())})},
        {"three channels", Riff({Chunk("fmt ", FormatBody(1, 3, 16)), Chunk("data", ToneBytes(3, 50))})},
        {"65535 channels", wav(FormatBody(1, 0xFFFF, 16))},
        {"extensible, six channels", Riff({Chunk("fmt ", ExtensibleBody(6, 16, 1)), Chunk("data", ToneBytes(6, 50))})},
        {"a rate of 10^9 Hz", wav(FormatBody(1, 1, 16, 16, 1000000000))},
        {"3999 Hz", wav(FormatBody(1, 1, 16, 16, 3999))},
        {"384001 Hz", wav(FormatBody(1, 1, 16, 16, 384001))},
        {"12 bits", wav(FormatBody(1, 1, 12))},
        {"16-bit float", wav(FormatBody(3, 1, 16))},
        {"extensible 12-bit", wav(ExtensibleBody(1, 12, 1))},
        {"extensible, unknown sub-format", wav(unknown)},
        {"IMA ADPCM", Riff({Chunk("fmt ", FormatBody(0x11, 1, 4, 20)), Chunk("data", Bytes(72, 0x21))})},
        {"A-law", wav(FormatBody(6, 1, 8))},
        {"big-endian RIFX", rifx},
        {"RF64", rf64},
        {"a packed sound file", packed},
        {"text beginning with RIFF", Bytes(text, text + std::strlen(text))},
        {"a RIFF tag alone", Bytes{'R', 'I', 'F', 'F'}},
    };
    for (const auto& file : files) ExpectRefused(file.second, file.first);
}

TEST_F(BadWavFiles, FloatsBeyondFullScaleAndNotNumbersClampToTheRails) {
    const float specials[] = {NAN, INFINITY, -INFINITY, 2.0f, -2.0f, 0.5f, -0.25f};
    const int16_t rails[] = {0, 32767, -32768, 32767, -32768, 16384, -8192};
    Bytes floats, integers;
    for (size_t repeat = 0; repeat < 40; ++repeat)
        for (size_t i = 0; i < 7; ++i) {
            uint32_t word;
            std::memcpy(&word, &specials[i], sizeof word);
            floats.resize(floats.size() + 4);
            WriteLe32(&floats[floats.size() - 4], word);
            integers.resize(integers.size() + 2);
            WriteLe16(&integers[integers.size() - 2], static_cast<uint16_t>(rails[i]));
        }
    const Bytes expected = Packed(Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", integers)}));
    ExpectPacked(Riff({Chunk("fmt ", FormatBody(3, 1, 32)), Chunk("data", floats)}), "at 44100 Hz", &expected);
    // Through the resampler they stay finite.
    EXPECT_EQ(Pack(Riff({Chunk("fmt ", FormatBody(3, 1, 32, 16, 48000)), Chunk("data", floats)})), 1);
}

class BadPackedFiles : public BadInputTest {};

#ifndef _WIN32
TEST_F(BadPackedFiles, ASoundPastTheRiffLimitFailsWithoutReadingIt) {
    // The smallest sizes whose WAV passes 4 GiB - 1 bytes, mono and stereo,
    // and sizes that a 32-bit cut would make small. Sparse files: no disk
    // space, and reading them would show in the peak memory.
    const std::pair<long long, int> sizes[] = {{33038209ll * 36 + 24, 1}, {16519104ll * 72 + 64, 2},
                                               {(1ll << 32) + 36, 1},     {(1ll << 32) + 72, 2}, {1ll << 33, 1}};
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    for (const auto& size : sizes) {
        WriteFileBytes(Path("in.wad"), Bytes());
        ASSERT_EQ(truncate(Path("in.wad").c_str(), size.first), 0);
        PlaceDestination(Path("out.wav"));
        ApplyChannelRule(size.second == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), Path("out.wav").c_str()), CONV_TOO_LARGE) << size.first;
        ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
    }
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64l << 10) << "the sparse sources were read";
}
#endif

}  // namespace
