// The few messages a conversion has for the user (packing's failures).
// The conversion says which; whoever runs it shows it: the window as a
// message box, the command line on standard error, tests in a list.
#ifndef VELKMAR_CONVERSION_FILES_MESSAGES_H
#define VELKMAR_CONVERSION_FILES_MESSAGES_H

enum MessageIcon { MESSAGE_ERROR, MESSAGE_WARNING, MESSAGE_INFORMATION };

// Shows one message: text under caption, with the icon.
typedef void (*MessageHook)(const char* text, const char* caption, MessageIcon icon);

// Where the messages go; null sends them to standard error.
extern MessageHook g_messageHook;

// Hands text, caption and icon to g_messageHook, or writes "caption: text"
// on standard error.
void ShowConversionMessage(const char* text, const char* caption, MessageIcon icon);

#endif
