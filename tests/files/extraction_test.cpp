// Single-file extraction: the WAV it writes, and the silence cut's edges.
// (That the cut agrees with the plain rule on any image is fuzz_silence's
// to check.)
#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

namespace {

// Blocks of one channel or two whose 65 frames all hold a level: header
// samples, step index 0 and codes 0, which add nothing.
Bytes Blocks(const std::vector<int16_t>& levels, int channels = 1) {
    Bytes data(levels.size() * 36 * static_cast<size_t>(channels), 0);
    for (size_t b = 0; b < levels.size(); ++b)
        for (int c = 0; c < channels; ++c)
            WriteLe16(&data[b * 36 * channels + 4 * c], static_cast<uint16_t>(levels[b] * (c ? -1 : 1)));
    return data;
}

class Extraction : public ScratchFolderTest {
protected:
    // Extracts packed, written as name, in the mode its extension gives.
    Bytes Extract(const Bytes& packed, const std::string& name = "in.wad", bool whole = false, SilenceCut* cut = nullptr) {
        WriteFileBytes(Path(name), packed);
        ApplyChannelRule(FORCE_NONE, PathExtension(name.c_str()));
        EXPECT_EQ(ExtractSoundFileWith(Path(name).c_str(), Path("out.wav").c_str(), whole, cut), CONV_OK);
        return ReadFileBytes(Path("out.wav"));
    }
};

TEST_F(Extraction, WritesAWellFormedWavOfEveryFrameThatIsThere) {
    WriteFileBytes(Path("out.wav"), Bytes(10000, 0x42));  // replaced
    Bytes packed = Blocks({1000, -2000});
    packed.resize(36 + 12 + 2);  // a partial block of two groups; two bytes never read
    const Bytes wav = Extract(packed);
    ASSERT_EQ(wav.size(), 44u + (65 + 17) * 2);
    const Bytes header = MakePcmWav(1, 44100, Samples(65 + 17));
    EXPECT_TRUE(std::equal(header.begin(), header.begin() + 44, wav.begin()));
    Samples expected(65, 1000);
    expected.insert(expected.end(), 17, -2000);
    EXPECT_EQ(WavSamples(wav), expected);
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wad", "out.wav"}));
    const Bytes stereo = Extract(Blocks({700}, 2), "music.ADX");
    EXPECT_EQ(ReadLe16(&stereo[22]), 2);
    EXPECT_EQ(WavSamples(stereo).size(), 130u);
    EXPECT_EQ(WavSamples(stereo)[1], -700);
}

TEST_F(Extraction, CutsAtTheFirstLongSilenceUnlessToldToKeepTheWhole) {
    // 31 zero blocks are 4030 zero bytes: kept. 32 are 4160: cut at their
    // start, and the louder sound after them is lost.
    std::vector<int16_t> levels = {0x0101};
    levels.insert(levels.end(), 31, 0);
    levels.push_back(0x0101);
    levels.insert(levels.end(), 32, 0);
    levels.insert(levels.end(), {0x2020, 0, 0});  // the zeros after the last sound are too few to cut
    SilenceCut cut;
    const Bytes wav = Extract(Blocks(levels), "in.wad", false, &cut);
    const uint32_t at = 44 + 33 * 130;
    ASSERT_EQ(wav.size(), at + 8u);
    EXPECT_EQ(ReadLe32(&wav[4]), at);
    EXPECT_EQ(ReadLe32(&wav[40]), at - 36);
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.frames, 68u * 65);
    EXPECT_EQ(cut.keptFrames, 33u * 65);
    EXPECT_EQ(cut.framesAfter, 33u * 65);  // the pause and the last sound, not the zeros after it
    EXPECT_EQ(Extract(Blocks(levels), "in.wad", true).size(), 44u + 68 * 130);
}

}  // namespace
