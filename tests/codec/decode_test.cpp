// Decoding: sample for sample against sox and libsndfile on blocks that
// sox and ffmpeg made from real and synthetic sound; the image layout;
// partial blocks, the frame bound and refusals; the fast decoder against
// the reference one.
#include <algorithm>
#include <cstring>
#include <random>

#include "conversion/codec/byte_order.h"
#include "conversion/codec/adpcm_decode.h"
#include "conversion/codec/adpcm_ima.h"
#include "tests/codec/codec_helpers.h"

namespace {

struct OracleCase {
    const char* sound;
    const char* encoder;  // "sox-ima" or "ff-ima"
};

class DecodeAgainstOracles : public ::testing::TestWithParam<OracleCase> {};

TEST_P(DecodeAgainstOracles, MatchesSoxAndLibsndfileSampleForSample) {
    const std::string base = std::string(GetParam().sound) + "." + GetParam().encoder;
    const WavFile ima = ParseWav(ReadFileBytes(FixturePath(base + ".wav")));
    ASSERT_EQ(ima.format, WAVE_TAG_IMA_ADPCM) << base;
    const Samples ours = DecodePacked(ima.data, ima.channels, ima.blockAlign);
    const uint32_t blockFrames = FramesInBlock(ima.blockAlign, ima.channels);
    for (const char* oracle : {".sox.wav", ".sf.wav"}) {
        const Samples theirs = FixtureSamples(base + oracle);
        ASSERT_FALSE(theirs.empty()) << base << oracle;
        // The oracles may stop at the fact chunk's count; we decode every
        // frame the blocks hold.
        ASSERT_LE(theirs.size(), ours.size()) << oracle;
        EXPECT_LT(ours.size() - theirs.size(), size_t(blockFrames) * ima.channels) << oracle;
        size_t firstDifference = theirs.size();
        for (size_t i = 0; i < theirs.size(); ++i)
            if (ours[i] != theirs[i]) {
                firstDifference = i;
                break;
            }
        EXPECT_EQ(firstDifference, theirs.size()) << base << oracle << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DecodeAgainstOracles,
    ::testing::Values(OracleCase{"speech_mono", "sox-ima"}, OracleCase{"speech_mono", "ff-ima"},
                      OracleCase{"speech_stereo", "sox-ima"}, OracleCase{"speech_stereo", "ff-ima"},
                      OracleCase{"explosion_mono", "sox-ima"}, OracleCase{"explosion_mono", "ff-ima"},
                      OracleCase{"effect_stereo", "sox-ima"}, OracleCase{"effect_stereo", "ff-ima"},
                      OracleCase{"square_stereo", "sox-ima"}, OracleCase{"square_stereo", "ff-ima"},
                      OracleCase{"noise_mono", "sox-ima"}, OracleCase{"noise_mono", "ff-ima"},
                      OracleCase{"loud_mono", "sox-ima"}, OracleCase{"loud_mono", "ff-ima"}),
    [](const ::testing::TestParamInfo<OracleCase>& param) {
        std::string name = std::string(param.param.sound) + "_" + param.param.encoder;
        for (char& c : name)
            if (c == '-') c = '_';
        return name;
    });

Bytes RandomBlocks(std::mt19937* random, size_t bytes) {
    Bytes data(bytes);
    for (uint8_t& b : data) b = static_cast<uint8_t>((*random)() & 0xFF);
    return data;
}

struct Decoded {
    int result;
    Bytes image;
};

Decoded Decompress(SoundInfo info) {
    void* image = nullptr;
    uint32_t size = 0;
    Decoded d;
    d.result = AIL_decompress_ADPCM(&info, &image, &size);
    if (d.result) {
        const uint8_t* p = static_cast<const uint8_t*>(image);
        d.image.assign(p, p + size);
        ReleaseCodecImage(image);
    }
    return d;
}

SoundInfo AdpcmInfo(const Bytes& data, uint32_t channels, uint32_t blockSize) {
    return SoundInfo{WAVE_TAG_IMA_ADPCM, data.data(), static_cast<uint32_t>(data.size()), 44100, 4,
                     channels, UINT32_MAX, blockSize};
}

TEST(Decode, ImageIsCanonicalPcmWav) {
    std::mt19937 random(1);
    const Bytes data = RandomBlocks(&random, 72 * 3);
    SoundInfo info = AdpcmInfo(data, 2, 72);
    info.rate = 22050;
    const Decoded d = Decompress(info);
    ASSERT_EQ(d.result, 1);
    const uint8_t* p = d.image.data();
    ASSERT_EQ(d.image.size(), 44u + 3 * 65 * 4);
    EXPECT_TRUE(TagIs(p, "RIFF") && TagIs(p + 8, "WAVE") && TagIs(p + 12, "fmt ") && TagIs(p + 36, "data"));
    EXPECT_EQ(ReadLe32(p + PCM_IMAGE_RIFF_SIZE), d.image.size() - 8);
    EXPECT_EQ(ReadLe32(p + PCM_IMAGE_DATA_SIZE), d.image.size() - 44);
    EXPECT_EQ(ReadLe32(p + 16), 16u);
    EXPECT_EQ(ReadLe16(p + 20), 1u);
    EXPECT_EQ(ReadLe16(p + 22), 2u);
    EXPECT_EQ(ReadLe32(p + 24), 22050u);
    EXPECT_EQ(ReadLe32(p + 28), 22050u * 4);
    EXPECT_EQ(ReadLe16(p + 32), 4u);
    EXPECT_EQ(ReadLe16(p + 34), 16u);
}

TEST(Decode, BlockStartsWithHeaderSampleAndClampsStepIndex) {
    std::mt19937 random(2);
    Bytes block = RandomBlocks(&random, 36);
    WriteLe16(block.data(), static_cast<uint16_t>(-1234));
    block[2] = 88;
    const Samples at88 = DecodePacked(block, 1, 36);
    block[2] = 200;
    block[3] = 0x5A;  // the reserved byte is ignored
    const Samples at200 = DecodePacked(block, 1, 36);
    ASSERT_EQ(at88.size(), 65u);
    EXPECT_EQ(at88[0], -1234);
    EXPECT_EQ(at88, at200);
}

TEST(Decode, FinalPartialBlockDecodesItsWholeGroups) {
    std::mt19937 random(3);
    for (uint32_t channels : {1u, 2u}) {
        const uint32_t blockSize = 36 * channels;
        const Bytes full = RandomBlocks(&random, 2 * blockSize);
        const Samples whole = DecodePacked(full, channels, blockSize);
        // Header plus one group, plus a few stray bytes of the next group.
        const size_t cut = blockSize + 4 * channels + 4 * channels + 2 * channels;
        const Samples part = DecodePacked(Bytes(full.begin(), full.begin() + static_cast<long>(cut)),
                                          channels, blockSize);
        ASSERT_EQ(part.size(), (65u + 9u) * channels);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin())) << channels;
        // Less than the headers: the final block adds nothing.
        const Samples headerless = DecodePacked(
            Bytes(full.begin(), full.begin() + static_cast<long>(blockSize + 4 * channels - 4)), channels,
            blockSize);
        EXPECT_EQ(headerless.size(), 65u * channels);
    }
}

