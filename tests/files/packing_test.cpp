// Packing: the samples the encoder receives from every WAV format (sox as
// the oracle), the mode a packed file is written in, the WAV shapes it
// reads alike, and the open message.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/globals.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/files/message_capture.h"
#include "tests/support/test_files.h"
#include "tests/support/wav_builders.h"

namespace {

typedef std::vector<int16_t> Samples;

Samples Tone(int channels, size_t frames) {
    Samples samples;
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i)
        samples.push_back(static_cast<int16_t>(9000 * std::sin(0.03 * static_cast<double>(i % 977))));
    return samples;
}

// What the encoder receives for a WAV file packed in channels.
Samples GameSamples(const Bytes& wav, uint32_t channels) {
    WavLayout layout;
    GamePcm pcm = {};
    Samples samples;
    EXPECT_EQ(ParseWavFile(wav.data(), wav.size(), &layout), CONV_OK);
    EXPECT_EQ(CheckPackable(layout), WAV_PACKABLE);
    if (MakeGamePcm(wav.data(), layout, channels, &pcm) == CONV_OK)
        for (size_t i = 0; i < static_cast<size_t>(pcm.frames) * channels; ++i)
            samples.push_back(static_cast<int16_t>(ReadLe16(pcm.samples + 2 * i)));
    ReleaseGamePcm(&pcm);
    return samples;
}

// How far below reference the difference of test lies, in dB, over the
// shorter of the two.
double SnrDb(const Samples& reference, const Samples& test) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size() && i < test.size(); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(reference[i]) - test[i]) * (double(reference[i]) - test[i]);
    }
    return 10 * std::log10(signal / (noise > 0 ? noise : 1e-9));
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
    // Packs wav into name under force; the packed bytes.
    Bytes Pack(const Bytes& wav, const std::string& name = "out.wad", ChannelForce force = FORCE_NONE) {
        WriteFileBytes(Path("in.wav"), wav);
        EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), Path(name).c_str(), force), 1) << name;
        return ReadFileBytes(Path(name));
    }
    // Packs and extracts in the destination's mode: the sound as the game hears it.
    Samples RoundTrip(const Bytes& wav, const std::string& name) {
        const Bytes packed = Pack(wav, name);
        ApplyChannelRule(FORCE_NONE, PathExtension(name.c_str()));
        EXPECT_EQ(ExtractSoundFile(Path(name).c_str(), Path("back.wav").c_str()), 1);
        return WavSamples(ReadFileBytes(Path("back.wav")));
    }
    std::vector<CapturedMessage>* messages_;
};

TEST_F(Packing, EveryFormatReachesTheEncoderAsSoxRendersIt) {
    struct Format {
        const char* name;
        uint32_t channels;
        bool resampled;
    };
    const Format formats[] = {
        {"u8_44k", 1, false},  {"s24_44k", 1, false},   {"s32_44k", 1, false},    {"f32_44k", 1, false},
        {"f64_44k", 1, false}, {"s16_44k_st", 1, false}, {"s24_48k_st", 2, true}, {"f32_96k", 1, true},
        {"u8_22k", 2, true},   {"s16_8k", 1, true},
    };
    for (const Format& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string mode = format.channels == 2 ? ".stereo" : ".mono";
        const Samples expected = WavSamples(ReadFileBytes(FixturePath(std::string("fmt_") + format.name + mode + ".sox.wav")));
        const Samples ours = GameSamples(ReadFileBytes(FixturePath(std::string("fmt_") + format.name + ".wav")), format.channels);
        ASSERT_FALSE(expected.empty());
        if (!format.resampled) {
            // The same rounding, but for ties broken the other way.
            ASSERT_EQ(ours.size(), expected.size());
            for (size_t i = 0; i < ours.size(); ++i) ASSERT_LE(std::abs(ours[i] - expected[i]), 1) << i;
        } else {
            // Two resamplers flat within 0.01 dB differ by less than -52 dB.
            EXPECT_LE(std::abs(static_cast<long>(ours.size()) - static_cast<long>(expected.size())),
                      static_cast<long>(format.channels));
            EXPECT_GT(SnrDb(expected, ours), 52.0);
        }
    }
    // An extensible header whose valid bits are fewer than its container's
    // is read by the container.
    const Bytes wide = ReadFileBytes(FixturePath("fmt_s32_44k.wav"));
    WavLayout layout;
    ASSERT_EQ(ParseWavFile(wide.data(), wide.size(), &layout), CONV_OK);
    Bytes format = ExtensibleBody(1, 32, 1);
    WriteLe16(format.data() + 18, 24);
    const Bytes narrow = Riff({Chunk("fmt ", format), Chunk("data", Bytes(wide.begin() + static_cast<long>(layout.dataOffset),
                                                                          wide.end()))});
    EXPECT_EQ(GameSamples(narrow, 1), GameSamples(wide, 1));
}

