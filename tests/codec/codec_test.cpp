// The codec: decoding sample for sample as sox and libsndfile do, the edges
// of a block and of the description, encodings the decoder reproduces
// exactly, the search's two forms alike, and the search's sound against sox
// and the plain encoder. (That the table decoder reads any blocks as a
// plain reading of them does is fuzz_extract's to check.)
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/adpcm_decode.h"
#include "conversion/codec/adpcm_encode.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/wav_reader.h"
#include "tests/support/test_files.h"

namespace {

// Our decoding of packed data with the description's other fields as the
// extraction sets them; empty when the codec refuses.
Samples Decode(const Bytes& packed, uint32_t channels, uint32_t blockSize, uint32_t frames = UINT32_MAX) {
    const SoundInfo info = {WAVE_TAG_IMA_ADPCM, packed.data(), static_cast<uint32_t>(packed.size()), 44100, 4,
                            channels, frames, blockSize};
    void* image = nullptr;
    uint32_t size = 0;
    if (!AIL_decompress_ADPCM(&info, &image, &size)) return Samples();
    const Samples samples = WavSamples(Bytes(static_cast<uint8_t*>(image), static_cast<uint8_t*>(image) + size));
    ReleaseCodecImage(image);
    return samples;
}

// Our encoding of interleaved 16-bit PCM: the ADPCM data alone.
Bytes Encode(const Samples& pcm, uint32_t channels, AdpcmEncoder encoder) {
    const SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), 44100, 16, channels,
                            static_cast<uint32_t>(pcm.size() / channels), 0};
    void* image = nullptr;
    uint32_t size = 0;
    if (!CompressAdpcmWith(&info, encoder, &image, &size)) return Bytes();
    const uint8_t* p = static_cast<const uint8_t*>(image);
    Bytes data(p + ADPCM_IMAGE_DATA, p + ADPCM_IMAGE_DATA + ReadLe32(p + ADPCM_IMAGE_DATA_SIZE));
    ReleaseCodecImage(image);
    return data;
}

// A fixture's format and samples (its data chunk, whatever it holds).
struct Fixture {
    WavLayout layout;
    Bytes data;
    Samples samples;
};
Fixture ReadFixture(const std::string& name) {
    Fixture f;
    const Bytes bytes = ReadFileBytes(FixturePath(name));
    EXPECT_EQ(ParseWavFile(bytes.data(), bytes.size(), &f.layout), CONV_OK) << name;
    f.data.assign(bytes.begin() + static_cast<long>(f.layout.dataOffset),
                  bytes.begin() + static_cast<long>(f.layout.dataOffset + f.layout.dataLength));
    for (size_t i = 0; i + 1 < f.data.size(); i += 2) f.samples.push_back(static_cast<int16_t>(ReadLe16(&f.data[i])));
    return f;
}

TEST(Decode, MatchesSoxAndLibsndfileSampleForSample) {
    for (const char* sound : {"speech_mono", "speech_stereo", "explosion_mono", "effect_stereo", "square_stereo",
                              "noise_mono", "loud_mono"})
        for (const char* encoder : {".sox-ima", ".ff-ima"}) {
            const std::string base = std::string(sound) + encoder;
            const Fixture ima = ReadFixture(base + ".wav");
            const uint32_t blockAlign = ReadLe16(&ReadFileBytes(FixturePath(base + ".wav"))[32]);
            const Samples ours = Decode(ima.data, ima.layout.channels, blockAlign);
            for (const char* oracle : {".sox.wav", ".sf.wav"}) {
                // The oracles may stop at the fact chunk's count; we decode
                // every frame the blocks hold.
                const Samples theirs = ReadFixture(base + oracle).samples;
                ASSERT_FALSE(theirs.empty()) << base << oracle;
                ASSERT_LE(theirs.size(), ours.size());
                EXPECT_TRUE(std::equal(theirs.begin(), theirs.end(), ours.begin())) << base << oracle;
            }
        }
}

TEST(Decode, EdgesOfABlockAndOfTheDescription) {
    std::mt19937 random(2);
    Bytes block(72);
    for (uint8_t& b : block) b = static_cast<uint8_t>(random());
    WriteLe16(block.data(), static_cast<uint16_t>(-1234));
    block[2] = 88;
    const Samples at88 = Decode(block, 1, 36);
    block[2] = 200;   // read as 88
    block[3] = 0x5A;  // the reserved byte is ignored
    EXPECT_EQ(Decode(block, 1, 36), at88);
    EXPECT_EQ(at88[0], -1234);
    // A final partial block: its header and whole groups; the frame count
    // bounds the frames.
    EXPECT_EQ(Decode(Bytes(block.begin(), block.begin() + 36 + 4 + 4 + 3), 1, 36).size(), 65u + 9);
    EXPECT_EQ(Decode(Bytes(block.begin(), block.begin() + 36 + 3), 1, 36).size(), 65u);
    EXPECT_EQ(Decode(block, 1, 36, 66), Samples(at88.begin(), at88.begin() + 66));
    EXPECT_EQ(Decode(Bytes(), 1, 36).size(), 0u) << "nothing to decode is no error";
    const struct {
        uint32_t channels, blockSize;
    } refused[] = {{0, 36}, {3, 108}, {1, 0}, {1, 4}, {1, 34}, {1, 38}, {2, 36}, {2, 8}};
    for (const auto& r : refused) EXPECT_TRUE(Decode(block, r.channels, r.blockSize).empty()) << r.channels << " " << r.blockSize;
    SoundInfo tooLarge = {WAVE_TAG_IMA_ADPCM, block.data(), 0xFFFFFFF0u, 44100, 4, 1, UINT32_MAX, 36};
    void* image = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(AIL_decompress_ADPCM(&tooLarge, &image, &size), 0) << "past 4 GiB of WAV, refused from the sizes";
    tooLarge.format = WAVE_TAG_PCM;
    tooLarge.dataLength = 72;
    EXPECT_EQ(AIL_decompress_ADPCM(&tooLarge, &image, &size), 0);
}

