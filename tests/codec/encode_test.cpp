// Encoding: the image layout and the game's block layout, refusals,
// decoder-exact predictions, the search's two forms, sox decoding our data
// as we do, quality against sox's encoder and between our two encoders,
// independent channels and a clean end.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "conversion/codec/byte_order.h"
#include "conversion/codec/adpcm_decode.h"
#include "conversion/codec/adpcm_encode.h"
#include "tests/codec/codec_helpers.h"

namespace {

const AdpcmEncoder ENCODERS[] = {ADPCM_ENCODER_SEARCH, ADPCM_ENCODER_PLAIN};

Samples Tone(size_t frames, uint32_t channels, double amplitude) {
    Samples s(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c)
            s[i * channels + c] = static_cast<int16_t>(amplitude * std::sin(0.03 * double(i) * (c + 1)));
    return s;
}

int Compress(SoundInfo info, Bytes* out = nullptr) {
    void* image = nullptr;
    uint32_t size = 0;
    const int result = AIL_compress_ADPCM(&info, &image, &size);
    if (result && out) {
        const uint8_t* p = static_cast<const uint8_t*>(image);
        out->assign(p, p + size);
    }
    if (result) ReleaseCodecImage(image);
    return result;
}

SoundInfo PcmInfo(const Samples& pcm, uint32_t channels) {
    return SoundInfo{WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), 44100, 16,
                     channels, static_cast<uint32_t>(pcm.size() / channels), 0};
}

TEST(Encode, ImageHasTheGameBlockLayoutWhateverTheBlockSizeField) {
    for (uint32_t channels : {1u, 2u}) {
        const Samples pcm = Tone(1000, channels, 8000);
        for (uint32_t blockSize : {0u, 36u, 72u, 1024u}) {
            SoundInfo info = PcmInfo(pcm, channels);
            info.blockSize = blockSize;
            info.rate = 22050;
            Bytes image;
            ASSERT_EQ(Compress(info, &image), 1);
            const uint8_t* p = image.data();
            const uint32_t blocks = (1000 + 64) / 65;
            ASSERT_EQ(image.size(), ADPCM_IMAGE_DATA + blocks * 36 * channels);
            EXPECT_TRUE(TagIs(p, "RIFF") && TagIs(p + 8, "WAVE") && TagIs(p + 12, "fmt ") &&
                        TagIs(p + 40, "fact") && TagIs(p + 52, "data"));
            EXPECT_EQ(ReadLe32(p + 4), image.size() - 8);
            EXPECT_EQ(ReadLe32(p + 16), 20u);
            EXPECT_EQ(ReadLe16(p + 20), WAVE_TAG_IMA_ADPCM);
            EXPECT_EQ(ReadLe16(p + 22), channels);
            EXPECT_EQ(ReadLe32(p + 24), 22050u);
            EXPECT_EQ(ReadLe32(p + 28), 22050u * 36 * channels / 65);
            EXPECT_EQ(ReadLe16(p + 32), 36u * channels);
            EXPECT_EQ(ReadLe16(p + 34), 4u);
            EXPECT_EQ(ReadLe16(p + 36), 2u);
            EXPECT_EQ(ReadLe16(p + 38), 65u);
            EXPECT_EQ(ReadLe32(p + 44), 4u);
            EXPECT_EQ(ReadLe32(p + 48), 1000u);
            EXPECT_EQ(ReadLe32(p + ADPCM_IMAGE_DATA_SIZE), blocks * 36 * channels);
        }
    }
}

TEST(Encode, EncodesTheFramesTheDataHoldsUpToTheCount) {
    const Samples pcm = Tone(500, 2, 3000);
    SoundInfo info = PcmInfo(pcm, 2);
    info.samples = 130;
    Bytes image;
    ASSERT_EQ(Compress(info, &image), 1);
    EXPECT_EQ(ReadLe32(image.data() + 48), 130u);
    EXPECT_EQ(image.size(), ADPCM_IMAGE_DATA + 2 * 72);
    info = PcmInfo(pcm, 2);
    info.samples = 100000;
    info.dataLength = 66 * 4 + 3;  // a stray partial frame is dropped
    ASSERT_EQ(Compress(info, &image), 1);
    EXPECT_EQ(ReadLe32(image.data() + 48), 66u);
}

