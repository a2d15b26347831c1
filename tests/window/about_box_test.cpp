// The About box.
#include "tests/window/window_test.h"

// Opened from either page, modal; OK and the close box close it, Escape
// and the link do not. The close box then ends the program. (How the link
// looks at rest, focused and pressed: the screenshots.)
TEST_F(WindowTest, AboutBox) {
    for (int i = 0; i < 2; ++i) {
        ShowPage(program_.sheet, i % 2);
        PostClick(GetDlgItem(program_.sheet, IDHELP));
        HWND box = WaitForDialog(program_, "О программе");
        ASSERT_NE(box, HWND(NULL)) << i;
        EXPECT_TRUE(GetWindow(box, GW_OWNER) == program_.sheet && !IsWindowEnabled(program_.sheet)) << "modal";
        HWND ok = GetDlgItem(box, IDOK), link = GetDlgItem(box, IDC_SITE_LINK);
        ASSERT_TRUE(WaitUntil([&] { return Focus() == ok; }));
        if (i == 0) {
            // Tab is handled after Escape: once the focus has moved on,
            // Escape has had its chance.
            PressKey(ok, VK_ESCAPE);
            PressKey(ok, VK_TAB);
            ASSERT_TRUE(WaitUntil([&] { return Focus() == link; }));
            EXPECT_TRUE(ClickAndWait(link) && IsWindowVisible(box)) << "the link closed it";
        }
        if (i == 0) PostClick(ok);
        if (i == 1) PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) && IsWindowEnabled(program_.sheet); })) << i;
    }
    PostMessageA(program_.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(program_), 0u) << "the close box, once both pages were shown";
}
