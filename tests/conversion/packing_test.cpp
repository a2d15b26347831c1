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

namespace {

const char READ_FAILED[] = "Не удалось прочитать данные из файла";
const char OPEN_FAILED[] = "Не удалось открыть файл";

std::vector<int16_t> Tone(int channels, size_t frames) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(9000 * std::sin(0.03 * (c + 1) * static_cast<double>(i))));
    return samples;
}

// A chunk with its pad byte when the body is odd.
Bytes Chunk(const char* id, const Bytes& body) {
    Bytes chunk(8 + body.size() + body.size() % 2, 0);
    std::memcpy(chunk.data(), id, 4);
    WriteLe32(chunk.data() + 4, static_cast<uint32_t>(body.size()));
    if (!body.empty()) std::memcpy(chunk.data() + 8, body.data(), body.size());
    return chunk;
}

Bytes FormatBody(uint32_t tag, uint32_t channels, uint32_t bits, size_t size = 16) {
    Bytes body(size, 0);
    WriteLe16(body.data(), tag);
    WriteLe16(body.data() + 2, channels);
    WriteLe32(body.data() + 4, 44100);
    WriteLe32(body.data() + 8, 44100 * channels * bits / 8);
    WriteLe16(body.data() + 12, channels * bits / 8);
    WriteLe16(body.data() + 14, bits);
    return body;
}

Bytes ExtensibleBody(uint32_t channels, uint32_t subformat) {
    Bytes body = FormatBody(0xFFFE, channels, 16, 40);
    WriteLe16(body.data() + 16, 22);
    WriteLe16(body.data() + 18, 16);
    WriteLe32(body.data() + 20, channels == 2 ? 3 : 4);
    const uint8_t guid[16] = {0, 0, 0, 0, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::memcpy(body.data() + 24, guid, 16);
    WriteLe16(body.data() + 24, subformat);
    return body;
}

Bytes SampleBytes(const std::vector<int16_t>& samples) {
    Bytes bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) WriteLe16(bytes.data() + 2 * i, static_cast<uint16_t>(samples[i]));
    return bytes;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
    size_t size = 12;
    for (const Bytes& chunk : chunks) size += chunk.size();
    Bytes riff(size);
    std::memcpy(riff.data(), "RIFF", 4);
    std::memcpy(riff.data() + 8, "WAVE", 4);
    size_t at = 12;
    for (const Bytes& chunk : chunks) {
        std::memcpy(riff.data() + at, chunk.data(), chunk.size());
        at += chunk.size();
    }
    WriteLe32(riff.data() + 4, static_cast<uint32_t>(riff.size() - 8));
    return riff;
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
    const Bytes data = SampleBytes(tone);
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
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1, 1)), Chunk("data", data)})},
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

TEST_F(Packing, RefusesWhatIsNoSixteenBitPcmWavWithTheReadMessage) {
    const Bytes data = SampleBytes(Tone(1, 500));
    const std::vector<std::pair<const char*, Bytes>> refused = {
        {"garbage", Bytes(5000, 0x6B)},
        {"RIFF but not WAVE", [] { Bytes b = MakePcmWav(1, 44100, Tone(1, 100)); std::memcpy(b.data() + 8, "AVI ", 4); return b; }()},
        {"no fmt chunk", Riff({Chunk("data", data)})},
        {"no data chunk", Riff({Chunk("fmt ", FormatBody(1, 1, 16))})},
        {"fmt chunk too short", Riff({Chunk("fmt ", Bytes(10, 1)), Chunk("data", data)})},
        {"fmt chunk past the end", [] { Bytes b = Riff({Chunk("fmt ", FormatBody(1, 1, 16))}); b.resize(30); return b; }()},
        {"no channels", Riff({Chunk("fmt ", FormatBody(1, 0, 16)), Chunk("data", data)})},
        {"three channels", Riff({Chunk("fmt ", FormatBody(1, 3, 16)), Chunk("data", data)})},
        {"8-bit", Riff({Chunk("fmt ", FormatBody(1, 1, 8)), Chunk("data", data)})},
        {"24-bit", Riff({Chunk("fmt ", FormatBody(1, 1, 24)), Chunk("data", data)})},
        {"float", Riff({Chunk("fmt ", FormatBody(3, 1, 32)), Chunk("data", data)})},
        {"extensible float", Riff({Chunk("fmt ", ExtensibleBody(1, 3)), Chunk("data", data)})},
        {"empty data", Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", Bytes())})},
        {"less than one frame", Riff({Chunk("fmt ", FormatBody(1, 2, 16)), Chunk("data", Bytes(3, 1))})},
    };
    const Bytes before(321, 0x44);
    for (const auto& shape : refused) {
        WriteFileBytes(Path("out.wad"), before);
        EXPECT_EQ(Pack(shape.second), 0) << shape.first;
        ExpectOneMessage(READ_FAILED, Path("in.wav"));
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), before) << shape.first;
        EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wav", "out.wad"})) << shape.first;
    }
    WriteFileBytes(Path("empty.wav"), Bytes());
    EXPECT_EQ(PackSoundFile(Path("empty.wav").c_str(), Path("out.wad").c_str()), 0);
    ExpectOneMessage(READ_FAILED, Path("empty.wav"));
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
