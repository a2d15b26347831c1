// Implementation of the shared test helpers.
#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "conversion/codec/byte_order.h"

namespace fs = std::filesystem;

std::string FixturePath(const std::string& name) {
    const char* root = std::getenv("VELKMAR_TESTDATA");
    std::string path = root ? root : "testdata";
#ifdef _WIN32
    // Wine maps the Unix root to drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    return path + "\\" + name;
#else
    return path + "/" + name;
#endif
}

bool FixtureExists(const std::string& name) { return FileExists(FixturePath(name)); }

Bytes ReadFileBytes(const std::string& path) {
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::u8path(path), error);
}

uint64_t HashBytes(const Bytes& bytes) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(fs::u8path(folder), error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes MakePcmWav(int channels, uint32_t rate, const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    Bytes wav(44 + dataBytes);
    uint8_t* p = wav.data();
    std::copy_n("RIFF", 4, p);
    WriteLe32(p + 4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, p + 8);
    WriteLe32(p + 16, 16);
    WriteLe16(p + 20, 1);
    WriteLe16(p + 22, static_cast<uint32_t>(channels));
    WriteLe32(p + 24, rate);
    WriteLe32(p + 28, rate * 2u * static_cast<uint32_t>(channels));
    WriteLe16(p + 32, 2u * static_cast<uint32_t>(channels));
    WriteLe16(p + 34, 16);
    std::copy_n("data", 4, p + 36);
    WriteLe32(p + 40, dataBytes);
    for (size_t i = 0; i < samples.size(); ++i) WriteLe16(p + 44 + 2 * i, static_cast<uint16_t>(samples[i]));
    return wav;
}

std::vector<int16_t> WavSamples(const Bytes& wav) {
    std::vector<int16_t> samples;
    if (wav.size() < 44) return samples;
    size_t bytes = std::min<size_t>(ReadLe32(wav.data() + 40), wav.size() - 44);
    for (size_t i = 0; i + 1 < bytes; i += 2)
        samples.push_back(static_cast<int16_t>(ReadLe16(wav.data() + 44 + i)));
    return samples;
}

void ScratchFolderTest::SetUp() {
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) base = fs::current_path();
    for (;;) {
        fs::path candidate = base / ("velkmar-test-" + std::to_string(std::rand()) + "-" +
                                     std::to_string(counter++));
        if (fs::create_directory(candidate, error)) {
            folder_ = candidate.u8string();
            break;
        }
    }
}

void ScratchFolderTest::TearDown() {
    std::error_code error;
    fs::remove_all(fs::u8path(folder_), error);
}

std::string ScratchFolderTest::Path(const std::string& name) const {
#ifdef _WIN32
    return folder_ + "\\" + name;
#else
    return folder_ + "/" + name;
#endif
}
