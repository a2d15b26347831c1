// Small file helpers shared by the test suites: fixtures, scratch
// folders, whole-file reads and writes, and WAV files built in memory.
#ifndef VELKMAR_TESTS_SUPPORT_TEST_FILES_H
#define VELKMAR_TESTS_SUPPORT_TEST_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

typedef std::vector<uint8_t> Bytes;

// Path of a fixture made by make_fixtures.sh (VELKMAR_TESTDATA), usable by
// fopen in the native and in the Windows build.
std::string FixturePath(const std::string& name);
bool FixtureExists(const std::string& name);

// Whole-file helpers. ReadFileBytes returns an empty vector for a missing
// file; FileExists tells the two apart.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
uint64_t HashBytes(const Bytes& bytes);

// Names of the entries of a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);

// A canonical 44-byte-header 16-bit PCM WAV file holding the interleaved
// samples.
Bytes MakePcmWav(int channels, uint32_t rate, const std::vector<int16_t>& samples);

// The 16-bit samples of a canonical PCM WAV image (from offset 44, as many
// as its data size field declares and the bytes hold).
std::vector<int16_t> WavSamples(const Bytes& wav);

// Test fixture with a fresh scratch folder, removed afterwards.
class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Path of name inside the scratch folder.
    std::string Path(const std::string& name) const;
    std::string folder_;
};

#endif
