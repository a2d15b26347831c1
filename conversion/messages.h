// The few messages the conversions show. On Windows they are message
// boxes; natively they go to standard error. Tests may divert them.
#ifndef VELKMAR_CONVERSION_MESSAGES_H
#define VELKMAR_CONVERSION_MESSAGES_H

enum MessageIcon { MESSAGE_ERROR, MESSAGE_WARNING, MESSAGE_INFORMATION };

// Where a message goes instead of the screen when g_messageHook is set
// (tests).
typedef void (*MessageHook)(const char* text, const char* caption, MessageIcon icon);

// Diverts the conversions' messages when set; null shows them.
extern MessageHook g_messageHook;

// Shows text under caption with the icon and an OK button. owner is the
// owning window (a HWND on Windows); null means the window holding the
// keyboard focus.
void ShowConversionMessage(void* owner, const char* text, const char* caption, MessageIcon icon);

#endif
