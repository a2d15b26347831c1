// WAV files of any shape, built in memory: chunks, format bodies and the
// RIFF container.
#ifndef VELKMAR_TESTS_SUPPORT_WAV_BUILDERS_H
#define VELKMAR_TESTS_SUPPORT_WAV_BUILDERS_H

#include <cstdint>
#include <vector>

#include "tests/support/test_files.h"

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

#endif
