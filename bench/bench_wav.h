// WAV files for the benchmark tools: whole-file reads and the samples of
// a 16-bit PCM WAV.
#ifndef VELKMAR_BENCH_BENCH_WAV_H
#define VELKMAR_BENCH_BENCH_WAV_H

#include <cstdint>
#include <vector>

// The bytes of a file; empty when it cannot be read.
std::vector<uint8_t> ReadAll(const char* path);

// The fmt fields and the data chunk of a 16-bit PCM WAV; false if it is
// not one.
bool ReadPcmWav(const std::vector<uint8_t>& bytes, uint32_t* channels, uint32_t* rate,
                std::vector<int16_t>* samples);

#endif
