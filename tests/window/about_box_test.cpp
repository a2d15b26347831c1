// The About box.
#include <windows.h>
#include <winternl.h>

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

// The GDI objects the process holds (Wine's GetGuiResources counts none): the
// used entries of its GDI handle table, which its PEB points to at 0xF8
// (x86_64) or 0x94 (i686); 24 bytes each, type at byte 14, 0 when free.
long GdiObjects(const Program& program) {
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
    for (size_t at = 14; at < entries.size(); at += 24) used += entries[at] != 0;
    return used;
}

}  // namespace

// Opened from either page, modal; OK, Enter and the close box close it,
// Escape and the link do not; the link is blue at rest, grey with the focus,
// red when pressed; openings and redraws leave no GDI objects behind. The
// close box then ends the program.
TEST_F(WindowTest, AboutBox) {
    long before = -1;
    for (int i = 0; i < 18; ++i) {
        ShowPage(program_.sheet, i % 2);
        PostClick(GetDlgItem(program_.sheet, IDHELP));
        HWND box = WaitForDialog(program_, "О программе");
        ASSERT_NE(box, HWND(NULL)) << i;
        EXPECT_TRUE(GetWindow(box, GW_OWNER) == program_.sheet && !IsWindowEnabled(program_.sheet)) << "modal";
        HWND ok = GetDlgItem(box, IDOK);
        HWND link = GetDlgItem(box, IDC_SITE_LINK);
        ASSERT_TRUE(WaitUntil([&] { return Focus() == ok; }));
        if (i == 0) {
            EXPECT_TRUE(Shows(link, RGB(0, 0, 255))) << "blue at rest";
            // Tab is handled after Escape: once the focus has moved on,
            // Escape has had its chance.
            PressKey(ok, VK_ESCAPE);
            PressKey(ok, VK_TAB);
            ASSERT_TRUE(WaitUntil([&] { return Focus() == link; }));
            EXPECT_TRUE(Shows(link, RGB(127, 127, 127))) << "grey with the focus";
            SendMessageA(link, BM_SETSTATE, TRUE, 0);
            EXPECT_TRUE(Shows(link, RGB(255, 0, 0))) << "red when pressed";
            SendMessageA(link, BM_SETSTATE, FALSE, 0);
            EXPECT_TRUE(ClickAndWait(link) && IsWindowVisible(box)) << "the link closed it";
        }
        // Each drawing makes a font: a leak would leave hundreds.
        for (int redraw = 0; redraw < 20; ++redraw) {
            SendMessageA(link, BM_SETSTATE, TRUE, 0);
            SendMessageA(link, BM_SETSTATE, FALSE, 0);
        }
        if (i % 3 == 0) PostClick(ok);
        if (i % 3 == 1) PressKey(ok, VK_RETURN);
        if (i % 3 == 2) PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) && IsWindowEnabled(program_.sheet); })) << i;
        // Counted once the program has made the objects it keeps.
        if (i == 2) before = GdiObjects(program_);
    }
    ASSERT_GT(before, 0) << "cannot count the program's GDI objects";
    EXPECT_TRUE(WaitUntil([&] { return GdiObjects(program_) <= before; })) << before << ", " << GdiObjects(program_);
    PostMessageA(program_.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(program_), 0u) << "the close box, once both pages were shown";
}
