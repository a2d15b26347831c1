// Packed files of every size and content: nothing in them can make the
// extraction crash or write a malformed WAV, and one whose sound would
// not fit the 32-bit RIFF sizes fails before anything big is read or
// allocated.
#include <cstring>

#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "tests/bad_input/bad_input.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

class BadPackedFiles : public BadInputTest {
protected:
    // The WAV written: well formed, 16-bit PCM, 44100 Hz, channels.
    Bytes ExpectWellFormedWav(int channels) {
        Bytes wav = ReadFileBytes(Path("out.wav"));
        EXPECT_GE(wav.size(), 44u);
        if (wav.size() < 44) return wav;
        EXPECT_TRUE(TagIs(wav.data(), "RIFF") && TagIs(wav.data() + 8, "WAVE") && TagIs(wav.data() + 36, "data"));
        EXPECT_EQ(ReadLe32(wav.data() + 4), wav.size() - 8);
        EXPECT_EQ(ReadLe32(wav.data() + 40), wav.size() - 44);
        EXPECT_EQ(ReadLe16(wav.data() + 20), 1);
        EXPECT_EQ(ReadLe16(wav.data() + 22), channels);
        EXPECT_EQ(ReadLe32(wav.data() + 24), 44100u);
        EXPECT_EQ(ReadLe16(wav.data() + 34), 16);
        return wav;
    }
};

TEST_F(BadPackedFiles, FilesTooShortForAFrame) {
    for (int channels : {1, 2}) {
        for (size_t size : {0, 1, 2, 3}) {
            EXPECT_EQ(Extract(Bytes(size, 0x5C), channels), CONV_EMPTY_SOURCE) << size;
            ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
        }
    }
    // Four to seven bytes: a mono block header is one frame; half a stereo
    // header is none, which still makes a WAV, of no samples.
    for (size_t size : {4, 7}) {
        ASSERT_EQ(Extract(Bytes(size, 0x5C), 1), CONV_OK) << size;
        EXPECT_EQ(ExpectWellFormedWav(1).size(), 46u);
        ASSERT_EQ(Extract(Bytes(size, 0x5C), 2), CONV_OK) << size;
        EXPECT_EQ(ExpectWellFormedWav(2).size(), 44u);
    }
}

TEST_F(BadPackedFiles, AnythingElseDecodesToAWellFormedWav) {
    // Packed files have no header: a WAV, text or noise picked by mistake
    // turns into noise, never into a crash or a malformed file.
    Bytes text;
    for (const char* line = "Not a sound at all.\r\n"; *line; ++line) text.push_back(static_cast<uint8_t>(*line));
    Bytes noise(100001);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"a WAV file", MakePcmWav(2, 22050, std::vector<int16_t>(3000, -77))},
        {"text", text},
        {"noise", noise},
        {"all ones", Bytes(9000, 0xFF)},
        {"step indices past 88", Bytes(7200, 0xF9)},
    };
    for (const auto& file : files) {
        for (int channels : {1, 2}) {
            ASSERT_EQ(Extract(file.second, channels), CONV_OK) << file.first;
            ExpectWellFormedWav(channels);
        }
    }
}

#ifndef _WIN32
// Peak resident memory of this process, in bytes.
long long PeakResident() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

// A sparse file of size bytes (no disk space is used).
void MakeSparse(const std::string& path, long long size) {
    WriteFileBytes(path, Bytes());
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0) << path;
}

TEST_F(BadPackedFiles, ASoundPastTheRiffLimitFailsWithoutReadingIt) {
    // A block of 36 packed bytes a channel makes 65 frames, 130 bytes of
    // WAV a channel. The smallest sizes whose WAV passes 4 GiB - 1 bytes:
    // 33,038,209 mono blocks (4,294,967,214 bytes with the header) and 24
    // bytes more (41 frames, 82 bytes); 16,519,104 stereo blocks
    // (4,294,967,084 bytes) and 64 bytes more (57 frames, 228 bytes).
    const long long monoOver = 33038209ll * 36 + 24;
    const long long stereoOver = 16519104ll * 72 + 64;
    const std::vector<std::pair<long long, int>> sizes = {
        {monoOver, 1},
        {stereoOver, 2},
        {(1ll << 32) + 36, 1},  // 36 bytes once the size is cut to 32 bits
        {(1ll << 32) + 72, 2},
        {(1ll << 33), 1},
    };
    const long long before = PeakResident();
    for (const auto& size : sizes) {
        MakeSparse(Path("in.wad"), size.first);
        PlaceDestination(Path("out.wav"));
        if (size.second == 2)
            ApplyStereoPreset();
        else
            ApplyMonoPreset();
        EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), Path("out.wav").c_str()), CONV_TOO_LARGE)
            << size.first;
        ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
    }
    EXPECT_LT(PeakResident() - before, 64ll << 20) << "the sparse sources were read";
}
#endif

}  // namespace
