// Handing the conversions' messages on.
#include "conversion/files/messages.h"

#include <cstdio>

MessageHook g_messageHook;

void ShowConversionMessage(const char* text, const char* caption, MessageIcon icon) {
    if (g_messageHook)
        g_messageHook(text, caption, icon);
    else
        std::fprintf(stderr, "%s: %s\n", caption, text);
}
