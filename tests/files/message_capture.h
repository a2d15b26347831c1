// Captures the messages the conversions would show.
#ifndef VELKMAR_TESTS_CONVERSION_MESSAGE_CAPTURE_H
#define VELKMAR_TESTS_CONVERSION_MESSAGE_CAPTURE_H

#include <string>
#include <vector>

#include "conversion/files/messages.h"

struct CapturedMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

// Starts capturing (clearing what was captured) and returns the list.
std::vector<CapturedMessage>& CaptureMessages();
// Shows messages normally again.
void StopCapturingMessages();

#endif
