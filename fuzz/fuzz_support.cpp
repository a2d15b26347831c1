// Scratch files and lost-nothing checks for the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    if (!g_scratch.empty()) fs::remove_all(g_scratch, error);
}

const std::string& Scratch() {
    if (g_scratch.empty()) {
        std::error_code error;
        fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path folder = base / ("velkmar-fuzz-" + std::to_string(getpid()));
        fs::remove_all(folder, error);
        FuzzCheck(fs::create_directory(folder, error), "scratch folder");
        g_scratch = folder.string();
        std::atexit(RemoveScratch);
    }
    return g_scratch;
}

}  // namespace

const Bytes KEPT_DESTINATION = {'k', 'e', 'e', 'p', ' ', 'm', 'e', 0, 1, 2, 3, 0xFF};

void FuzzCheck(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

std::string ScratchPath(const std::string& name) { return Scratch() + "/" + name; }

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    FuzzCheck(file != nullptr, "open a scratch file for writing");
    FuzzCheck(size == 0 || std::fwrite(data, 1, size, file) == size, "write a scratch file");
    FuzzCheck(std::fclose(file) == 0, "close a scratch file");
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

std::vector<std::string> ScratchNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Scratch())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void PlaceKeptDestination(const std::string& path) { WriteBytes(path, KEPT_DESTINATION.data(), KEPT_DESTINATION.size()); }

void CheckNothingLost(const std::string& destination, const std::vector<std::string>& names) {
    FuzzCheck(ReadBytes(destination) == KEPT_DESTINATION, "a failed conversion changed the destination");
    FuzzCheck(ScratchNames() == names, "a failed conversion left a file behind");
}
