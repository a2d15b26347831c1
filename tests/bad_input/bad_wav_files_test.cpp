// WAV files as editors, damaged downloads and mistakes make them: each
// either packs exactly as the plain file it stands for, or is refused with
// the read message, the source as caption, and the destination kept.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "tests/bad_input/bad_input.h"

namespace {

const size_t FRAMES = 200;

class BadWavFiles : public BadInputTest {
protected:
    void SetUp() override {
        BadInputTest::SetUp();
        plain_ = Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", ToneBytes(1, FRAMES))});
        ASSERT_EQ(Pack(plain_), 1);
        packed_ = ReadFileBytes(Path("out.wad"));
        ASSERT_EQ(packed_.size(), 4u * 36);
    }
    void ExpectRefused(const Bytes& wav, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Pack(wav), 0);
        ExpectMessage(READ_FAILED, Path("in.wav"));
        ExpectNothingLost(Path("out.wad"), {"in.wav", "out.wad"});
    }
    // Packs to the same bytes as the plain file (or as expected).
    void ExpectPacked(const Bytes& wav, const std::string& what, const Bytes* expected = nullptr) {
        SCOPED_TRACE(what);
        ASSERT_EQ(Pack(wav), 1);
        EXPECT_TRUE(messages_->empty());
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), expected ? *expected : packed_);
        EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wav", "out.wad"}));
    }
    Bytes plain_;
    Bytes packed_;
};

TEST_F(BadWavFiles, TruncatedHeaders) {
    // Every cut inside the 44-byte header, and one byte of a sample.
    for (size_t length = 0; length <= 45; ++length)
        ExpectRefused(Bytes(plain_.begin(), plain_.begin() + static_cast<long>(length)), std::to_string(length));
    const Bytes oneFrame = {plain_.begin(), plain_.begin() + 46};
    ASSERT_EQ(Pack(oneFrame), 1);
    EXPECT_EQ(ReadFileBytes(Path("out.wad")).size(), 36u);
}

TEST_F(BadWavFiles, EveryHeaderFieldAtZeroAndAtItsMaximum) {
    struct Field {
        const char* name;
        size_t offset;
        size_t width;
        bool packsAtZero;
        bool packsAtMaximum;
    };
    // The RIFF size is not trusted; the byte rate and the block align are
    // derived, not read; a data size larger than the file means the
    // samples there are.
    const Field fields[] = {
        {"RIFF tag", 0, 4, false, false},     {"RIFF size", 4, 4, true, true},
        {"WAVE tag", 8, 4, false, false},     {"fmt tag", 12, 4, false, false},
        {"fmt size", 16, 4, false, false},    {"format tag", 20, 2, false, false},
        {"channels", 22, 2, false, false},    {"sample rate", 24, 4, false, false},
        {"byte rate", 28, 4, true, true},     {"block align", 32, 2, true, true},
        {"bits per sample", 34, 2, false, false}, {"data tag", 36, 4, false, false},
        {"data size", 40, 4, false, true},
    };
    for (const Field& field : fields) {
        for (bool maximum : {false, true}) {
            Bytes wav = plain_;
            std::memset(wav.data() + field.offset, maximum ? 0xFF : 0x00, field.width);
            const std::string what = std::string(field.name) + (maximum ? " at its maximum" : " at zero");
            if (maximum ? field.packsAtMaximum : field.packsAtZero)
                ExpectPacked(wav, what);
            else
                ExpectRefused(wav, what);
        }
    }
}

