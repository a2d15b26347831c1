// WAV files for the benchmark tools.
#include "bench/bench_wav.h"

#include <algorithm>
#include <cstdio>

#include "conversion/codec/byte_order.h"

std::vector<uint8_t> ReadAll(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path, "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

bool ReadPcmWav(const std::vector<uint8_t>& bytes, uint32_t* channels, uint32_t* rate,
                std::vector<int16_t>* samples) {
    if (bytes.size() < 12 || !TagIs(bytes.data(), "RIFF") || !TagIs(bytes.data() + 8, "WAVE")) return false;
    bool fmt = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint8_t* chunk = bytes.data() + at;
        const size_t size = ReadLe32(chunk + 4);
        const size_t have = std::min(size, bytes.size() - at - 8);
        if (TagIs(chunk, "fmt ") && have >= 16) {
            const uint32_t tag = ReadLe16(chunk + 8);
            if ((tag != 1 && tag != 0xFFFE) || ReadLe16(chunk + 22) != 16) return false;
            *channels = ReadLe16(chunk + 10);
            *rate = ReadLe32(chunk + 12);
            fmt = true;
        } else if (TagIs(chunk, "data") && fmt) {
            samples->resize(have / 2);
            for (size_t i = 0; i < samples->size(); ++i)
                (*samples)[i] = static_cast<int16_t>(ReadLe16(chunk + 8 + 2 * i));
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}
