// WAV files for the benchmark tools.
#include "bench/bench_wav.h"

#include <cstdio>

#include "conversion/codec/byte_order.h"
#include "conversion/files/wav_reader.h"

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
    WavLayout layout;
    if (ParseWavFile(bytes.data(), bytes.size(), &layout) != CONV_OK || layout.format != WAVE_TAG_PCM || layout.bits != 16)
        return false;
    *channels = layout.channels;
    *rate = layout.rate;
    samples->resize(layout.dataLength / 2);
    for (size_t i = 0; i < samples->size(); ++i)
        (*samples)[i] = static_cast<int16_t>(ReadLe16(bytes.data() + layout.dataOffset + 2 * i));
    return true;
}
