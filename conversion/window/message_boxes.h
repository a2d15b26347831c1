// The window's message boxes: how the conversions' messages and the folder
// extraction's summary reach the user.
#ifndef VELKMAR_CONVERSION_WINDOW_MESSAGE_BOXES_H
#define VELKMAR_CONVERSION_WINDOW_MESSAGE_BOXES_H

#include <windows.h>

#include "conversion/files/messages.h"

// A message box owned by owner (null: the window holding the keyboard
// focus) with text, caption, the icon and an OK button; returns when it is
// closed.
void ShowMessageBox(HWND owner, const char* text, const char* caption, MessageIcon icon);

// Sends the conversions' messages (g_messageHook) to message boxes owned by
// the window holding the keyboard focus.
void ShowConversionMessagesInBoxes();

#endif
