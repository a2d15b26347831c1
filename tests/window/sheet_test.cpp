// The sheet as the user meets it, closing the program, and the centring
// arithmetic.
#include <algorithm>

#include "tests/window/window_fixture.h"

namespace {

std::vector<std::string> VisibleButtonTexts(HWND sheet) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(sheet, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(child)) texts.push_back(TextOf(child));
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

}  // namespace

typedef WindowTest SheetTest;

TEST_F(SheetTest, HasItsCaptionAndOnlyCloseAndAboutButtons) {
    EXPECT_EQ(TextOf(program_.sheet), "Velkmar");
    EXPECT_EQ(VisibleButtonTexts(program_.sheet), (std::vector<std::string>{"About...", "Закрыть"}));
    EXPECT_EQ(SheetButton(IDOK), HWND(NULL));
    EXPECT_EQ(GetWindowLongA(program_.sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0) << "no \"?\" in the caption";
    EXPECT_EQ(TextOf(SheetButton(IDCANCEL)), "Закрыть");
    EXPECT_EQ(TextOf(SheetButton(IDHELP)), "About...");
    EXPECT_NE(GetWindowLongA(SheetButton(IDCANCEL), GWL_STYLE) & BS_FLAT, 0);
    EXPECT_NE(GetWindowLongA(SheetButton(IDHELP), GWL_STYLE) & BS_FLAT, 0);
}

TEST_F(SheetTest, IsCentredWhenFirstSeen) {
    RECT frame;
    ASSERT_TRUE(GetWindowRect(program_.sheet, &frame));
    // Halfway, truncated toward zero (a sheet wider than the screen would
    // get a negative coordinate).
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);
}

TEST_F(SheetTest, TabsAreExtractAndPackWithTheIcon) {
    std::vector<TabItem> tabs = TabItems(program_);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].label, "Extract");
    EXPECT_EQ(tabs[1].label, "Pack");
    EXPECT_GE(tabs[0].image, 0);
    EXPECT_GE(tabs[1].image, 0);
    EXPECT_EQ(TextOf(extractPage_), "Extract");
}

TEST_F(SheetTest, PackPageComesIntoBeingWhenItsTabIsShown) {
    HWND pack = PackControl(IDC_PACK);
    ASSERT_NE(pack, HWND(NULL));
    EXPECT_EQ(TextOf(pack), "Pack");
    EXPECT_EQ(TextOf(PackControl(IDC_STATUS)), "Ready");
    EXPECT_EQ(TextOf(PackControl(IDC_PACK_SOURCE)), "");
    EXPECT_EQ(TextOf(PackControl(IDC_PACK_DESTINATION)), "");
    EXPECT_FALSE(IsWindowEnabled(PackControl(IDC_PROGRESS)));
    EXPECT_EQ(TextOf(PackControl(IDC_BROWSE_PACK_SOURCE)), "Обзор...");
}

typedef WindowTest ClosingTest;

TEST_F(ClosingTest, CloseButtonEndsWithExitCodeZero) {
    PostClick(SheetButton(IDCANCEL));
    EXPECT_EQ(WaitForExit(program_), 0u);
}

TEST_F(ClosingTest, CloseBoxEndsWithExitCodeZero) {
    PostMessageA(program_.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(program_), 0u);
}

TEST_F(ClosingTest, CloseAfterBothPagesWereShownEndsWithExitCodeZero) {
    ASSERT_NE(PackControl(IDC_PACK), HWND(NULL));
    ShowPage(program_.sheet, 0);
    PostClick(SheetButton(IDCANCEL));
    EXPECT_EQ(WaitForExit(program_), 0u);
}
