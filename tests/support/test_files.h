// What the test suites share: fixtures, scratch folders, whole files, WAV
// files of any shape and their samples, and the conversions' messages
// caught.
#ifndef VELKMAR_TESTS_SUPPORT_TEST_FILES_H
#define VELKMAR_TESTS_SUPPORT_TEST_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/files/messages.h"

typedef std::vector<uint8_t> Bytes;
typedef std::vector<int16_t> Samples;

// Path of a fixture made by make_fixtures.sh (VELKMAR_TESTDATA), for fopen
// natively and under Wine.
std::string FixturePath(const std::string& name);

// Whole files; ReadFileBytes gives nothing for a missing file.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
uint64_t HashBytes(const Bytes& bytes);

// The names in a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);

// A chunk: id, 32-bit size, body, and the pad byte an odd body needs.
Bytes Chunk(const char* id, const Bytes& body);
// The same with a size field that says declared whatever the body holds,
// and no pad byte.
Bytes ChunkClaiming(const char* id, uint32_t declared, const Bytes& body);
// A "fmt " body: tag, channels, rate, bits, and the derived byte rate and
// block align, zero-padded to size bytes.
Bytes FormatBody(uint32_t tag, uint32_t channels, uint32_t bits, size_t size = 16, uint32_t rate = 44100);
// A WAVE_FORMAT_EXTENSIBLE body whose sub-format GUID carries subformat.
Bytes ExtensibleBody(uint32_t channels, uint32_t bits, uint32_t subformat);
// "RIFF", the size of what follows, "WAVE" and the chunks.
Bytes Riff(const std::vector<Bytes>& chunks);
Bytes Concat(const Bytes& a, const Bytes& b);

// A canonical 44-byte-header 16-bit PCM WAV holding samples.
Bytes MakePcmWav(int channels, uint32_t rate, const Samples& samples);

// The 16-bit samples of a canonical PCM WAV (as many as its data size
// field declares and the bytes hold).
Samples WavSamples(const Bytes& wav);

// How far below reference the difference of test lies, in dB, over the
// shorter of the two (200 when they are equal).
double SnrDb(const Samples& reference, const Samples& test);

// The messages the conversions show from now until the test ends (a
// ScratchFolderTest's TearDown stops the catching).
struct CapturedMessage {
    std::string text, caption;
    MessageIcon icon;
};
std::vector<CapturedMessage>& CaptureMessages();

// A fresh scratch folder for each test, removed afterwards.
class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const;  // name inside the folder
    std::string folder_;
};

#endif
