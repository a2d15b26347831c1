// The Pack page: a WAV file packed into a headerless packed sound file, in
// the mode an extraction with the same settings reads it in.
#include "ui/pack_page.h"

#include <commctrl.h>

#include "conversion/files/globals.h"
#include "conversion/files/packing.h"
#include "conversion/window/channel_choice.h"
#include "resources/resource.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace {

// The last file chosen in each browser, for the lifetime of the process;
// independent of the text in the fields.
char g_packSource[PATH_TEXT_SIZE];
char g_packDestination[PATH_TEXT_SIZE];

// "Обзор..." of the source: an open dialog for WAV files, starting on the
// last file chosen (first "i.wav" beside the program); fills the field on OK.
void BrowsePackSource() {
    if (!g_packSource[0]) ProposeBesideProgram(g_packSource, "i.wav");
    OPENFILENAMEA record = FileDialogRecord(g_packPage, WAV_FILTER, g_packSource, g_packSource, OPEN_DIALOG_FLAGS);
    if (GetOpenFileNameA(&record)) SetDlgItemTextA(g_packPage, IDC_PACK_SOURCE, g_packSource);
}

// "Обзор..." of the destination: a save dialog for packed sound files,
// starting on the last name chosen (first "i.wad"); fills the field on OK.
void BrowsePackDestination() {
    if (!g_packDestination[0]) ProposeBesideProgram(g_packDestination, "i.wad");
    OPENFILENAMEA record =
        FileDialogRecord(g_packPage, PACKED_SOUND_FILTER, g_packDestination, g_packDestination, SAVE_DIALOG_FLAGS);
    if (GetSaveFileNameA(&record)) SetDlgItemTextA(g_packPage, IDC_PACK_DESTINATION, g_packDestination);
}

// The action of "Pack": packs the source field's file into the destination
// field's; does nothing while either field is empty. The packing reports
// its own failures.
void PackFromPage() {
    char source[PATH_TEXT_SIZE] = "";
    char destination[PATH_TEXT_SIZE] = "";
    GetDlgItemTextA(g_packPage, IDC_PACK_SOURCE, source, PATH_TEXT_SIZE);
    if (!source[0]) return;
    GetDlgItemTextA(g_packPage, IDC_PACK_DESTINATION, destination, PATH_TEXT_SIZE);
    if (!destination[0]) return;
    PackSoundFile(source, destination, ForcedChannelMode());
}

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
