// Single-file extraction and the trailing-silence cut.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

namespace {

// Blocks of one channel (mono) or two whose 65 frames all hold a level:
// header samples, step index 0 and codes 0, which add nothing.
Bytes Blocks(const std::vector<int16_t>& levels, int channels = 1) {
    Bytes data(levels.size() * 36 * static_cast<size_t>(channels), 0);
    for (size_t b = 0; b < levels.size(); ++b)
        for (int c = 0; c < channels; ++c)
            WriteLe16(data.data() + b * 36 * channels + 4 * c, static_cast<uint16_t>(levels[b] * (c ? -1 : 1)));
    return data;
}

class Extraction : public ScratchFolderTest {
protected:
    // Extracts packed, written as name, with the preset its extension chooses.
    Bytes Extract(const Bytes& packed, const std::string& name = "in.wad") {
        WriteFileBytes(Path(name), packed);
        ApplyChannelRule(FORCE_NONE, PathExtension(name.c_str()));
        EXPECT_EQ(ExtractSoundFile(Path(name).c_str(), Path("out.wav").c_str()), 1);
        return ReadFileBytes(Path("out.wav"));
    }
};

TEST_F(Extraction, WritesAWellFormedWavOfEveryFrameThatIsThere) {
    WriteFileBytes(Path("out.wav"), Bytes(10000, 0x42));  // replaced
    Bytes packed = Blocks({1000, -2000});
    packed.resize(36 + 12 + 2);  // a partial block of two groups; two bytes never read
    const Bytes wav = Extract(packed);
    ASSERT_EQ(wav.size(), 44u + (65 + 17) * 2);
    EXPECT_TRUE(TagIs(wav.data(), "RIFF") && TagIs(wav.data() + 8, "WAVE") && TagIs(wav.data() + 36, "data"));
    EXPECT_EQ(ReadLe32(wav.data() + 4), wav.size() - 8);
    EXPECT_EQ(ReadLe32(wav.data() + 40), wav.size() - 44);
    EXPECT_EQ(ReadLe16(wav.data() + 20), 1);
    EXPECT_EQ(ReadLe16(wav.data() + 22), 1);
    EXPECT_EQ(ReadLe32(wav.data() + 24), 44100u);
    EXPECT_EQ(ReadLe16(wav.data() + 34), 16);
    std::vector<int16_t> expected(65, 1000);
    expected.insert(expected.end(), 17, -2000);
    EXPECT_EQ(WavSamples(wav), expected);
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wad", "out.wav"}));

    const Bytes stereo = Extract(Blocks({700}, 2), "music.ADX");
    EXPECT_EQ(ReadLe16(stereo.data() + 22), 2);
    EXPECT_EQ(WavSamples(stereo).size(), 130u);
    EXPECT_EQ(WavSamples(stereo)[1], -700);
}

TEST_F(Extraction, CutsAtTheFirstLongSilence) {
    // 31 zero blocks are 4030 zero bytes: kept. 32 are 4160: cut at their
    // start, and the louder sound after them is lost.
    std::vector<int16_t> levels = {0x0101};
    levels.insert(levels.end(), 31, 0);
    levels.push_back(0x0101);
    levels.insert(levels.end(), 32, 0);
    levels.push_back(0x2020);
    const Bytes wav = Extract(Blocks(levels));
    const uint32_t cut = 44 + 33 * 130;
    ASSERT_EQ(wav.size(), cut + 8u);
    EXPECT_EQ(ReadLe32(wav.data() + 4), cut);
    EXPECT_EQ(ReadLe32(wav.data() + 40), cut - 36);
}

TEST_F(Extraction, AMissingSourceFailsAndLeavesTheDestinationAsItWas) {
    const Bytes before(777, 0x5A);
    WriteFileBytes(Path("out.wav"), before);
    ApplyMonoPreset();
    EXPECT_EQ(ExtractSoundFileStatus(Path("missing.wad").c_str(), Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE);
    EXPECT_EQ(ReadFileBytes(Path("out.wav")), before);
    EXPECT_EQ(ListFolder(folder_), std::vector<std::string>{"out.wav"});
}

// An image of length bytes of filler with zero runs {start, size}.
Bytes ImageWithRuns(size_t length, const std::vector<std::pair<size_t, size_t>>& runs) {
    Bytes image(length, 0x33);
    std::memcpy(image.data(), "RIFF", 4);
    std::memcpy(image.data() + 36, "data", 4);
    WriteLe32(image.data() + 4, static_cast<uint32_t>(length - 8));
    for (auto run : runs) std::fill_n(image.begin() + static_cast<long>(run.first), run.second, 0);
    return image;
}

uint32_t Cut(Bytes& image) { return CutTrailingSilence(image.data(), static_cast<uint32_t>(image.size())); }

TEST(SilenceCut, FindsTheFirstRunOf4096ZeroBytesThatFitsTheImage) {
    Bytes image = ImageWithRuns(20000, {{1000, 4095}, {7001, 4096}, {15000, 5000}});
    EXPECT_EQ(Cut(image), 7001u + 8);  // 4095 do not count; an odd offset does
    EXPECT_EQ(ReadLe32(image.data() + 4), 7001u);
    EXPECT_EQ(ReadLe32(image.data() + 40), 7001u - 36);
    Bytes atEnd = ImageWithRuns(10000, {{10000 - 4096, 4096}});
    EXPECT_EQ(Cut(atEnd), 10000u - 4096 + 8);
    Bytes shortAtEnd = ImageWithRuns(10000, {{10000 - 4095, 4095}});
    EXPECT_EQ(Cut(shortAtEnd), 10000u);
}

// The whole-window scan, offset by offset, as the reference.
uint32_t NaiveCut(Bytes& image) {
    const uint32_t length = static_cast<uint32_t>(image.size());
    for (uint32_t i = 0; i < length - 8 && i + SILENCE_RUN <= length; ++i) {
        uint32_t k = 0;
        while (k < SILENCE_RUN && image[i + k] == 0) ++k;
        if (k < SILENCE_RUN) continue;
        WriteLe32(image.data() + 4, i);
        WriteLe32(image.data() + 40, i - 36);
        return i + 8;
    }
    return length;
}

TEST(SilenceCut, AgreesWithTheWholeWindowScanOnRandomImages) {
    std::minstd_rand random(7);
    for (int round = 0; round < 200; ++round) {
        const size_t length = 44 + random() % 30000;
        std::vector<std::pair<size_t, size_t>> runs;
        for (auto r = random() % 8; r > 0; --r) {
            const size_t start = 44 + random() % (length - 44);
            runs.push_back({start, std::min<size_t>(length - start, 4090 + random() % 12)});
        }
        Bytes image = ImageWithRuns(length, runs);
        for (auto z = random() % 200; z > 0; --z) image[44 + random() % (length - 44)] = 0;
        Bytes reference = image;
        ASSERT_EQ(Cut(image), NaiveCut(reference)) << round;
        ASSERT_EQ(image, reference) << round;
    }
}

}  // namespace
