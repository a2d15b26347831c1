// The test suites' shared helpers.
#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "conversion/codec/byte_order.h"
#include "conversion/files/paths.h"

namespace fs = std::filesystem;

namespace {

std::vector<CapturedMessage> g_captured;

void Capture(const char* text, const char* caption, MessageIcon icon) { g_captured.push_back({text, caption, icon}); }

}  // namespace

Bytes ChunkClaiming(const char* id, uint32_t declared, const Bytes& body) {
    Bytes chunk(8 + body.size());
    std::memcpy(chunk.data(), id, 4);
    WriteLe32(chunk.data() + 4, declared);
    if (!body.empty()) std::memcpy(chunk.data() + 8, body.data(), body.size());
    return chunk;
}

Bytes Chunk(const char* id, const Bytes& body) {
    Bytes chunk = ChunkClaiming(id, static_cast<uint32_t>(body.size()), body);
    if (body.size() % 2) chunk.push_back(0);
    return chunk;
}

Bytes FormatBody(uint32_t tag, uint32_t channels, uint32_t bits, size_t size, uint32_t rate) {
    Bytes body(size, 0);
    WriteLe16(body.data(), tag);
    WriteLe16(body.data() + 2, channels);
    WriteLe32(body.data() + 4, rate);
    WriteLe32(body.data() + 8, rate * channels * bits / 8);
    WriteLe16(body.data() + 12, channels * bits / 8);
    WriteLe16(body.data() + 14, bits);
    return body;
}

Bytes ExtensibleBody(uint32_t channels, uint32_t bits, uint32_t subformat) {
    Bytes body = FormatBody(0xFFFE, channels, bits, 40);
    WriteLe16(body.data() + 16, 22);
    WriteLe16(body.data() + 18, bits);
    WriteLe32(body.data() + 20, (1u << channels) - 1);
    // The sub-format GUID: its tag, then -0000-0010-8000-00aa00389b71.
    const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    WriteLe16(body.data() + 24, subformat);
    std::memcpy(body.data() + 26, tail, sizeof tail);
    return body;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
    Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& chunk : chunks) riff.insert(riff.end(), chunk.begin(), chunk.end());
    WriteLe32(riff.data() + 4, static_cast<uint32_t>(riff.size() - 8));
    return riff;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes both = a;
    both.insert(both.end(), b.begin(), b.end());
    return both;
}

std::string FixturePath(const std::string& name) {
    const char* root = std::getenv("VELKMAR_TESTDATA");
    std::string path = root ? root : "testdata";
    if (PATH_SEPARATOR == '\\' && !path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
    return path + PATH_SEPARATOR + name;
}

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
    // fwrite is given no buffer at all for an empty file.
    const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    EXPECT_EQ(written, bytes.size());
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

Bytes MakePcmWav(int channels, uint32_t rate, const Samples& samples) {
    Bytes data(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) WriteLe16(&data[2 * i], static_cast<uint16_t>(samples[i]));
    return Riff({Chunk("fmt ", FormatBody(1, static_cast<uint32_t>(channels), 16, 16, rate)), Chunk("data", data)});
}

Samples WavSamples(const Bytes& wav) {
    Samples samples;
    const size_t bytes = wav.size() < 44 ? 0 : std::min<size_t>(ReadLe32(&wav[40]), wav.size() - 44);
    for (size_t i = 0; i + 1 < bytes; i += 2) samples.push_back(static_cast<int16_t>(ReadLe16(&wav[44 + i])));
    return samples;
}

double SnrDb(const Samples& reference, const Samples& test) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size() && i < test.size(); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(reference[i]) - test[i]) * (double(reference[i]) - test[i]);
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

std::vector<CapturedMessage>& CaptureMessages() {
    g_captured.clear();
    g_messageHook = Capture;
    return g_captured;
}

void ScratchFolderTest::SetUp() {
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) base = fs::current_path();
    do folder_ = (base / ("velkmar-test-" + std::to_string(std::rand()) + "-" + std::to_string(counter++))).u8string();
    while (!fs::create_directory(fs::u8path(folder_), error));
}

void ScratchFolderTest::TearDown() {
    g_messageHook = nullptr;
    std::error_code error;
    fs::remove_all(fs::u8path(folder_), error);
}

std::string ScratchFolderTest::Path(const std::string& name) const { return folder_ + PATH_SEPARATOR + name; }