TEST(Encode, RefusesWhatItCannotEncode) {
    const Samples pcm = Tone(100, 1, 1000);
    const SoundInfo good = PcmInfo(pcm, 1);
    ASSERT_EQ(Compress(good), 1);
    SoundInfo bad = good;
    bad.format = WAVE_TAG_IMA_ADPCM;
    EXPECT_EQ(Compress(bad), 0);
    bad = good;
    bad.format = 3;  // IEEE float
    EXPECT_EQ(Compress(bad), 0);
    for (uint32_t bits : {8u, 24u, 0u}) {
        bad = good;
        bad.bits = bits;
        EXPECT_EQ(Compress(bad), 0) << bits;
    }
    for (uint32_t channels : {0u, 3u}) {
        bad = good;
        bad.channels = channels;
        EXPECT_EQ(Compress(bad), 0) << channels;
    }
    bad = good;
    bad.samples = 0;
    EXPECT_EQ(Compress(bad), 0);
    bad = good;
    bad.dataLength = 1;
    EXPECT_EQ(Compress(bad), 0);
    bad = good;
    bad.data = nullptr;
    EXPECT_EQ(Compress(bad), 0);
    void* image = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(AIL_compress_ADPCM(nullptr, &image, &size), 0);
    EXPECT_EQ(AIL_compress_ADPCM(&good, nullptr, &size), 0);
}

// A second of speech from the fixtures, from their second second on.
Samples SpeechSecond(uint32_t channels) {
    return Excerpt(FixtureSamples(channels == 1 ? "speech_mono.wav" : "speech_stereo.wav"), channels, 44100, 44100);
}

// Random blocks of several kinds: noise, a loud square, clicks, quiet.
void RandomBlock(std::mt19937* random, int kind, int16_t* input) {
    for (int i = 0; i < 65; ++i) {
        const int32_t r = static_cast<int32_t>((*random)() % 65536) - 32768;
        const double tone = std::sin(0.05 * i) + 0.3 * std::sin(0.31 * i);
        input[i] = static_cast<int16_t>(kind == 0   ? r
                                        : kind == 1 ? ((i / 5) % 2 ? 32767 : -32768)
                                        : kind == 2 ? (i % 23 == 5 ? r : 0)
                                        : kind == 3 ? 12000 * tone + r / 64
                                                    : r / 512);
    }
}

typedef void (*ChannelEncoder)(const ChannelBlock&, AdpcmChannelState*);

TEST(Encode, PredictionsAreWhatTheDecoderReconstructs) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        int16_t input[65];
        RandomBlock(&random, trial % 5, input);
        for (ChannelEncoder encoder : {EncodeChannelBlockSearch, EncodeChannelBlockPlain}) {
            uint8_t block[36] = {};
            int16_t predicted[65];
            AdpcmChannelState state = {0, static_cast<int32_t>(random() % 89)};
            encoder({input, 1, block, block + 4, 4, predicted}, &state);
            EXPECT_EQ(static_cast<int16_t>(ReadLe16(block)), input[0]);
            EXPECT_EQ(block[3], 0);
            int16_t decoded[65];
            ASSERT_EQ(DecodeBlockReference(block, 36, 1, decoded), 65u);
            ASSERT_TRUE(std::equal(decoded, decoded + 65, predicted)) << trial;
            AdpcmChannelState replay = {decoded[0], block[2]};
            for (int i = 0; i < 64; ++i) DecodeNibble(&replay, (block[4 + i / 2] >> (4 * (i % 2))) & 15);
            EXPECT_EQ(replay.predictor, state.predictor);
            EXPECT_EQ(replay.stepIndex, state.stepIndex);
        }
    }
}

TEST(Encode, BothFormsOfTheSearchAgree) {
    // Speech-like, quiet, clicks, full scale, random jumps from rail to
    // rail, and the least step's noise (the lowest and highest step
    // indices take clamped moves).
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        int16_t input[65];
        const int kind = trial % 6;
        RandomBlock(&random, kind % 5, input);
        for (int i = 0; i < 65 && kind == 5; ++i) input[i] = static_cast<int16_t>(random() % 3);
        for (int i = 0; i < 65 && trial % 12 == 4; ++i) input[i] = static_cast<int16_t>(random() & 1 ? 32767 : -32768);
        const int32_t index = static_cast<int32_t>(random() % 89);
        uint8_t chosen[36] = {}, portable[36] = {};
        AdpcmChannelState chosenState = {0, index}, portableState = {0, index};
        EncodeChannelBlockSearch({input, 1, chosen, chosen + 4, 4, nullptr}, &chosenState);
        EncodeChannelBlockSearchPortable({input, 1, portable, portable + 4, 4, nullptr}, &portableState);
        ASSERT_TRUE(std::equal(chosen, chosen + 36, portable)) << trial;
        ASSERT_EQ(chosenState.stepIndex, portableState.stepIndex) << trial;
    }
}

#ifndef _WIN32
class SoxDecodesOurData : public ScratchFolderTest {};

