// The bad-input suite's fixture and builders: WAV files of any shape, and
// the check that a failed conversion lost nothing.
#ifndef VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H
#define VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H

#include <string>
#include <vector>

#include "conversion/conversion_status.h"
#include "tests/conversion/message_capture.h"
#include "tests/support/test_files.h"

extern const char OPEN_FAILED[];
extern const char READ_FAILED[];
extern const char WRITE_FAILED[];

// A chunk: id, 32-bit size, body, and the pad byte an odd body needs.
Bytes Chunk(const char* id, const Bytes& body);
// The same with a size field that says declared whatever the body holds,
// and no pad byte.
Bytes ChunkClaiming(const char* id, uint32_t declared, const Bytes& body);
// A "fmt " body: tag, channels, 44100 Hz, bits, and the derived byte rate
// and block align, zero-padded to size bytes.
Bytes FormatBody(uint32_t tag, uint32_t channels, uint32_t bits, size_t size = 16);
// A WAVE_FORMAT_EXTENSIBLE body whose sub-format GUID carries subformat.
Bytes ExtensibleBody(uint32_t channels, uint32_t bits, uint32_t subformat);
// "RIFF", the size of what follows, "WAVE" and the chunks.
Bytes Riff(const std::vector<Bytes>& chunks);
// frames of a quiet tone, interleaved, as little-endian 16-bit bytes.
Bytes ToneBytes(uint32_t channels, size_t frames);
Bytes Concat(const Bytes& a, const Bytes& b);

// A scratch folder in which every conversion's destination already exists
// and every failure is checked to have lost nothing.
class BadInputTest : public ScratchFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the bytes the destination holds before a conversion.
    void PlaceDestination(const std::string& path);
    // The destination holds what PlaceDestination wrote, and its folder
    // holds exactly the names listed (no temporary file beside it).
    void ExpectNothingLost(const std::string& path, const std::vector<std::string>& names);

    // Writes packed to "in.wad" and extracts it to "out.wav" (which exists)
    // with the mono (1) or stereo (2) preset.
    ConvStatus Extract(const Bytes& packed, int channels);
    // Writes wav to "in.wav" and packs it to "out.wad" (which exists).
    // Returns PackSoundFile's result; the messages are in messages_.
    int Pack(const Bytes& wav);
    // Exactly one message, with this text and caption and the error icon.
    void ExpectMessage(const std::string& text, const std::string& caption);

    std::vector<CapturedMessage>* messages_ = nullptr;
    Bytes kept_;
};

#endif
