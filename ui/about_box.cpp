// The About box.
#include "ui/about_box.h"

#include <shellapi.h>

#include "resources/resource.h"

namespace {

// The maker's web page, opened by the link with the shell's default verb.
const char SITE_ADDRESS[] = "https://www.example.com/fennick/";

const COLORREF LINK_PRESSED = RGB(255, 0, 0);
const COLORREF LINK_FOCUSED = RGB(127, 127, 127);
const COLORREF LINK_AT_REST = RGB(0, 0, 255);
const int LINK_POINTS = 8;
const int POINTS_PER_INCH = 72;

void AnswerCommand(HWND window, WPARAM command) {
    switch (command) {
    case IDOK: EndDialog(window, 1); break;
    case IDC_SITE_LINK: ShellExecuteA(window, NULL, SITE_ADDRESS, NULL, NULL, SW_SHOW); break;
    }
}

COLORREF LinkColour(UINT state) {
    if (state & ODS_SELECTED) return LINK_PRESSED;
    if (state & ODS_FOCUS) return LINK_FOCUSED;
    return LINK_AT_REST;
}

// Draws the link button: underlined text, blue at rest, grey with the
// keyboard focus, red while held down; its font is made and deleted here.
// The link font is 8 points, the size of the dialog's own font. A height
// of 8 logical units would only look right with the bitmap MS Sans Serif,
// which has no size that small and falls back to 8 points; a scalable
// substitute draws it 8 pixels high, too small to read.
void DrawSiteLink(const DRAWITEMSTRUCT* item) {
    const int height = -MulDiv(LINK_POINTS, GetDeviceCaps(item->hDC, LOGPIXELSY), POINTS_PER_INCH);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ms sans serif");
    HGDIOBJ previous = SelectObject(item->hDC, font);
    SetTextColor(item->hDC, LinkColour(item->itemState));
    RECT area = item->rcItem;
    DrawTextA(item->hDC, "Сайт Fennick", -1, &area, DT_CENTER);
    SelectObject(item->hDC, previous);
    DeleteObject(font);
}

}  // namespace

INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return 1;
    case WM_CLOSE:
        EndDialog(window, 1);
        return 1;
    case WM_COMMAND:
        AnswerCommand(window, wParam);
        return 0;
    case WM_DRAWITEM:
        DrawSiteLink(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 0;
    }
    return 0;
}
