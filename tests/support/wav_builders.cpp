// WAV builders for the tests.
#include "tests/support/wav_builders.h"

#include <cstring>

#include "conversion/codec/byte_order.h"

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
