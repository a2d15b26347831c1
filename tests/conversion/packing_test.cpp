// Packing: WAV files of every common shape, the messages, and what a
// failure leaves behind.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "conversion/byte_order.h"
#include "conversion/extraction.h"
#include "conversion/globals.h"
#include "conversion/packing.h"
#include "conversion/presets.h"
#include "tests/conversion/message_capture.h"
#include "tests/support/test_files.h"
#include "tests/support/wav_builders.h"

namespace {

const char OPEN_FAILED[] = "Не удалось открыть файл";

std::vector<int16_t> Tone(int channels, size_t frames) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(9000 * std::sin(0.03 * (c + 1) * static_cast<double>(i))));
    return samples;
}

class Packing : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        messages_ = &CaptureMessages();
    }
    void TearDown() override {
        StopCapturingMessages();
        ScratchFolderTest::TearDown();
    }
    // Packs wav from "in.wav" into "out.wad"; returns the result.
    int Pack(const Bytes& wav) {
        WriteFileBytes(Path("in.wav"), wav);
        return PackSoundFile(Path("in.wav").c_str(), Path("out.wad").c_str());
    }
    void ExpectOneMessage(const std::string& text, const std::string& caption) {
        ASSERT_EQ(messages_->size(), 1u);
        EXPECT_EQ(messages_->front().text, text);
        EXPECT_EQ(messages_->front().caption, caption);
        EXPECT_EQ(messages_->front().icon, MESSAGE_ERROR);
        messages_->clear();
    }
    std::vector<CapturedMessage>* messages_;
};

TEST_F(Packing, WritesOnlyAdpcmBlocksThatExtractBackToTheSound) {
    const std::vector<int16_t> tone = Tone(2, 1000);
    ASSERT_EQ(Pack(MakePcmWav(2, 44100, tone)), 1);
    EXPECT_TRUE(messages_->empty());
    Bytes packed = ReadFileBytes(Path("out.wad"));
    ASSERT_EQ(packed.size(), 16u * 72);  // 1000 frames in 65-frame blocks
    EXPECT_FALSE(TagIs(packed.data(), "RIFF"));

    ApplyChannelRule(FORCE_NONE, ".adx");
    WriteFileBytes(Path("out.adx"), packed);
    ASSERT_EQ(ExtractSoundFile(Path("out.adx").c_str(), Path("back.wav").c_str()), 1);
    std::vector<int16_t> back = WavSamples(ReadFileBytes(Path("back.wav")));
    ASSERT_GE(back.size(), tone.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
        signal += double(tone[i]) * tone[i];
        noise += double(tone[i] - back[i]) * (tone[i] - back[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 30.0);
}

TEST_F(Packing, ReadsWavFilesByTheirChunks) {
    const std::vector<int16_t> tone = Tone(1, 3000);
    ASSERT_EQ(Pack(MakePcmWav(1, 44100, tone)), 1);
    const Bytes expected = ReadFileBytes(Path("out.wad"));
    const Bytes canonical = MakePcmWav(1, 44100, tone);
    const Bytes data(canonical.begin() + 44, canonical.end());
    const Bytes format = FormatBody(1, 1, 16);

    Bytes badRiffSize = MakePcmWav(1, 44100, tone);
    WriteLe32(badRiffSize.data() + 4, 0x7FFFFFFF);
    Bytes oversized = MakePcmWav(1, 44100, tone);
    oversized.push_back(0x12);  // half a frame more than the header admits
    WriteLe32(oversized.data() + 40, 0xFFFFFFFF);
    Bytes claimsMore = Riff({Chunk("fmt ", format), Chunk("data", data)});
    WriteLe32(claimsMore.data() + 40, static_cast<uint32_t>(data.size() + 5000));

    const std::vector<std::pair<const char*, Bytes>> shapes = {
        {"list and odd junk first", Riff({Chunk("LIST", Bytes(26, 'i')), Chunk("JUNK", Bytes(5, 0)),
                                          Chunk("fmt ", format), Chunk("data", data)})},
        {"18-byte fmt and a fact chunk", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 18)), Chunk("fact", Bytes(4, 1)),
                                               Chunk("data", data)})},
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1, 16, 1)), Chunk("data", data)})},
        {"data before fmt, list after", Riff({Chunk("data", data), Chunk("fmt ", format), Chunk("LIST", Bytes(9, 'x'))})},
        {"wrong RIFF size", badRiffSize},
        {"data size 0xFFFFFFFF", oversized},
        {"data size beyond the file", claimsMore},
    };
    for (const auto& shape : shapes) {
        ASSERT_EQ(Pack(shape.second), 1) << shape.first;
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), expected) << shape.first;
    }
    EXPECT_TRUE(messages_->empty());
}

TEST_F(Packing, FilesThatCannotBeOpenedShowTheOpenMessageWithTheSourceAsCaption) {
    const Bytes before(100, 0x21);
    WriteFileBytes(Path("out.wad"), before);
    EXPECT_EQ(PackSoundFile(Path("missing.wav").c_str(), Path("out.wad").c_str()), 0);
    ExpectOneMessage(OPEN_FAILED, Path("missing.wav"));
    EXPECT_EQ(ReadFileBytes(Path("out.wad")), before);

    WriteFileBytes(Path("in.wav"), MakePcmWav(1, 44100, Tone(1, 100)));
    const std::string intoMissingFolder = Path("nowhere") + "/out.wad";
    EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), intoMissingFolder.c_str()), 0);
    ExpectOneMessage(OPEN_FAILED, Path("in.wav"));

    EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), folder_.c_str()), 0);
    ExpectOneMessage(OPEN_FAILED, Path("in.wav"));
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wav", "out.wad"}));
}

TEST_F(Packing, LeavesTheBlockSizeAndLaterExtractionsAlone) {
    ApplyChannelRule(FORCE_NONE, ".adx");
    Bytes wav = MakePcmWav(1, 22050, Tone(1, 200));
    ASSERT_EQ(Pack(wav), 1);
    EXPECT_EQ(g_soundInfo.blockSize, 72u);
    EXPECT_EQ(g_soundInfo.rate, 22050u);
    // Mono blocks of 36 bytes, whatever the block size field held.
    EXPECT_EQ(ReadFileBytes(Path("out.wad")).size(), 4u * 36);

    ApplyChannelRule(FORCE_NONE, ".wad");
    ASSERT_EQ(ExtractSoundFile(Path("out.wad").c_str(), Path("back.wav").c_str()), 1);
    Bytes back = ReadFileBytes(Path("back.wav"));
    EXPECT_EQ(ReadLe32(back.data() + 24), 44100u);
}

}  // namespace
