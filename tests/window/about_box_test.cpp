// The About box: modal from both pages, its texts, how it closes, the
// link's colours, and no GDI objects left behind.
#include <algorithm>

#include "resources/version.h"
#include "tests/window/window_fixture.h"

class AboutBoxTest : public WindowTest {
protected:
    HWND OpenAbout() {
        PostClick(SheetButton(IDHELP));
        return WaitForDialog(program_, "О программе");
    }

    bool Closes(HWND box) { return WaitUntil([&] { return !IsWindow(box); }); }

    bool LinkShows(HWND link, COLORREF colour) {
        return WaitUntil([&] {
            RECT area;
            GetWindowRect(link, &area);
            return ScreenShowsColour(area, colour);
        });
    }

    // Redraws the link: once pressed and released, once repainted whole.
    static void RedrawLink(HWND link) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(link, BM_SETSTATE, TRUE, 0, SMTO_NORMAL, PATIENCE_MS, &result);
        SendMessageTimeoutA(link, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, PATIENCE_MS, &result);
        InvalidateRect(link, NULL, TRUE);
        UpdateWindow(link);
    }
};

TEST_F(AboutBoxTest, OpensModallyFromBothPagesWithItsTexts) {
    for (int page = 0; page < 2; ++page) {
        ShowPage(program_.sheet, page);
        HWND box = OpenAbout();
        ASSERT_NE(box, HWND(NULL)) << "page " << page;
        EXPECT_EQ(GetWindow(box, GW_OWNER), program_.sheet);
        EXPECT_FALSE(IsWindowEnabled(program_.sheet));
        std::vector<std::string> texts = ChildTexts(box);
        for (const char* text : {"OK", VELKMAR_PRODUCT_NAME ", version " VELKMAR_VERSION_TEXT, "Сайт Fennick"})
            EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
        EXPECT_EQ(TextOf(GetDlgItem(box, IDC_SITE_LINK)), "Сайт Fennick");
        PostClick(GetDlgItem(box, IDOK));
        EXPECT_TRUE(Closes(box));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(program_.sheet) != FALSE; }));
    }
}

TEST_F(AboutBoxTest, EnterAndTheCloseBoxCloseItButEscapeDoesNot) {
    HWND box = OpenAbout();
    ASSERT_NE(box, HWND(NULL));
    HWND ok = GetDlgItem(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(program_) == ok; }));
    PressKey(ok, VK_RETURN);
    EXPECT_TRUE(Closes(box));

    box = OpenAbout();
    ASSERT_NE(box, HWND(NULL));
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(Closes(box));

    box = OpenAbout();
    ASSERT_NE(box, HWND(NULL));
    ok = GetDlgItem(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(program_) == ok; }));
    // The Tab press after Escape is handled after it: once the focus has
    // moved on, Escape has had its chance.
    PressKey(ok, VK_ESCAPE);
    PressKey(ok, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(program_) == GetDlgItem(box, IDC_SITE_LINK); }));
    EXPECT_TRUE(IsWindow(box) && IsWindowVisible(box));
    PostClick(ok);
    EXPECT_TRUE(Closes(box));
}

TEST_F(AboutBoxTest, LinkIsBlueAtRestGreyWithFocusRedWhenPressed) {
    HWND box = OpenAbout();
    ASSERT_NE(box, HWND(NULL));
    HWND link = GetDlgItem(box, IDC_SITE_LINK);
    EXPECT_TRUE(LinkShows(link, RGB(0, 0, 255)));

    PressKey(GetDlgItem(box, IDOK), VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(program_) == link; }));
    EXPECT_TRUE(LinkShows(link, RGB(127, 127, 127)));

    DWORD_PTR result = 0;
    SendMessageTimeoutA(link, BM_SETSTATE, TRUE, 0, SMTO_NORMAL, PATIENCE_MS, &result);
    EXPECT_TRUE(LinkShows(link, RGB(255, 0, 0)));
    SendMessageTimeoutA(link, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, PATIENCE_MS, &result);
    PostClick(GetDlgItem(box, IDOK));
    EXPECT_TRUE(Closes(box));
}

TEST_F(AboutBoxTest, OpeningAndRedrawingLeavesNoGdiObjectsBehind) {
    HWND box = OpenAbout();
    ASSERT_NE(box, HWND(NULL));
    PostClick(GetDlgItem(box, IDOK));
    ASSERT_TRUE(Closes(box));
    const long before = GdiObjectCount(program_);
    ASSERT_GT(before, 0) << "cannot count the program's GDI objects";

    const int openings = 15;
    const int redraws = 20;
    for (int i = 0; i < openings; ++i) {
        box = OpenAbout();
        ASSERT_NE(box, HWND(NULL));
        for (int j = 0; j < redraws; ++j) RedrawLink(GetDlgItem(box, IDC_SITE_LINK));
        PostClick(GetDlgItem(box, IDOK));
        ASSERT_TRUE(Closes(box));
    }
    // Each drawing creates a font: a leak would leave hundreds.
    EXPECT_TRUE(WaitUntil([&] { return GdiObjectCount(program_) <= before; }))
        << "before " << before << ", after " << GdiObjectCount(program_);
}
