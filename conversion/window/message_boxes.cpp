// Message boxes for the conversions' messages.
#include "conversion/window/message_boxes.h"

namespace {

void ShowOwnedByFocus(const char* text, const char* caption, MessageIcon icon) {
    ShowMessageBox(NULL, text, caption, icon);
}

}  // namespace

void ShowMessageBox(HWND owner, const char* text, const char* caption, MessageIcon icon) {
    UINT flags = MB_OK | MB_ICONERROR;
    if (icon == MESSAGE_WARNING) flags = MB_OK | MB_ICONWARNING;
    if (icon == MESSAGE_INFORMATION) flags = MB_OK | MB_ICONINFORMATION;
    MessageBoxA(owner ? owner : GetFocus(), text, caption, flags);
}

void ShowConversionMessagesInBoxes() { g_messageHook = ShowOwnedByFocus; }
