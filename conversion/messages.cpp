// Showing the conversions' messages: a message box on Windows, a line on
// standard error elsewhere.
#include "conversion/messages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

MessageHook g_messageHook;

void ShowConversionMessage(void* owner, const char* text, const char* caption, MessageIcon icon) {
    if (g_messageHook) {
        g_messageHook(text, caption, icon);
        return;
    }
#ifdef _WIN32
    UINT flags = MB_OK | MB_ICONERROR;
    if (icon == MESSAGE_WARNING) flags = MB_OK | MB_ICONWARNING;
    if (icon == MESSAGE_INFORMATION) flags = MB_OK | MB_ICONINFORMATION;
    HWND window = owner ? static_cast<HWND>(owner) : GetFocus();
    MessageBoxA(window, text, caption, flags);
#else
    (void)owner;
    (void)icon;
    std::fprintf(stderr, "%s: %s\n", caption, text);
#endif
}