TEST(Decode, FrameCountIsAnUpperBound) {
    std::mt19937 random(4);
    const Bytes data = RandomBlocks(&random, 36 * 4);
    SoundInfo info = AdpcmInfo(data, 1, 36);
    info.samples = 2 * 36 * 4;  // what the extraction passes: every code
    EXPECT_EQ(Decompress(info).image.size(), 44u + 4 * 65 * 2);
    info.samples = 100;
    const Decoded bounded = Decompress(info);
    ASSERT_EQ(bounded.result, 1);
    EXPECT_EQ(bounded.image.size(), 44u + 100 * 2);
    const Decoded whole = Decompress(AdpcmInfo(data, 1, 36));
    EXPECT_TRUE(std::equal(bounded.image.begin() + 44, bounded.image.end(), whole.image.begin() + 44));
}

TEST(Decode, RefusesWhatItCannotDecode) {
    const Bytes data(720, 0x11);
    SoundInfo good = AdpcmInfo(data, 1, 36);
    ASSERT_EQ(Decompress(good).result, 1);
    const Decoded empty = Decompress(AdpcmInfo(Bytes(), 1, 36));  // nothing to decode is no error
    ASSERT_EQ(empty.result, 1);
    EXPECT_EQ(empty.image.size(), 44u);
    SoundInfo bad = good;
    bad.format = WAVE_TAG_PCM;
    EXPECT_EQ(Decompress(bad).result, 0);
    for (uint32_t channels : {0u, 3u, 6u}) {
        bad = good;
        bad.channels = channels;
        EXPECT_EQ(Decompress(bad).result, 0) << channels;
    }
    for (uint32_t blockSize : {0u, 4u, 34u, 36u + 2u}) {
        bad = good;
        bad.blockSize = blockSize;
        EXPECT_EQ(Decompress(bad).result, 0) << blockSize;
    }
    bad = AdpcmInfo(data, 2, 36);  // stereo blocks need whole 8-byte groups
    EXPECT_EQ(Decompress(bad).result, 0);
    bad = AdpcmInfo(data, 2, 8);  // nothing but the headers
    EXPECT_EQ(Decompress(bad).result, 0);
    bad = good;
    bad.data = nullptr;
    EXPECT_EQ(Decompress(bad).result, 0);
    void* image = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(AIL_decompress_ADPCM(nullptr, &image, &size), 0);
    EXPECT_EQ(AIL_decompress_ADPCM(&good, nullptr, &size), 0);
    EXPECT_EQ(AIL_decompress_ADPCM(&good, &image, nullptr), 0);
}