TEST_F(BadWavFiles, OddChunkSizes) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16));
    const Bytes samples = ToneBytes(1, FRAMES);
    ExpectPacked(Riff({Chunk("LIST", Bytes(7, 'i')), Chunk("bext", Bytes(1, 0)), format, Chunk("data", samples)}),
                 "odd chunks with their pad bytes first");
    ExpectPacked(Riff({Chunk("fmt ", FormatBody(1, 1, 16, 17)), Chunk("data", samples)}), "a 17-byte fmt chunk");
    ExpectPacked(Riff({format, Chunk("data", Concat(samples, Bytes(1, 0x7F))), Chunk("LIST", Bytes(4, 'x'))}),
                 "an odd data chunk, its pad byte and a chunk after it");
    ExpectPacked(Riff({format, ChunkClaiming("data", 2 * FRAMES + 1, Concat(samples, Bytes(1, 0x7F)))}),
                 "an odd data chunk ending the file without its pad byte");
    // A writer that left out a pad byte puts every later chunk one byte
    // early: the chunks after it are not found.
    ExpectRefused(Riff({ChunkClaiming("LIST", 5, Bytes(5, 'i')), format, Chunk("data", samples)}),
                  "a pad byte missing before fmt");
}

TEST_F(BadWavFiles, ChunksThatRunPastTheEnd) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16));
    const Bytes data = Chunk("data", ToneBytes(1, FRAMES));
    ExpectRefused(Riff({ChunkClaiming("LIST", 100000, Bytes(10, 'i')), format, data}),
                  "a LIST chunk before fmt claiming more than the file");
    ExpectRefused(Riff({ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(10, 0)), format, data}),
                  "a chunk of the largest size before fmt");
    ExpectRefused(Riff({ChunkClaiming("JUNK", 0xFFFFFFFE, Bytes(10, 0)), data, format}),
                  "a chunk of the largest even size before data");
    ExpectRefused(Concat(Riff({data}), Bytes{'f', 'm', 't', ' ', 16, 0}), "fmt cut inside its chunk header");
    ExpectRefused(Riff({format, ChunkClaiming("data", 400, Bytes())}), "data that claims samples and has none");
    ExpectPacked(Riff({format, data, ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(3, 0))}),
                 "a chunk of the largest size after both");
    // Stereo data running out in the middle of a frame: the whole frames.
    const Bytes stereoFormat = Chunk("fmt ", FormatBody(1, 2, 16));
    ASSERT_EQ(Pack(Riff({stereoFormat, Chunk("data", ToneBytes(2, FRAMES - 1))})), 1);
    const Bytes wholeFrames = ReadFileBytes(Path("out.wad"));
    Bytes halfFrame = ToneBytes(2, FRAMES);
    halfFrame.resize(halfFrame.size() - 2);
    ExpectPacked(Riff({stereoFormat, ChunkClaiming("data", 0x7FFFFFFF, halfFrame)}), "half a stereo frame at the end",
                 &wholeFrames);
    Bytes wide = Riff({Chunk("fmt ", FormatBody(1, 2, 24)), Chunk("data", Bytes(6 * 70, 0x35))});
    ASSERT_EQ(Pack(wide), 1);
    const Bytes wideFrames = ReadFileBytes(Path("out.wad"));
    ExpectPacked(Riff({Chunk("fmt ", FormatBody(1, 2, 24)), Chunk("data", Bytes(6 * 70 + 5, 0x35))}),
                 "five bytes of a 24-bit stereo frame at the end", &wideFrames);
}

