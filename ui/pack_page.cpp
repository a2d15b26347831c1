// The Pack page.
#include "ui/pack_page.h"

#include <commctrl.h>

#include "conversion/globals.h"
#include "conversion/packing.h"
#include "conversion/presets.h"
#include "resources/resource.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace {

void Pack() {
    SetDlgItemTextA(g_packPage, IDC_STATUS, "Packing...");
    PackFromPage();
    SetDlgItemTextA(g_packPage, IDC_STATUS, "Ready");
}

// Only clicks act, as on the Extract page.
void AnswerCommand(WPARAM command) {
    switch (command) {
    case IDC_BROWSE_PACK_SOURCE: BrowsePackSource(); break;
    case IDC_BROWSE_PACK_DESTINATION: BrowsePackDestination(); break;
    case IDC_PACK: Pack(); break;
    }
}

}  // namespace

INT_PTR CALLBACK PackPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_packPage = window;
        return 1;
    case WM_COMMAND:
        AnswerCommand(wParam);
        return 0;
    case WM_NOTIFY:
        AnswerSheetNotification(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    }
    return 0;
}

void BrowsePackSource() {
    if (!g_packSource[0]) ProposeBesideProgram(g_packSource, "i.wav");
    OPENFILENAMEA record = FileDialogRecord(g_packPage, WAV_FILTER, g_packSource, g_packSource, OPEN_DIALOG_FLAGS);
    if (GetOpenFileNameA(&record)) SetDlgItemTextA(g_packPage, IDC_PACK_SOURCE, g_packSource);
}

void BrowsePackDestination() {
    if (!g_packDestination[0]) ProposeBesideProgram(g_packDestination, "i.wad");
    OPENFILENAMEA record =
        FileDialogRecord(g_packPage, PACKED_SOUND_FILTER, g_packDestination, g_packDestination, SAVE_DIALOG_FLAGS);
    if (GetSaveFileNameA(&record)) SetDlgItemTextA(g_packPage, IDC_PACK_DESTINATION, g_packDestination);
}

void PackFromPage() {
    char source[PATH_TEXT_SIZE] = "";
    char destination[PATH_TEXT_SIZE] = "";
    GetDlgItemTextA(g_packPage, IDC_PACK_SOURCE, source, PATH_TEXT_SIZE);
    if (!source[0]) return;
    GetDlgItemTextA(g_packPage, IDC_PACK_DESTINATION, destination, PATH_TEXT_SIZE);
    if (!destination[0]) return;
    // Packed in the mode an extraction with the same settings reads it in.
    PackSoundFile(source, destination, ForcedChannelMode());
}
