// Folder extraction from the Extract page.
//
// The passes follow the shared rules of folder_passes.h; this file adds
// the window's side: the preset chosen through the page, the status line
// and the progress bar, the Stop button and the final message box. Between
// files the message pump runs every pending message, so the window stays
// live and other actions may run nested inside a pass.
//
// One FolderRun, g_folderRun, lasts over the three passes so that a later
// pass does not overwrite a WAV an earlier one wrote (boom.wad and
// boom.adp give boom.wav and boom.adp.wav). It is process-wide rather than
// an argument because the pass keeps its three-argument form, and no two
// folder extractions can overlap: during one, the Extract button only
// raises the stop request.
//
// "Закрыть" or the close box during a pass posts the quit request, which
// the pump would take off the queue and lose. The pump notes it in
// g_quitRequested and posts it again; the pass then stops before its next
// file, no further pass runs and no final message is shown, and the main
// loop ends once the Extract button's handler returns.
#include "conversion/window/folder_extraction.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "conversion/files/folder_passes.h"
#include "conversion/files/globals.h"
#include "conversion/window/channel_choice.h"
#include "conversion/window/message_boxes.h"
#include "resources/resource.h"

namespace {

// The WAVs written so far by the folder extraction, over its three passes;
// emptied when it starts.
FolderRun g_folderRun;

const char FOLDER_CAPTION[] = "Extract Folder";
const char ALL_EXTRACTED[] = "Найденные файлы распакованы.";
const char SOME_FAILED[] = "Произошла ошибка при распаковке некоторых файлов.";

// Before each file: "Файл 2 из 5" in the status line.
void ShowFileNumber(void*, int index, int count) {
    char text[64];
    std::snprintf(text, sizeof text, "Файл %d из %d", index, count);
    SetDlgItemTextA(g_extractPage, IDC_STATUS, text);
    PumpPendingMessages();
}

// Read before each file: a stop request is consumed here; a quit request
// stops every pass.
int StopRequested(void*) {
    if (g_quitRequested) return 1;
    if (!g_stopRequest) return 0;
    g_stopRequest = 0;
    return 1;
}

// After each file: the bar's new position.
void ShowProgress(void*, const char*, ConvStatus, uint32_t progress) {
    SendMessageA(GetDlgItem(g_extractPage, IDC_PROGRESS), PBM_SETPOS, progress, 0);
    PumpPendingMessages();
}

}  // namespace

void ExtractFolder(const char* sourceFolder, const char* destinationFolder) {
    // A relative source folder is resolved once: each pass makes the source
    // folder the current directory, and the next pass would otherwise look
    // for it inside itself.
    char source[PATH_TEXT_SIZE];
    DWORD length = GetFullPathNameA(sourceFolder, sizeof source, source, NULL);
    if (length == 0 || length >= sizeof source) std::snprintf(source, sizeof source, "%s", sourceFolder);
    g_folderRun = FolderRun();
    int allConverted = 1;
    for (const FolderPassKind& pass : FOLDER_PASSES) {
        if (g_quitRequested) return;
        const int channels = ChannelsForExtension(ForcedChannelMode(), pass.extension);
        allConverted &= ExtractFolderKind(pass.pattern, channels, source, destinationFolder);
    }
    if (g_quitRequested) return;
    if (allConverted)
        ShowMessageBox(g_extractPage, ALL_EXTRACTED, FOLDER_CAPTION, MESSAGE_INFORMATION);
    else
        ShowMessageBox(g_extractPage, SOME_FAILED, FOLDER_CAPTION, MESSAGE_WARNING);
}

int ExtractFolderKind(const char* pattern, int channels, const char* sourceFolder, const char* destinationFolder) {
    // The pass takes its files from the source folder or from nowhere: when
    // it cannot be made the current directory, the pass fails.
    if (!SetCurrentDirectoryA(sourceFolder)) return 0;
    char folder[PATH_TEXT_SIZE];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return 0;
    const char* extension = PathExtension(pattern);
    std::vector<PassFile> files;
    if (!extension || ListPassFiles(folder, extension, &files) != CONV_OK) return 0;
    const FolderHooks hooks = {nullptr, ShowFileNumber, StopRequested, ShowProgress, nullptr, nullptr, false};
    return RunFolderPass(files, channels, folder, destinationFolder, &g_folderRun, &hooks);
}

void PumpPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            g_quitRequested = 1;
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
