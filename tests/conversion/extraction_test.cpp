// Single-file extraction and the trailing-silence cut.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "conversion/byte_order.h"
#include "conversion/extraction.h"
#include "conversion/globals.h"
#include "conversion/presets.h"
#include "tests/support/test_files.h"


namespace {

// A mono block whose 65 samples all equal level: the header sample, step
// index 0 and codes 0 (a zero code at the smallest step adds nothing).
Bytes MonoBlock(int16_t level) {
    Bytes block(36, 0);
    WriteLe16(block.data(), static_cast<uint16_t>(level));
    return block;
}

Bytes StereoBlock(int16_t left, int16_t right) {
    Bytes block(72, 0);
    WriteLe16(block.data(), static_cast<uint16_t>(left));
    WriteLe16(block.data() + 4, static_cast<uint16_t>(right));
    return block;
}

// Mono blocks of the given levels, one after another.
Bytes MonoBlocks(const std::vector<int16_t>& levels) {
    Bytes data;
    for (int16_t level : levels) {
        Bytes block = MonoBlock(level);
        data.insert(data.end(), block.begin(), block.end());
    }
    return data;
}

std::vector<int16_t> Repeat(std::vector<int16_t> levels, int16_t level, size_t count) {
    levels.insert(levels.end(), count, level);
    return levels;
}

class Extraction : public ScratchFolderTest {
protected:
    // Extracts bytes written to a packed file named name with the preset
    // the name's extension chooses; returns the result.
    int Extract(const Bytes& packed, const std::string& name = "in.wad", const std::string& out = "out.wav") {
        WriteFileBytes(Path(name), packed);
        ApplyChannelRule(FORCE_NONE, PathExtension(name.c_str()));
        return ExtractSoundFile(Path(name).c_str(), Path(out).c_str());
    }

