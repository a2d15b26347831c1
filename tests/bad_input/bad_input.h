// The bad-input suite's fixture: every conversion's destination exists
// before it runs, and every failure is checked to have lost nothing.
#ifndef VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H
#define VELKMAR_TESTS_BAD_INPUT_BAD_INPUT_H

#include <string>
#include <vector>

#include "conversion/files/conversion_status.h"
#include "tests/support/test_files.h"

extern const char OPEN_FAILED[];
extern const char READ_FAILED[];
extern const char WRITE_FAILED[];

class BadInputTest : public ScratchFolderTest {
protected:
    void SetUp() override;
    // Writes the bytes the destination holds before a conversion.
    void PlaceDestination(const std::string& path);
    // The destination holds what PlaceDestination wrote, and its folder
    // exactly the names listed: no temporary file beside it.
    void ExpectNothingLost(const std::string& path, const std::vector<std::string>& names);
    // Writes packed to "in.wad" and extracts it to "out.wav" (which
    // exists) in channels.
    ConvStatus Extract(const Bytes& packed, int channels);
    // Writes wav to "in.wav" and packs it to "out.wad" (which exists);
    // PackSoundFile's result, its messages in messages_.
    int Pack(const Bytes& wav);
    // Exactly one message, with this text and caption and the error icon.
    void ExpectMessage(const std::string& text, const std::string& caption);
    std::vector<CapturedMessage>* messages_ = nullptr;
    Bytes kept_;
};

#endif