TEST(Decode, RefusesASoundTooLargeForRiffBeforeReadingIt) {
    // Near 4 GB of mono blocks decode to more than 4 GB of samples; the
    // codec must say no from the sizes alone (the buffer is tiny).
    const Bytes data(36, 0);
    SoundInfo info = AdpcmInfo(data, 1, 36);
    info.dataLength = 0xFFFFFFF0u;
    EXPECT_EQ(Decompress(info).result, 0);
}

// Random blocks, and blocks whose headers near full scale and codes of
// one sign drive the clamp, decoded by the fast decoder and block by block
// by the reference one.
TEST(Decode, FastDecoderMatchesTheReference) {
    std::mt19937 random(5);
    bool top = false, bottom = false;
    for (uint32_t channels : {1u, 2u})
        for (uint32_t blockSize : {36u * channels, 12u * channels, 256u * channels})
            for (size_t count : {size_t(0), size_t(1), size_t(3), size_t(16)}) {
                Bytes data = RandomBlocks(&random, count * blockSize);
                for (size_t b = 0; b < count && blockSize == 36 * channels; ++b) {
                    uint8_t* block = data.data() + b * blockSize;
                    for (uint32_t c = 0; c < channels; ++c)
                        WriteLe16(block + 4 * c, static_cast<uint16_t>(b % 2 ? 32000 : -32000));
                    if (b % 3 == 0) std::memset(block + 4 * channels, b % 2 ? 0x77 : 0xFF, blockSize - 4 * channels);
                }
                const uint32_t frames = FramesInBlock(blockSize, channels);
                Samples fast(count * frames * channels + 1, 0x7777), reference(fast);
                EXPECT_EQ(DecodeBlocks(data.data(), count, blockSize, channels, fast.data()), count * frames);
                for (size_t b = 0; b < count; ++b)
                    DecodeBlockReference(data.data() + b * blockSize, blockSize, channels,
                                         reference.data() + b * frames * channels);
                EXPECT_EQ(fast, reference) << channels << " " << blockSize << " " << count;
                top = top || std::find(reference.begin(), reference.end(), 32767) != reference.end();
                bottom = bottom || std::find(reference.begin(), reference.end(), -32768) != reference.end();
            }
    EXPECT_TRUE(top && bottom);
}

}  // namespace
