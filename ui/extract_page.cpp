// The Extract page.
//
// "Extract" runs its action to the end inside the click; while it runs the
// button reads "Stop", and a click on it (possible only while a folder
// extraction pumps messages) just raises the stop request.
#include "ui/extract_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "conversion/files/extraction.h"
#include "conversion/window/folder_extraction.h"
#include "conversion/files/folder_passes.h"
#include "conversion/files/globals.h"
#include "conversion/window/channel_choice.h"
#include "conversion/window/preview.h"
#include "resources/resource.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace {

// The last file chosen in the file browser, for the lifetime of the
// process; independent of the text in the field.
char g_sourceFile[PATH_TEXT_SIZE];

bool IsChecked(int id) { return IsDlgButtonChecked(g_extractPage, id) == BST_CHECKED; }

void EnableControl(int id, bool enable) { EnableWindow(GetDlgItem(g_extractPage, id), enable ? TRUE : FALSE); }

// Single-file mode (true) or folder mode (false): enables the controls of
// the chosen mode and disables those of the other; fields keep their text.
void ShowExtractionMode(bool singleFile) {
    EnableControl(IDC_SOURCE_FOLDER, !singleFile);
    EnableControl(IDC_BROWSE_FOLDER, !singleFile);
    EnableControl(IDC_SOURCE_FILE, singleFile);
    EnableControl(IDC_BROWSE_FILE, singleFile);
    EnableControl(IDC_PLAY, singleFile);
}

// "Режим" enables the two channel radios; they keep their check.
void ShowForcedChannelMode() {
    bool forced = IsChecked(IDC_FORCE_MODE);
    EnableControl(IDC_EFFECTS, forced);
    EnableControl(IDC_MUSIC, forced);
}

// Turns a source path into the proposed WAV name (WavPathFor); when ".wav"
// does not fit, the name is proposed without it.
void ProposeWavName(char* path) {
    std::string proposal = WavPathFor(path);
    if (proposal.size() >= static_cast<size_t>(PATH_TEXT_SIZE)) proposal.resize(proposal.size() - 4);
    std::snprintf(path, PATH_TEXT_SIZE, "%s", proposal.c_str());
}

// Shows the shell's folder browser owned by the page. Returns 1 with the
// chosen folder in path (PATH_TEXT_SIZE bytes), or 0 when the user
// cancelled or chose something that is no file-system folder.
int AskForFolder(const char* title, char* path) {
    BROWSEINFOA info = {};
    info.hwndOwner = g_extractPage;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST folder = SHBrowseForFolderA(&info);
    if (!folder) return 0;
    int found = SHGetPathFromIDListA(folder, path) ? 1 : 0;
    ILFree(folder);
    return found;
}

void ExtractSingleFile() {
    char proposal[PATH_TEXT_SIZE] = "";
    char source[PATH_TEXT_SIZE] = "";
    GetDlgItemTextA(g_extractPage, IDC_SOURCE_FILE, proposal, PATH_TEXT_SIZE);
    if (!proposal[0]) return;
    std::strcpy(source, proposal);
    SelectChannelMode(PathExtension(proposal));
    ProposeWavName(proposal);

    OPENFILENAMEA record = FileDialogRecord(g_extractPage, WAV_FILTER, proposal, "", SAVE_DIALOG_FLAGS);
    if (!GetSaveFileNameA(&record)) return;
    UpdateWindow(g_extractPage);
    ExtractSoundFile(source, proposal);
}

void ExtractWholeFolder() {
    char destination[PATH_TEXT_SIZE] = "";
    char source[PATH_TEXT_SIZE] = "";
    GetDlgItemTextA(g_extractPage, IDC_SOURCE_FOLDER, source, PATH_TEXT_SIZE);
    if (!source[0]) return;
    if (!AskForFolder("Выберите папку для распакованных файлов", destination)) return;
    ExtractFolder(source, destination);
}

// Start state: "Эффекты" and "Распаковать один файл" checked, progress
// range 0 to PROGRESS_END with step 1.
void InitExtractPage() {
    CheckDlgButton(g_extractPage, IDC_EFFECTS, BST_CHECKED);
    CheckDlgButton(g_extractPage, IDC_SINGLE_FILE, BST_CHECKED);
    HWND progress = GetDlgItem(g_extractPage, IDC_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, PROGRESS_END));
    SendMessageA(progress, PBM_SETSTEP, 1, 0);
}

// "Обзор..." of the file field: an open dialog, starting on the last file
// chosen (first "i.wad" beside the program); fills the field on OK.
void BrowseSourceFile() {
    if (!g_sourceFile[0]) ProposeBesideProgram(g_sourceFile, "i.wad");
    OPENFILENAMEA record =
        FileDialogRecord(g_extractPage, PACKED_SOUND_FILTER, g_sourceFile, g_sourceFile, OPEN_DIALOG_FLAGS);
    if (GetOpenFileNameA(&record)) SetDlgItemTextA(g_extractPage, IDC_SOURCE_FILE, g_sourceFile);
}

// "Обзор..." of the folder field: the shell's folder browser; fills the
// field on OK.
void BrowseSourceFolder() {
    char folder[PATH_TEXT_SIZE] = "";
    if (AskForFolder("Выберите папку", folder)) SetDlgItemTextA(g_extractPage, IDC_SOURCE_FOLDER, folder);
}

// The action of "Extract": one file through a save dialog, or the whole
// folder into a folder the user chooses.
void RunExtraction() {
    if (IsChecked(IDC_SINGLE_FILE))
        ExtractSingleFile();
    else
        ExtractWholeFolder();
}

// Extract / Stop.
void ExtractOrStop() {
    if (g_busy) {
        g_stopRequest = 1;
        return;
    }
    SetDlgItemTextA(g_extractPage, IDC_EXTRACT, "Stop");
    SetDlgItemTextA(g_extractPage, IDC_STATUS, "Extracting...");
    g_busy = 1;
    RunExtraction();
    SetDlgItemTextA(g_extractPage, IDC_EXTRACT, "Extract");
    SetDlgItemTextA(g_extractPage, IDC_STATUS, "Ready");
    g_busy = 0;
}

// Only clicks act: the whole wParam is compared, so a notification code
// other than BN_CLICKED (0) matches nothing.
void AnswerCommand(WPARAM command) {
    switch (command) {
    case IDC_EXTRACT: ExtractOrStop(); break;
    case IDC_PLAY: PlayPreview(); break;
    case IDC_BROWSE_FILE: BrowseSourceFile(); break;
    case IDC_SINGLE_FILE: ShowExtractionMode(true); break;
    case IDC_BROWSE_FOLDER: BrowseSourceFolder(); break;
    case IDC_WHOLE_FOLDER: ShowExtractionMode(false); break;
    case IDC_FORCE_MODE: ShowForcedChannelMode(); break;
    }
}

}  // namespace

INT_PTR CALLBACK ExtractPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_extractPage = window;
        InitExtractPage();
        return 1;
    case WM_COMMAND:
        AnswerCommand(wParam);
        return 0;
    case WM_NOTIFY:
        AnswerSheetNotification(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_CLOSE:
    case WM_DESTROY:
        EndProgram();
        return 1;
    }
    return 0;
}
