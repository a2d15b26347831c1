// The About box: modal over the sheet from either page; OK, Enter and the
// close box close it, Escape and the link do not; the link's colours; no
// GDI objects left behind.
#include <windows.h>
#include <winternl.h>

#include <cstring>

#include "tests/window/window_test.h"

namespace {

// Whether the screen shows colour anywhere on window.
bool Shows(HWND window, COLORREF colour) {
    return WaitUntil([&] {
        RECT area;
        GetWindowRect(window, &area);
        HDC screen = GetDC(NULL);
        bool shown = false;
        for (LONG y = area.top; y < area.bottom && !shown; ++y)
            for (LONG x = area.left; x < area.right && !shown; ++x) shown = GetPixel(screen, x, y) == colour;
        ReleaseDC(NULL, screen);
        return shown;
    });
}

// The GDI objects the process holds: GetGuiResources, or where Wine lacks
// it the used entries of the GDI handle table its PEB points to (at 0xF8 on
// x86_64, 0x94 on i686): 24-byte entries, owner process at byte 8, type at
// byte 14 (0 when free). -1 when neither can be read.
long GdiObjects(const Program& program) {
    SetLastError(0);
    const DWORD counted = GetGuiResources(program.info.hProcess, GR_GDIOBJECTS);
    if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return static_cast<long>(counted);
    HANDLE process = program.info.hProcess;
    PROCESS_BASIC_INFORMATION basic = {};
    void* table = nullptr;
    std::vector<unsigned char> entries(0x10000 * 24);
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0 ||
        !ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + (sizeof(void*) == 8 ? 0xF8 : 0x94),
                           &table, sizeof table, NULL) ||
        !ReadProcessMemory(process, table, entries.data(), entries.size(), NULL))
        return -1;
    long used = 0;
    for (size_t at = 0; at < entries.size(); at += 24) {
        WORD owner;
        std::memcpy(&owner, &entries[at + 8], sizeof owner);
        used += entries[at + 14] != 0 && (owner == 0 || owner == static_cast<WORD>(program.info.dwProcessId));
    }
    return used;
}

}  // namespace

class AboutBoxTest : public WindowTest {
protected:
    HWND Open() {
        PostClick(SheetButton(IDHELP));
        return WaitForDialog(program_, "О программе");
    }
    bool Closes(HWND box) { return WaitUntil([&] { return !IsWindow(box); }); }
};

// Opened from the Extract page, the Pack page, the Extract page again.
TEST_F(AboutBoxTest, OpensFromEitherPageAndClosesByOkEnterOrTheCloseBox) {
    for (int way = 0; way < 3; ++way) {
        ShowPage(program_.sheet, way % 2);
        HWND box = Open();
        ASSERT_NE(box, HWND(NULL)) << way;
        EXPECT_EQ(GetWindow(box, GW_OWNER), program_.sheet);
        EXPECT_FALSE(IsWindowEnabled(program_.sheet));
        HWND ok = GetDlgItem(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return Focus() == ok; }));
        if (way == 0) PostClick(ok);
        if (way == 1) PressKey(ok, VK_RETURN);
        if (way == 2) PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(Closes(box) && WaitUntil([&] { return IsWindowEnabled(program_.sheet) != FALSE; })) << way;
    }
}

TEST_F(AboutBoxTest, EscapeAndTheLinkLeaveItOpenAndTheLinkShowsItsState) {
    HWND box = Open();
    ASSERT_NE(box, HWND(NULL));
    HWND ok = GetDlgItem(box, IDOK);
    HWND link = GetDlgItem(box, IDC_SITE_LINK);
    EXPECT_TRUE(Shows(link, RGB(0, 0, 255))) << "blue at rest";
    ASSERT_TRUE(WaitUntil([&] { return Focus() == ok; }));
    // Tab is handled after Escape: once the focus has moved on, Escape has
    // had its chance.
    PressKey(ok, VK_ESCAPE);
    PressKey(ok, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return Focus() == link; }));
    EXPECT_TRUE(Shows(link, RGB(127, 127, 127))) << "grey with the focus";
    SendMessageA(link, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(Shows(link, RGB(255, 0, 0))) << "red when pressed";
    SendMessageA(link, BM_SETSTATE, FALSE, 0);
    EXPECT_TRUE(ClickAndWait(link) && IsWindowVisible(box));
}

TEST_F(AboutBoxTest, RedrawingLeavesNoGdiObjectsBehind) {
    long before = -1;
    for (int i = 0; i < 17; ++i) {
        HWND box = Open();
        ASSERT_NE(box, HWND(NULL));
        HWND link = GetDlgItem(box, IDC_SITE_LINK);
        for (int redraw = 0; redraw < 20; ++redraw) {
            SendMessageA(link, BM_SETSTATE, TRUE, 0);
            SendMessageA(link, BM_SETSTATE, FALSE, 0);
            InvalidateRect(link, NULL, TRUE);
            UpdateWindow(link);
        }
        PostClick(GetDlgItem(box, IDOK));
        ASSERT_TRUE(Closes(box));
        // Counted after two openings: the program makes some objects of its
        // own in its first second or so.
        if (i == 1) before = GdiObjects(program_);
    }
    ASSERT_GT(before, 0) << "cannot count the program's GDI objects";
    // Each drawing makes a font: a leak would leave hundreds.
    EXPECT_TRUE(WaitUntil([&] { return GdiObjects(program_) <= before; })) << before << ", " << GdiObjects(program_);
}
