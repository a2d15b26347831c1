// Packing: what it writes, the WAV shapes it reads alike, and the open
// message.
#include <cmath>

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

std::vector<int16_t> Tone(int channels, size_t frames) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i)
        samples.push_back(static_cast<int16_t>(9000 * std::sin(0.03 * static_cast<double>(i % 977))));
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
    int Pack(const Bytes& wav) {
        WriteFileBytes(Path("in.wav"), wav);
        return PackSoundFile(Path("in.wav").c_str(), Path("out.wad").c_str());
    }
    std::vector<CapturedMessage>* messages_;
};

TEST_F(Packing, WritesGameBlocksThatExtractBackToTheSoundAndLeavesTheBlockSizeAlone) {
    for (int channels : {1, 2}) {
        ApplyChannelRule(FORCE_NONE, ".adx");  // block size 72 in the description
        const std::vector<int16_t> tone = Tone(channels, 1000);
        ASSERT_EQ(Pack(MakePcmWav(channels, 22050, tone)), 1);
        EXPECT_EQ(g_soundInfo.blockSize, 72u);
        const Bytes packed = ReadFileBytes(Path("out.wad"));
        EXPECT_EQ(packed.size(), 16u * 36 * static_cast<size_t>(channels));  // 65-frame blocks, no header
        ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        ASSERT_EQ(ExtractSoundFile(Path("out.wad").c_str(), Path("back.wav").c_str()), 1);
        const Bytes back = ReadFileBytes(Path("back.wav"));
        EXPECT_EQ(ReadLe32(back.data() + 24), 44100u);
        const std::vector<int16_t> samples = WavSamples(back);
        ASSERT_GE(samples.size(), tone.size());
        double signal = 0, noise = 0;
        for (size_t i = 0; i < tone.size(); ++i) {
            signal += double(tone[i]) * tone[i];
            noise += double(tone[i] - samples[i]) * (tone[i] - samples[i]);
        }
        EXPECT_GT(10 * std::log10(signal / noise), 30.0) << channels;
    }
    EXPECT_TRUE(messages_->empty());
}

TEST_F(Packing, ReadsWavFilesByTheirChunks) {
    const std::vector<int16_t> tone = Tone(1, 3000);
    const Bytes canonical = MakePcmWav(1, 44100, tone);
    ASSERT_EQ(Pack(canonical), 1);
    const Bytes expected = ReadFileBytes(Path("out.wad"));
    const Bytes data(canonical.begin() + 44, canonical.end());
    const Bytes format = FormatBody(1, 1, 16);
    Bytes oversized = Concat(canonical, Bytes(1, 0x12));  // half a frame more than the header admits
    WriteLe32(oversized.data() + 4, 0x7FFFFFFF);
    WriteLe32(oversized.data() + 40, 0xFFFFFFFF);
    const std::vector<std::pair<const char*, Bytes>> shapes = {
        {"list and odd junk first", Riff({Chunk("LIST", Bytes(26, 'i')), Chunk("JUNK", Bytes(5, 0)),
                                          Chunk("fmt ", format), Chunk("data", data)})},
        {"18-byte fmt and a fact chunk",
         Riff({Chunk("fmt ", FormatBody(1, 1, 16, 18)), Chunk("fact", Bytes(4, 1)), Chunk("data", data)})},
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1, 16, 1)), Chunk("data", data)})},
        {"data before fmt", Riff({Chunk("data", data), Chunk("fmt ", format), Chunk("LIST", Bytes(9, 'x'))})},
        {"sizes beyond the file", oversized},
    };
    for (const auto& shape : shapes) {
        ASSERT_EQ(Pack(shape.second), 1) << shape.first;
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), expected) << shape.first;
    }
    EXPECT_TRUE(messages_->empty());
}

TEST_F(Packing, WhatCannotBeOpenedShowsTheOpenMessageWithTheSourceAsCaption) {
    WriteFileBytes(Path("in.wav"), MakePcmWav(1, 44100, Tone(1, 100)));
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {Path("missing.wav"), Path("out.wad")}, {Path("in.wav"), Path("nowhere") + "/out.wad"}, {Path("in.wav"), folder_}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(PackSoundFile(pair.first.c_str(), pair.second.c_str()), 0);
        ASSERT_EQ(messages_->size(), 1u);
        EXPECT_EQ(messages_->front().text, "Не удалось открыть файл");
        EXPECT_EQ(messages_->front().caption, pair.first);
        EXPECT_EQ(messages_->front().icon, MESSAGE_ERROR);
        messages_->clear();
    }
    EXPECT_EQ(ListFolder(folder_), std::vector<std::string>{"in.wav"});
}

}  // namespace
