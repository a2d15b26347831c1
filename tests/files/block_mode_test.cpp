// The mode a packed file's blocks show: right for every encoder's blocks
// in both modes, also short, cut short or mostly silent; undecided for
// what is no packed sound.
#include <random>

#include "conversion/files/block_mode.h"
#include "conversion/files/packing.h"
#include "conversion/files/wav_reader.h"
#include "tests/support/test_files.h"

namespace {

class BlockModes : public ScratchFolderTest {
protected:
    // A fixture packed by our encoder in the mode of name's extension.
    Bytes Ours(const std::string& fixture, const std::string& name) {
        EXPECT_EQ(PackSoundFileStatus(FixturePath(fixture).c_str(), Path(name).c_str(), FORCE_NONE, nullptr), CONV_OK);
        return ReadFileBytes(Path(name));
    }
};

// The data chunk of a WAV file: another encoder's blocks without its header.
Bytes DataOf(const Bytes& wav) {
    WavLayout layout;
    EXPECT_EQ(ParseWavFile(wav.data(), wav.size(), &layout), CONV_OK);
    return Bytes(wav.begin() + static_cast<long>(layout.dataOffset),
                 wav.begin() + static_cast<long>(layout.dataOffset + layout.dataLength));
}

Bytes Slice(const Bytes& bytes, size_t first, size_t length) {
    return Bytes(bytes.begin() + static_cast<long>(first), bytes.begin() + static_cast<long>(first + length));
}

TEST_F(BlockModes, EveryEncodersBlocksShowTheirModeAndNothingElseShowsOne) {
    std::mt19937 random(7);
    Bytes noise(50000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    const std::string text = "Packed sounds go back into the game. ";
    Bytes prose;
    while (prose.size() < 20000) prose.insert(prose.end(), text.begin(), text.end());
    const Bytes speechMono = Ours("speech_mono.wav", "a.wad"), speechStereo = Ours("speech_mono.wav", "a.adx");
    const struct {
        const char* what;
        Bytes data;
        BlockMode mode;
    } cases[] = {
        {"ours, mono", speechMono, BLOCKS_MONO},
        {"ours, stereo", speechStereo, BLOCKS_STEREO},
        {"ours, mostly silence, mono", Ours("clicks_mono.wav", "c.wad"), BLOCKS_MONO},
        {"ours, mostly silence, stereo", Ours("clicks_mono.wav", "c.adx"), BLOCKS_STEREO},
        {"ours, four blocks of sound, stereo", Slice(speechStereo, 300 * 72, 4 * 72), BLOCKS_STEREO},
        {"ours, stereo, after 20 MiB of silence", Concat(Bytes((20u << 20) / 72 * 72, 0), speechStereo), BLOCKS_STEREO},
        {"ours, ending in a partial block, stereo", Slice(speechStereo, 0, 40 * 72 + 53), BLOCKS_STEREO},
        {"sox, mono", DataOf(ReadFileBytes(FixturePath("speech_mono.sox-ima.wav"))), BLOCKS_MONO},
        {"sox, stereo", DataOf(ReadFileBytes(FixturePath("speech_stereo.sox-ima.wav"))), BLOCKS_STEREO},
        {"ffmpeg, mono", DataOf(ReadFileBytes(FixturePath("loud_mono.ff-ima.wav"))), BLOCKS_MONO},
        {"ffmpeg, stereo", DataOf(ReadFileBytes(FixturePath("square_stereo.ff-ima.wav"))), BLOCKS_STEREO},
        {"random bytes", noise, BLOCKS_UNDECIDED},
        {"text", prose, BLOCKS_UNDECIDED},
        {"a WAV file", ReadFileBytes(FixturePath("speech_mono.wav")), BLOCKS_UNDECIDED},
        {"zeros", Bytes(40000, 0), BLOCKS_UNDECIDED},
        {"three blocks", Slice(speechMono, 300 * 36, 3 * 36), BLOCKS_UNDECIDED},
    };
    for (const auto& c : cases) {
        BlockEvidence evidence;
        EXPECT_EQ(DetectBlockMode(c.data.data(), c.data.size(), &evidence), c.mode) << c.what;
        // The file form reads the same.
        WriteFileBytes(Path("file"), c.data);
        BlockMode mode = BLOCKS_UNDECIDED;
        ASSERT_EQ(DetectFileBlockMode(Path("file").c_str(), &mode, &evidence), CONV_OK);
        EXPECT_EQ(mode, c.mode) << c.what;
    }
}

}  // namespace