TEST_F(Packing, ARecordingAt48kHzSoundsAsGoodAsSoxsResamplingOfIt) {
    // Ours, packed and extracted, against sox's very-high-quality
    // rendering at 44100 Hz; and that rendering against its own round trip.
    const Samples rendering = WavSamples(ReadFileBytes(FixturePath("rec48k24.sox.wav")));
    ASSERT_FALSE(rendering.empty());
    const double ours = SnrDb(rendering, RoundTrip(ReadFileBytes(FixturePath("rec48k24.wav")), "ours.wad"));
    const double itself = SnrDb(rendering, RoundTrip(MakePcmWav(1, 44100, rendering), "sox.wad"));
    EXPECT_GT(ours, itself - 0.2) << "sox's own: " << itself;
}

TEST_F(Packing, WritesTheModeTheDestinationIsReadInAndLeavesTheBlockSizeAlone) {
    const Samples mono = Tone(1, 1000);
    Samples stereo, doubled, mixed;
    for (size_t i = 0; i < mono.size(); ++i) {
        const int16_t right = static_cast<int16_t>(mono[i] / 3 - 1);
        stereo.insert(stereo.end(), {mono[i], right});
        doubled.insert(doubled.end(), {mono[i], mono[i]});
        mixed.push_back(static_cast<int16_t>(std::floor((mono[i] + right) / 2.0 + 0.5)));
    }
    const Bytes monoWav = MakePcmWav(1, 44100, mono), stereoWav = MakePcmWav(2, 44100, stereo);
    const Bytes asMono = Pack(MakePcmWav(1, 44100, mixed));
    const Bytes asStereo = Pack(MakePcmWav(2, 44100, doubled), "out.adx");
    struct Case {
        const Bytes* wav;
        const char* destination;
        ChannelForce force;
        const Bytes* expected;
    };
    const Case cases[] = {
        {&stereoWav, "out.wad", FORCE_NONE, &asMono},   {&stereoWav, "OUT.ADP", FORCE_NONE, &asMono},
        {&stereoWav, "out.adx", FORCE_MONO, &asMono},   {&monoWav, "out.ADX", FORCE_NONE, &asStereo},
        {&monoWav, "out", FORCE_STEREO, &asStereo},
    };
    for (const Case& c : cases) {
        ApplyChannelRule(FORCE_NONE, ".adx");  // block size 72 in the description
        EXPECT_EQ(Pack(*c.wav, c.destination, c.force), *c.expected) << c.destination;
        EXPECT_EQ(g_soundInfo.blockSize, 72u);
    }
    // A WAV the game takes as it is goes to the encoder untouched.
    const SoundInfo direct = {WAVE_TAG_PCM, mono.data(), static_cast<uint32_t>(mono.size() * 2), 44100, 16, 1,
                              static_cast<uint32_t>(mono.size()), 0};
    void* image = nullptr;
    uint32_t imageSize = 0;
    ASSERT_EQ(AIL_compress_ADPCM(&direct, &image, &imageSize), 1);
    const uint8_t* bytes = static_cast<const uint8_t*>(image);
    EXPECT_EQ(Pack(monoWav), Bytes(bytes + ADPCM_IMAGE_DATA, bytes + ADPCM_IMAGE_DATA + ReadLe32(bytes + ADPCM_IMAGE_DATA_SIZE)));
    ReleaseCodecImage(image);
    EXPECT_TRUE(messages_->empty());
}

TEST_F(Packing, GivesTheSameBytesOnEveryBuild) {
    // Float stereo at 48000 Hz through every stage: reading, mixing,
    // resampling, rounding and the encoder. Natively and in both Windows
    // builds alike.
    Bytes data(4 * 2 * 24000);
    for (size_t i = 0; i < 24000; ++i)
        for (int c = 0; c < 2; ++c) {
            const float value = static_cast<float>(0.4 * std::sin(0.013 * double(i) * (c + 1)) + 0.3 * std::sin(2.1 * double(i)));
            uint32_t word;
            std::memcpy(&word, &value, sizeof word);
            WriteLe32(data.data() + (i * 2 + c) * 4, word);
        }
    const Bytes wav = Riff({Chunk("fmt ", FormatBody(3, 2, 32, 16, 48000)), Chunk("data", data)});
    EXPECT_EQ(HashBytes(Pack(wav, "out.wad")), 14938146392071157742u);
    EXPECT_EQ(HashBytes(Pack(wav, "out.adx")), 13022567061550834292u);
}

TEST_F(Packing, ReadsWavFilesByTheirChunks) {
    const Samples tone = Tone(1, 3000);
    const Bytes canonical = MakePcmWav(1, 44100, tone);
    const Bytes expected = Pack(canonical);
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
    for (const auto& shape : shapes) EXPECT_EQ(Pack(shape.second), expected) << shape.first;
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
