// Message capture through the conversions' message hook.
#include "tests/files/message_capture.h"

#include "conversion/files/globals.h"

namespace {

std::vector<CapturedMessage> captured;

void Record(const char* text, const char* caption, MessageIcon icon) { captured.push_back({text, caption, icon}); }

}  // namespace

std::vector<CapturedMessage>& CaptureMessages() {
    captured.clear();
    g_messageHook = Record;
    return captured;
}

void StopCapturingMessages() { g_messageHook = nullptr; }
