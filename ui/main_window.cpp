// Start-up, the property sheet and the main message loop.
//
// The sheet is modeless: PropertySheetA returns at once with its window,
// start-up trims its buttons to "Закрыть" and "About...", centres it and
// only then shows it. The main loop runs until a page posts the quit
// request; the sheet is never destroyed by the program.
#include "ui/main_window.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>

#include "conversion/files/globals.h"
#include "conversion/window/message_boxes.h"
#include "conversion/window/preview.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "ui/about_box.h"
#include "ui/extract_page.h"
#include "ui/pack_page.h"

namespace {

// Records the directory of the running executable, without the trailing
// backslash, in g_exeDir. A path without a backslash stays whole.
void RecordExecutableDirectory() {
    GetModuleFileNameA(NULL, g_exeDir, PATH_TEXT_SIZE);
    const size_t nameStart = FileNameStart(g_exeDir);
    if (nameStart > 0) g_exeDir[nameStart - 1] = '\0';
}

PROPSHEETPAGEA DescribePage(HINSTANCE instance, int dialogId, DLGPROC procedure) {
    PROPSHEETPAGEA page = {};
    page.dwSize = PROPSHEETPAGEA_V2_SIZE;
    page.dwFlags = PSP_USEICONID | PSP_HASHELP;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEA(dialogId);
    page.pszIcon = MAKEINTRESOURCEA(IDI_VELKMAR);
    page.pfnDlgProc = procedure;
    return page;
}

// Creates the hidden sheet with its two pages and returns its window, or
// null when it cannot be created.
HWND CreateSheet(HINSTANCE instance) {
    // The sheet steps from one page record to the next by each record's
    // dwSize, so the records lie PROPSHEETPAGEA_V2_SIZE bytes apart rather
    // than in an array of the longer PROPSHEETPAGEA.
    const size_t stride = PROPSHEETPAGEA_V2_SIZE;
    alignas(PROPSHEETPAGEA) unsigned char pages[2 * sizeof(PROPSHEETPAGEA)] = {};
    PROPSHEETPAGEA extract = DescribePage(instance, IDD_EXTRACT_PAGE, ExtractPageProc);
    PROPSHEETPAGEA pack = DescribePage(instance, IDD_PACK_PAGE, PackPageProc);
    std::memcpy(pages, &extract, stride);
    std::memcpy(pages + stride, &pack, stride);

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOCONTEXTHELP | PSH_MODELESS | PSH_HASHELP | PSH_USECALLBACK |
                     PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE | PSH_USEICONID;
    header.hwndParent = NULL;
    header.hInstance = instance;
    header.pszIcon = MAKEINTRESOURCEA(IDI_VELKMAR);
    header.pszCaption = VELKMAR_PRODUCT_NAME;
    header.nPages = 2;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    header.pfnCallback = SheetCallback;

    INT_PTR sheet = PropertySheetA(&header);
    if (sheet == 0 || sheet == -1) return NULL;
    return reinterpret_cast<HWND>(sheet);
}

void MakeButtonFlat(int id) {
    HWND button = GetDlgItem(g_sheet, id);
    SetWindowLongA(button, GWL_STYLE, GetWindowLongA(button, GWL_STYLE) | BS_FLAT);
}

// Only the sheet's Cancel and Help buttons stay, as "Закрыть" and "About...".
void TrimSheetButtons() {
    DestroyWindow(GetDlgItem(g_sheet, IDOK));
    SetDlgItemTextA(g_sheet, IDCANCEL, "Закрыть");
    SetDlgItemTextA(g_sheet, IDHELP, "About...");
}

// Keyboard navigation. The page on show takes the keys meant for its
// controls (Tab, the arrows, Enter for its default button). Tab on the
// sheet's own buttons and tabs goes to the sheet's dialog manager, so that
// the focus can come back from "Закрыть" and "About..." into the page.
bool TakenByDialogManager(MSG* message) {
    HWND page = PropSheet_GetCurrentPageHwnd(g_sheet);
    if (IsWindow(page) && IsDialogMessageA(page, message)) return true;
    if (message->message == WM_KEYDOWN && message->wParam == VK_TAB && IsChild(g_sheet, message->hwnd))
        return IsDialogMessageA(g_sheet, message) != 0;
    return false;
}

// Runs until WM_QUIT, or until the folder extraction's message pump has
// taken the quit request (it posts it again, but a modal loop in between
// may consume that).
void RunMainLoop() {
    MSG message;
    while (!g_quitRequested && GetMessageA(&message, NULL, 0, 0) > 0) {
        if (TakenByDialogManager(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Clears WS_VISIBLE in the sheet's dialog template. An extended template
// starts with the words 1 and 0xFFFF and keeps its style at byte 12; the
// plain form keeps it at byte 0.
void ClearVisibleStyle(unsigned char* dialogTemplate) {
    WORD version;
    WORD signature;
    std::memcpy(&version, dialogTemplate, sizeof version);
    std::memcpy(&signature, dialogTemplate + sizeof version, sizeof signature);
    unsigned char* styleField = dialogTemplate;
    if (version == 1 && signature == 0xFFFF) styleField += 2 * sizeof(WORD) + 2 * sizeof(DWORD);
    DWORD style;
    std::memcpy(&style, styleField, sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(styleField, &style, sizeof style);
}

// Moves the sheet to the centre of the primary screen, keeping its size
// and z-order; halfway in signed arithmetic truncating toward zero, so a
// sheet larger than the screen gets a negative coordinate.
void CentreSheet() {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(g_sheet, &placement);
    const RECT& normal = placement.rcNormalPosition;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (normal.right - normal.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (normal.bottom - normal.top)) / 2;
    SetWindowPos(g_sheet, NULL, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

}  // namespace

int CALLBACK SheetCallback(HWND, UINT message, LPARAM parameter) {
    if (message == PSCB_PRECREATE) ClearVisibleStyle(reinterpret_cast<unsigned char*>(parameter));
    return 0;
}

void AnswerSheetNotification(const NMHDR* header) {
    switch (header->code) {
    case PSN_HELP:
        DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_ABOUT_BOX), g_sheet, AboutBoxProc, 0);
        break;
    case PSN_RESET:
        EndProgram();
        break;
    }
}

void EndProgram() {
    sndPlaySoundA(NULL, SND_ASYNC | SND_NODEFAULT);
    PostQuitMessage(0);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RecordExecutableDirectory();
    ShowConversionMessagesInBoxes();
    g_sheet = CreateSheet(instance);
    if (!g_sheet) return 0;
    TrimSheetButtons();
    CentreSheet();
    ShowWindow(g_sheet, SW_SHOWNORMAL);
    MakeButtonFlat(IDCANCEL);
    MakeButtonFlat(IDHELP);
    RunMainLoop();
    RemovePreviewFiles();
    return 0;
}
