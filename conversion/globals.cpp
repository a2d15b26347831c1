// Definitions of the process-wide state declared in globals.h.
#include "conversion/globals.h"

#ifdef _WIN32
#include "conversion/folder_passes.h"
#endif

SoundInfo g_soundInfo;
int g_busy;
int g_stopRequest;
char g_exeDir[PATH_TEXT_SIZE];
MessageHook g_messageHook;
const char* volatile g_pendingTemporary;
unsigned g_temporaryNumber;

#ifdef _WIN32
HWND g_sheet;
HWND g_extractPage;
HWND g_packPage;
FolderRun g_folderRun;
int g_quitRequested;
unsigned g_previewNumber;
std::vector<std::string> g_previewFiles;
#endif
