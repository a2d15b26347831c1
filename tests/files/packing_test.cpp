// Packing: the samples the encoder receives from every WAV format (sox as
// the oracle), the mode a packed file is written in, and the same bytes in
// every build. (The WAV shapes it reads alike and its failures: the
// bad-input suite.)
#include <cmath>
#include <cstring>

#include "conversion/codec/byte_order.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/globals.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

namespace {

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

class Packing : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        messages_ = &CaptureMessages();
    }
    // Packs wav into name under force; the packed bytes.
    Bytes Pack(const Bytes& wav, const std::string& name = "out.wad", ChannelForce force = FORCE_NONE) {
        WriteFileBytes(Path("in.wav"), wav);
        EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), Path(name).c_str(), force), 1) << name;
        return ReadFileBytes(Path(name));
    }
    std::vector<CapturedMessage>* messages_;
};

TEST_F(Packing, EveryFormatReachesTheEncoderAsSoxRendersIt) {
    const struct {
        const char* name;
        uint32_t channels;
        bool resampled;
    } formats[] = {
        {"u8_44k", 1, false},  {"s24_44k", 1, false},   {"s32_44k", 1, false},    {"f32_44k", 1, false},
        {"f64_44k", 1, false}, {"s16_44k_st", 1, false}, {"s24_48k_st", 2, true}, {"f32_96k", 1, true},
        {"u8_22k", 2, true},   {"s16_8k", 1, true},     {"s16_44101", 1, true},
    };
    for (const auto& format : formats) {
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
            // Ours and sox's agree to 66 dB or better (the 8-bit input the
            // least); blended phases a thousandth of a sample off give 57.
            EXPECT_LE(std::abs(static_cast<long>(ours.size()) - static_cast<long>(expected.size())),
                      static_cast<long>(format.channels));
            EXPECT_GT(SnrDb(expected, ours), 64.0);
        }
    }
    for (uint32_t rate : {4000u, 384000u}) EXPECT_FALSE(Pack(MakePcmWav(1, rate, Tone(1, 4000))).empty()) << rate;
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
    const Bytes asMono = Pack(MakePcmWav(1, 44100, mixed)), asStereo = Pack(MakePcmWav(2, 44100, doubled), "out.adx");
    const struct {
        const Bytes *wav, *expected;
        const char* destination;
        ChannelForce force;
    } cases[] = {{&stereoWav, &asMono, "OUT.ADP", FORCE_NONE}, {&stereoWav, &asMono, "out.adx", FORCE_MONO},
                 {&monoWav, &asStereo, "out.ADX", FORCE_NONE}, {&monoWav, &asStereo, "out", FORCE_STEREO}};
    for (const auto& c : cases) {
        ApplyChannelRule(FORCE_NONE, ".adx");  // block size 72 in the description
        EXPECT_EQ(Pack(*c.wav, c.destination, c.force), *c.expected) << c.destination;
        EXPECT_EQ(g_soundInfo.blockSize, 72u);
    }
    EXPECT_TRUE(messages_->empty());
}

TEST_F(Packing, GivesTheSameBytesOnEveryBuild) {
    // Float stereo at 48000 Hz through every stage: reading, mixing,
    // resampling, rounding and the encoder, natively and in both Windows
    // builds alike. The input is made with integers only.
    Bytes data(4 * 2 * 24000);
    uint32_t state = 1;
    for (size_t i = 0; i < data.size(); i += 4) {
        state = state * 1664525u + 1013904223u;
        const float value = static_cast<float>(static_cast<int32_t>(state >> 16) - 32768) / 40000.0f;
        uint32_t word;
        std::memcpy(&word, &value, sizeof word);
        WriteLe32(&data[i], word);
    }
    const Bytes wav = Riff({Chunk("fmt ", FormatBody(3, 2, 32, 16, 48000)), Chunk("data", data)});
    EXPECT_EQ(HashBytes(Pack(wav, "out.wad")), 13693891870059788567u);
    EXPECT_EQ(HashBytes(Pack(wav, "out.adx")), 7477674045484652383u);
}

}  // namespace