    // Checks that a failed conversion left "out.wav" holding before and
    // nothing else beside the listed files.
    void ExpectUntouched(const Bytes& before, const std::vector<std::string>& files) {
        EXPECT_EQ(HashBytes(ReadFileBytes(Path("out.wav"))), HashBytes(before));
        EXPECT_EQ(ListFolder(folder_), files);
    }
};

TEST_F(Extraction, WritesAWellFormedMonoWav) {
    ASSERT_EQ(Extract(MonoBlocks({1000, -2000, 300})), 1);
    Bytes wav = ReadFileBytes(Path("out.wav"));
    ASSERT_EQ(wav.size(), 44u + 3 * 130);
    EXPECT_TRUE(TagIs(wav.data(), "RIFF") && TagIs(wav.data() + 8, "WAVE") && TagIs(wav.data() + 12, "fmt "));
    EXPECT_EQ(ReadLe32(wav.data() + 4), wav.size() - 8);
    EXPECT_EQ(ReadLe16(wav.data() + 20), 1);
    EXPECT_EQ(ReadLe16(wav.data() + 22), 1);
    EXPECT_EQ(ReadLe32(wav.data() + 24), 44100u);
    EXPECT_EQ(ReadLe16(wav.data() + 34), 16);
    EXPECT_EQ(ReadLe32(wav.data() + 40), wav.size() - 44);
    std::vector<int16_t> expected = Repeat(Repeat(Repeat({}, 1000, 65), -2000, 65), 300, 65);
    EXPECT_EQ(WavSamples(wav), expected);
}

TEST_F(Extraction, AdxIsReadAsStereoUnlessForced) {
    Bytes packed = StereoBlock(700, -700);
    ASSERT_EQ(Extract(packed, "music.ADX"), 1);
    Bytes wav = ReadFileBytes(Path("out.wav"));
    EXPECT_EQ(ReadLe16(wav.data() + 22), 2);
    std::vector<int16_t> samples = WavSamples(wav);
    ASSERT_EQ(samples.size(), 130u);
    EXPECT_EQ(samples[0], 700);
    EXPECT_EQ(samples[1], -700);

    // Forced mono: the same bytes make a well-formed mono WAV.
    WriteFileBytes(Path("music.adx"), packed);
    ApplyChannelRule(FORCE_MONO, ".adx");
    ASSERT_EQ(ExtractSoundFile(Path("music.adx").c_str(), Path("forced.wav").c_str()), 1);
    Bytes forced = ReadFileBytes(Path("forced.wav"));
    EXPECT_EQ(ReadLe16(forced.data() + 22), 1);
    EXPECT_EQ(forced.size(), 44u + 2 * 130);
}

TEST_F(Extraction, DecodesAPartialLastBlockAndIgnoresTrailingBytes) {
    Bytes packed = MonoBlocks({500, 600});
    packed.resize(36 + 12);  // header and two groups of the second block
    ASSERT_EQ(Extract(packed), 1);
    std::vector<int16_t> samples = WavSamples(ReadFileBytes(Path("out.wav")));
    EXPECT_EQ(samples.size(), 65u + 17);
    packed.push_back(0x77);  // 1 to 3 trailing bytes are never read
    packed.push_back(0x77);
    ASSERT_EQ(Extract(packed), 1);
    EXPECT_EQ(WavSamples(ReadFileBytes(Path("out.wav"))), samples);
}

TEST_F(Extraction, CutsAtTheFirstLongSilence) {
    // 31 zero blocks are 4030 zero bytes: kept. 32 are 4160: cut there,
    // and what follows is lost.
    std::vector<int16_t> levels = Repeat({0x0101}, 0, 31);
    levels.push_back(0x0101);
    levels = Repeat(levels, 0, 32);
    levels.push_back(0x2020);
    ASSERT_EQ(Extract(MonoBlocks(levels)), 1);
    Bytes wav = ReadFileBytes(Path("out.wav"));
    const uint32_t cut = 44 + 33 * 130;
    ASSERT_EQ(wav.size(), cut + 8u);
    EXPECT_EQ(ReadLe32(wav.data() + 4), cut);
    EXPECT_EQ(ReadLe32(wav.data() + 40), cut - 36);
    EXPECT_EQ(wav[44], 0x01);

    // Fewer than 4096 trailing zero bytes: written whole.
    ASSERT_EQ(Extract(MonoBlocks(Repeat({0x0101}, 0, 31))), 1);
    EXPECT_EQ(ReadFileBytes(Path("out.wav")).size(), 44u + 32 * 130);
}

TEST_F(Extraction, ReplacesAnExistingDestinationOnSuccess) {
    WriteFileBytes(Path("out.wav"), Bytes(10000, 0x42));
    ASSERT_EQ(Extract(MonoBlocks({1234})), 1);
    EXPECT_EQ(ReadFileBytes(Path("out.wav")).size(), 44u + 130);
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wad", "out.wav"}));
}

TEST_F(Extraction, AMissingSourceFailsAndLeavesTheDestinationAsItWas) {
    const Bytes before(777, 0x5A);
    WriteFileBytes(Path("out.wav"), before);
    ApplyMonoPreset();
    EXPECT_EQ(ExtractSoundFileStatus(Path("missing.wad").c_str(), Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE);
    ExpectUntouched(before, {"out.wav"});
}

// Reference form of the cut: test every offset against the whole window.
uint32_t NaiveCut(Bytes& image) {
    const uint32_t length = static_cast<uint32_t>(image.size());
    const uint32_t n = length - 8;
    for (uint32_t i = 0; i < n && i + SILENCE_RUN <= length; ++i) {
        uint32_t k = 0;
        while (k < SILENCE_RUN && image[i + k] == 0) ++k;
        if (k == SILENCE_RUN) {
            WriteLe32(image.data() + 4, i);
            WriteLe32(image.data() + 40, i - 36);
            return i + 8;
        }
    }
    return length;
}

// An image of length bytes of filler with zero runs [start, start+size).
Bytes ImageWithRuns(size_t length, const std::vector<std::pair<size_t, size_t>>& runs) {
    Bytes image(length, 0x33);
    std::memcpy(image.data(), "RIFF", 4);
    WriteLe32(image.data() + 4, static_cast<uint32_t>(length - 8));
    std::memcpy(image.data() + 36, "data", 4);
    WriteLe32(image.data() + 40, static_cast<uint32_t>(length - 44));
    for (auto run : runs) std::fill_n(image.begin() + static_cast<long>(run.first), run.second, 0);
    return image;
}

uint32_t Cut(Bytes& image) { return CutTrailingSilence(image.data(), static_cast<uint32_t>(image.size())); }

TEST(SilenceCut, FindsTheFirstRunOf4096ZeroBytes) {
    Bytes image = ImageWithRuns(20000, {{1000, 4095}, {7001, 4096}, {15000, 5000}});
    EXPECT_EQ(Cut(image), 7001u + 8);  // 4095 do not count; an odd offset does
    EXPECT_EQ(ReadLe32(image.data() + 4), 7001u);
    EXPECT_EQ(ReadLe32(image.data() + 40), 7001u - 36);

    Bytes atEnd = ImageWithRuns(10000, {{10000 - 4096, 4096}});
    EXPECT_EQ(Cut(atEnd), 10000u - 4096 + 8);

    Bytes shortAtEnd = ImageWithRuns(10000, {{10000 - 4095, 4095}});
    EXPECT_EQ(Cut(shortAtEnd), 10000u);
    EXPECT_EQ(ReadLe32(shortAtEnd.data() + 4), 10000u - 8);

    Bytes tiny = ImageWithRuns(100, {{50, 50}});
    EXPECT_EQ(Cut(tiny), 100u);
}

TEST(SilenceCut, AgreesWithTheWholeWindowScanOnRandomImages) {
    std::minstd_rand random(7);
    for (int round = 0; round < 200; ++round) {
        size_t length = 44 + random() % 30000;
        std::vector<std::pair<size_t, size_t>> runs;
        for (auto r = random() % 8; r > 0; --r) {
            size_t start = 44 + random() % (length - 44);
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
