// The bad-input suite's fixture and builders: WAV files of any shape, and
// the check that a failed conversion lost nothing.
#ifndef VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H
#define VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H

#include <string>
#include <vector>

#include "conversion/files/conversion_status.h"
#include "tests/files/message_capture.h"
#include "tests/support/test_files.h"
#include "tests/support/wav_builders.h"

extern const char OPEN_FAILED[];
extern const char READ_FAILED[];
extern const char WRITE_FAILED[];

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
