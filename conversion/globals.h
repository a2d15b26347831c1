// The program's process-wide state, declared once here and defined in
// globals.cpp. Everything runs on the one user-interface thread.
#ifndef VELKMAR_CONVERSION_GLOBALS_H
#define VELKMAR_CONVERSION_GLOBALS_H

#include "conversion/folder_passes.h"
#include "conversion/messages.h"
#include "conversion/sound_info.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>
#endif

// Capacity of every path buffer, terminating zero included.
const int PATH_TEXT_SIZE = 260;

// The sound description handed to the codec; zero at start, never reset.
extern SoundInfo g_soundInfo;

// 1 while an extraction started from the Extract button runs.
extern int g_busy;
// Set by the Extract button while busy; consumed by the folder extraction.
extern int g_stopRequest;

// Directory of the program's own executable, without a trailing separator.
extern char g_exeDir[PATH_TEXT_SIZE];

// The temporary file a conversion is writing, null when none: what an
// interrupted command line removes before it ends.
extern const char* volatile g_pendingTemporary;
// The number of the next temporary file's name; 0 until the first one.
extern unsigned g_temporaryNumber;

// Diverts the conversions' messages when set; null shows them.
extern MessageHook g_messageHook;

#ifdef _WIN32
extern HWND g_sheet;        // the property sheet
extern HWND g_extractPage;  // recorded at the Extract page's WM_INITDIALOG
extern HWND g_packPage;     // recorded at the Pack page's WM_INITDIALOG

// The WAVs written so far by the folder extraction from the Extract page,
// over its three passes; emptied when it starts.
extern FolderRun g_folderRun;

// Set once the message pump has taken the quit request off the queue. The
// pump posts it again for the main loop; a running folder extraction ends
// before its next file, without its final message.
extern int g_quitRequested;

// The number of the last preview file name tried, and the preview files
// this run made, removed when the program ends.
extern unsigned g_previewNumber;
extern std::vector<std::string> g_previewFiles;
#endif

#endif
