// The state several units share, declared once here and defined in
// globals.cpp. Everything runs on the one user-interface thread. State
// that one unit owns is that unit's own.
#ifndef VELKMAR_CONVERSION_FILES_GLOBALS_H
#define VELKMAR_CONVERSION_FILES_GLOBALS_H

#include "conversion/codec/sound_info.h"
#include "conversion/files/paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

// The sound description handed to the codec; zero at start, never reset.
extern SoundInfo g_soundInfo;

#ifdef _WIN32
// 1 while an extraction started from the Extract button runs.
extern int g_busy;
// Set by the Extract button while busy; consumed by the folder extraction.
extern int g_stopRequest;

// Directory of the program's own executable, without a trailing separator.
extern char g_exeDir[PATH_TEXT_SIZE];

extern HWND g_sheet;        // the property sheet
extern HWND g_extractPage;  // recorded at the Extract page's WM_INITDIALOG
extern HWND g_packPage;     // recorded at the Pack page's WM_INITDIALOG

// Set once the message pump has taken the quit request off the queue. The
// pump posts it again for the main loop; a running folder extraction ends
// before its next file, without its final message.
extern int g_quitRequested;
#endif

#endif