// A block of 65 samples of one kind: noise, a loud square, clicks, a tone,
// quiet noise, the least step's noise, or jumps from rail to rail.
void RandomBlock(std::mt19937* random, int kind, int16_t* input) {
    for (int i = 0; i < 65; ++i) {
        const int32_t r = static_cast<int32_t>((*random)() % 65536) - 32768;
        const int values[] = {r, (i / 5) % 2 ? 32767 : -32768, i % 23 == 5 ? r : 0,
                              int(12000 * (std::sin(0.05 * i) + 0.3 * std::sin(0.31 * i))) + r / 64, r / 512,
                              r & 1, r & 1 ? 32767 : -32768};
        input[i] = static_cast<int16_t>(values[kind]);
    }
}

class Encoding : public ScratchFolderTest {};

TEST_F(Encoding, TheDecoderReproducesWhatTheEncoderPredictedAndBothSearchFormsAgree) {
    typedef void (*Encoder)(const ChannelBlock&, AdpcmChannelState*);
    const Encoder encoders[] = {EncodeChannelBlockPlain, EncodeChannelBlockSearch, EncodeChannelBlockSearchPortable};
    std::mt19937 random(7);
    for (int trial = 0; trial < 350; ++trial) {
        int16_t input[65];
        RandomBlock(&random, trial % 7, input);
        const int32_t index = static_cast<int32_t>(random() % 89);
        uint8_t blocks[3][36] = {};
        for (int e = 0; e < 3; ++e) {
            AdpcmChannelState state = {0, index};
            int16_t predicted[65], decoded[65];
            encoders[e]({input, 1, blocks[e], blocks[e] + 4, 4, predicted}, &state);
            ASSERT_EQ(DecodeBlockReference(blocks[e], 36, 1, decoded), 65u);
            ASSERT_TRUE(std::equal(decoded, decoded + 65, predicted)) << trial;
            EXPECT_EQ(decoded[0] * 256 + blocks[e][3], input[0] * 256) << "the header holds the first sample";
            AdpcmChannelState replay = {decoded[0], blocks[e][2]};
            for (int i = 0; i < 64; ++i) DecodeNibble(&replay, (blocks[e][4 + i / 2] >> (4 * (i % 2))) & 15);
            EXPECT_EQ(replay.stepIndex, state.stepIndex) << trial;
        }
        ASSERT_TRUE(std::equal(blocks[1], blocks[1] + 36, blocks[2])) << trial;
    }
}

TEST_F(Encoding, SoundBeatsSoxAndThePlainEncoderAndSoxDecodesItAsWeDo) {
    const std::pair<const char*, double> sounds[] = {  // dB the search must gain on the plain encoder
        {"speech_stereo", 0.5}, {"explosion_mono", 2.0}, {"music_mono", 0.5}, {"sweep_mono", 0.1},
        {"square_stereo", 1.0}, {"noise_mono", 0.5},     {"clicks_mono", 6.0}, {"loud_mono", 0.1}};
    for (const auto& sound : sounds) {
        const Fixture source = ReadFixture(std::string(sound.first) + ".wav");
        const uint32_t channels = source.layout.channels;
        const Bytes search = Encode(source.samples, channels, ADPCM_ENCODER_SEARCH);
        const double plainDb = SnrDb(source.samples, Decode(Encode(source.samples, channels, ADPCM_ENCODER_PLAIN), channels, 36 * channels));
        const double searchDb = SnrDb(source.samples, Decode(search, channels, 36 * channels));
        EXPECT_GE(searchDb, plainDb + sound.second) << sound.first << " plain " << plainDb;
        if (FileExists(FixturePath(std::string(sound.first) + ".sox-ima.sox.wav"))) {
            EXPECT_GE(plainDb, SnrDb(source.samples, ReadFixture(std::string(sound.first) + ".sox-ima.sox.wav").samples));
        }
#ifndef _WIN32
        // sox decodes every frame of the last block, padding included.
        const std::string ours = Path("ours.wav");
        const SoundInfo info = {WAVE_TAG_PCM, source.samples.data(), static_cast<uint32_t>(source.samples.size() * 2),
                                44100, 16, channels, static_cast<uint32_t>(source.samples.size() / channels), 0};
        void* image = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(AIL_compress_ADPCM(&info, &image, &size), 1);
        EXPECT_EQ(ReadLe32(static_cast<uint8_t*>(image) + 48), info.samples) << "the fact chunk counts the frames";
        WriteFileBytes(ours, Bytes(static_cast<uint8_t*>(image), static_cast<uint8_t*>(image) + size));
        ReleaseCodecImage(image);
        ASSERT_EQ(std::system(("sox -V1 '" + ours + "' -e signed-integer -b 16 '" + ours + ".pcm.wav'").c_str()), 0);
        EXPECT_EQ(WavSamples(ReadFileBytes(ours + ".pcm.wav")), Decode(search, channels, 36 * channels)) << sound.first;
#endif
    }
}

}  // namespace
