// Folder extraction. Only the message pump is written so far; the passes
// do nothing yet, so the window's folder mode can already be wired.
#include "conversion/folder_extraction.h"

#include <windows.h>

void ExtractFolder(const char*, const char*) {}

int ExtractFolderKind(const char*, const char*, const char*) { return 0; }

void PumpPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
