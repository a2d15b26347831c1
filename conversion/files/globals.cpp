// Definitions of the shared state declared in globals.h.
#include "conversion/files/globals.h"

SoundInfo g_soundInfo;

#ifdef _WIN32
int g_busy;
int g_stopRequest;
char g_exeDir[PATH_TEXT_SIZE];
HWND g_sheet;
HWND g_extractPage;
HWND g_packPage;
int g_quitRequested;
#endif
