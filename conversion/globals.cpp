// Definitions of the process-wide state declared in globals.h.
#include "conversion/globals.h"

SoundInfo g_soundInfo;
int g_busy;
int g_stopRequest;
char g_exeDir[PATH_TEXT_SIZE];
char g_sourceFile[PATH_TEXT_SIZE];
char g_packSource[PATH_TEXT_SIZE];
char g_packDestination[PATH_TEXT_SIZE];
MessageHook g_messageHook;

#ifdef _WIN32
HWND g_sheet;
HWND g_extractPage;
HWND g_packPage;
#endif