TEST_F(SoxDecodesOurData, ExactlyAsOurDecoder) {
    for (AdpcmEncoder encoder : ENCODERS)
        for (const char* name : {"speech_mono.wav", "speech_stereo.wav", "loud_mono.wav", "clicks_mono.wav"}) {
            const WavFile source = ParseWav(ReadFileBytes(FixturePath(name)));
            const Samples pcm = Excerpt(FixtureSamples(name), source.channels, 0, 2 * 44100);
            ASSERT_FALSE(pcm.empty()) << name;
            const Bytes image = EncodePcm(pcm, source.channels, encoder);
            WriteFileBytes(Path("ours.wav"), image);
            const std::string command = "sox -V1 '" + Path("ours.wav") + "' -e signed-integer -b 16 '" +
                                        Path("sox.wav") + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            const WavFile decoded = ParseWav(ReadFileBytes(Path("sox.wav")));
            Samples soxSamples(decoded.data.size() / 2);
            for (size_t i = 0; i < soxSamples.size(); ++i)
                soxSamples[i] = static_cast<int16_t>(ReadLe16(decoded.data.data() + 2 * i));
            const Samples ours = DecodePacked(PackedData(image), source.channels, 36 * source.channels);
            // sox decodes every frame of the last block, padding included.
            ASSERT_EQ(soxSamples.size(), ours.size()) << name;
            EXPECT_TRUE(std::equal(soxSamples.begin(), soxSamples.end(), ours.begin())) << name;
        }
}
#endif

struct QualityCase {
    const char* sound;
    double searchOverPlain;  // dB the search must gain on the plain encoder
};

class EncodeQuality : public ::testing::TestWithParam<QualityCase> {};

TEST_P(EncodeQuality, BeatsSoxAndThePlainEncoder) {
    const std::string name = GetParam().sound;
    const WavFile source = ParseWav(ReadFileBytes(FixturePath(name + ".wav")));
    const Samples pcm = FixtureSamples(name + ".wav");
    ASSERT_FALSE(pcm.empty());
    const uint32_t channels = source.channels;
    const Samples plain = DecodePacked(PackedData(EncodePcm(pcm, channels, ADPCM_ENCODER_PLAIN)), channels,
                                       36 * channels);
    const Samples search = DecodePacked(PackedData(EncodePcm(pcm, channels, ADPCM_ENCODER_SEARCH)), channels,
                                        36 * channels);
    const double plainDb = SnrDb(pcm, plain), searchDb = SnrDb(pcm, search);
    if (FileExists(FixturePath(name + ".sox-ima.sox.wav"))) {
        const double soxDb = SnrDb(pcm, FixtureSamples(name + ".sox-ima.sox.wav"));
        EXPECT_GE(plainDb, soxDb) << name;
    }
    EXPECT_GE(searchDb, plainDb + GetParam().searchOverPlain) << name << " plain " << plainDb;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EncodeQuality,
                         ::testing::Values(QualityCase{"speech_mono", 0.5}, QualityCase{"speech_stereo", 0.5},
                                           QualityCase{"explosion_mono", 2.0}, QualityCase{"music_mono", 0.5},
                                           QualityCase{"effect_stereo", 1.0}, QualityCase{"sweep_mono", 0.1},
                                           QualityCase{"square_stereo", 1.0}, QualityCase{"noise_mono", 0.5},
                                           QualityCase{"clicks_mono", 6.0}, QualityCase{"loud_mono", 0.1}),
                         [](const ::testing::TestParamInfo<QualityCase>& param) { return std::string(param.param.sound); });

TEST(Encode, StereoChannelsAreEncodedIndependently) {
    const Samples pcm = SpeechSecond(2);
    ASSERT_EQ(pcm.size(), 2 * 44100u);
    for (AdpcmEncoder encoder : ENCODERS) {
        const Bytes stereo = PackedData(EncodePcm(pcm, 2, encoder));
        for (uint32_t c = 0; c < 2; ++c) {
            const Bytes mono = PackedData(EncodePcm(Channel(pcm, 2, c), 1, encoder));
            ASSERT_EQ(mono.size() * 2, stereo.size());
            bool same = true;
            for (size_t b = 0; b < mono.size() / 36; ++b) {
                const uint8_t* m = mono.data() + b * 36;
                const uint8_t* s = stereo.data() + b * 72;
                same = same && std::equal(m, m + 4, s + 4 * c);
                for (size_t g = 0; g < 8; ++g) same = same && std::equal(m + 4 + 4 * g, m + 8 + 4 * g, s + 8 + 8 * g + 4 * c);
            }
            EXPECT_TRUE(same) << "channel " << c << " encoder " << encoder;
        }
    }
}

TEST(Encode, EndsWithoutAClick) {
    // Sounds ending mid-block on a loud sample: the padding holds it.
    for (AdpcmEncoder encoder : ENCODERS)
        for (size_t frames : {size_t(66), size_t(100), size_t(129), size_t(1000)}) {
            const Samples pcm = Tone(frames, 1, 20000);
            const Samples decoded = DecodePacked(PackedData(EncodePcm(pcm, 1, encoder)), 1, 36);
            ASSERT_EQ(decoded.size() % 65, 0u);
            for (size_t i = frames; i < decoded.size(); ++i)
                EXPECT_LT(std::abs(decoded[i] - pcm.back()), 1000) << frames << " at " << i;
        }
}

}  // namespace