TEST_F(BadWavFiles, WhatTheGameCannotTake) {
    const Bytes samples = ToneBytes(1, FRAMES);
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"four channels", Riff({Chunk("fmt ", FormatBody(1, 4, 16)), Chunk("data", ToneBytes(4, 50))})},
        {"six channels", Riff({Chunk("fmt ", FormatBody(1, 6, 16)), Chunk("data", ToneBytes(6, 50))})},
        {"65535 channels", Riff({Chunk("fmt ", FormatBody(1, 0xFFFF, 16)), Chunk("data", samples)})},
        {"extensible, six channels", Riff({Chunk("fmt ", ExtensibleBody(6, 16, 1)), Chunk("data", ToneBytes(6, 50))})},
        {"three channels", Riff({Chunk("fmt ", FormatBody(1, 3, 16)), Chunk("data", ToneBytes(3, 50))})},
        {"a rate of 10^9 Hz", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 16, 1000000000)), Chunk("data", samples)})},
        {"3999 Hz", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 16, 3999)), Chunk("data", samples)})},
        {"384001 Hz", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 16, 384001)), Chunk("data", samples)})},
        {"16-bit float", Riff({Chunk("fmt ", FormatBody(3, 1, 16)), Chunk("data", samples)})},
        {"extensible 12-bit", Riff({Chunk("fmt ", ExtensibleBody(1, 12, 1)), Chunk("data", samples)})},
        {"extensible, unknown sub-format", [&] {
             Bytes body = ExtensibleBody(1, 16, 1);
             body[39] ^= 0xFF;
             return Riff({Chunk("fmt ", body), Chunk("data", samples)});
         }()},
        {"12 bits", Riff({Chunk("fmt ", FormatBody(1, 1, 12)), Chunk("data", samples)})},
        {"IMA ADPCM", Riff({Chunk("fmt ", FormatBody(0x11, 1, 4, 20)), Chunk("data", Bytes(72, 0x21))})},
        {"A-law", Riff({Chunk("fmt ", FormatBody(6, 1, 8)), Chunk("data", samples)})},
        {"mu-law", Riff({Chunk("fmt ", FormatBody(7, 1, 8)), Chunk("data", samples)})},
    };
    for (const auto& file : files) ExpectRefused(file.second, file.first);
}

TEST_F(BadWavFiles, FloatsBeyondFullScaleAndNotNumbersClampToTheRails) {
    const float specials[] = {NAN, INFINITY, -INFINITY, 2.0f, -2.0f, 0.5f, -0.25f};
    const int16_t rails[] = {0, 32767, -32768, 32767, -32768, 16384, -8192};
    Bytes floats, integers;
    for (size_t repeat = 0; repeat < 40; ++repeat)
        for (size_t i = 0; i < sizeof specials / sizeof specials[0]; ++i) {
            uint32_t word;
            std::memcpy(&word, &specials[i], sizeof word);
            floats.insert(floats.end(), {0, 0, 0, 0});
            WriteLe32(floats.data() + floats.size() - 4, word);
            integers.insert(integers.end(), {0, 0});
            WriteLe16(integers.data() + integers.size() - 2, static_cast<uint16_t>(rails[i]));
        }
    ASSERT_EQ(Pack(Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", integers)})), 1);
    const Bytes expected = ReadFileBytes(Path("out.wad"));
    ExpectPacked(Riff({Chunk("fmt ", FormatBody(3, 1, 32)), Chunk("data", floats)}), "at 44100 Hz", &expected);
    // Through the resampler they stay finite: the neighbours of a NaN or
    // an infinity are still sound.
    SCOPED_TRACE("at 48000 Hz");
    ASSERT_EQ(Pack(Riff({Chunk("fmt ", FormatBody(3, 1, 32, 16, 48000)), Chunk("data", floats)})), 1);
    EXPECT_TRUE(messages_->empty());
}

TEST_F(BadWavFiles, FilesThatAreNoWav) {
    Bytes rifx = plain_;
    std::memcpy(rifx.data(), "RIFX", 4);
    Bytes rf64 = plain_;
    std::memcpy(rf64.data(), "RF64", 4);
    Bytes packed(360, 0);
    WriteLe16(packed.data(), 999);
    const char* text = "RIFF is a container; this is a note about it.";
    ExpectRefused(rifx, "big-endian RIFX");
    ExpectRefused(rf64, "RF64");
    ExpectRefused(packed, "a packed sound file");
    ExpectRefused(Bytes(text, text + std::strlen(text)), "text beginning with RIFF");
    ExpectRefused(Bytes{'R', 'I', 'F', 'F'}, "a RIFF tag alone");
}

}  // namespace
