// "Play" on the Extract page: each press writes a new WAV file, "mervane"
// and a number, into the folder TMP names (or its fallbacks), equal to a
// single-file extraction; it never overwrites a file, and the files it made
// go when the program ends.
#include <algorithm>

#include "tests/window/window_test.h"

typedef WindowTest PreviewTest;

// mervane1.wav and mervane2.wav exist: an empty field still uses up the
// next free number (3), and the presses after it make 4 and 5.
TEST_F(PreviewTest, EachPressMakesANewFileRemovedWhenTheProgramEnds) {
    const Bytes kept(100, 'k');
    for (const char* name : {"mervane1.wav", "mervane2.wav", "other.txt"}) WriteFileBytes(tmp_ + "\\" + name, kept);
    ASSERT_TRUE(ClickAndWait(Extract(IDC_PLAY))) << "Play opened a window";
    WriteFileBytes(Path("music.ADX"), Packed(9000));
    SetText(Extract(IDC_SOURCE_FILE), Path("music.ADX"));
    ClickAndWait(Extract(IDC_PLAY));
    ClickAndWait(Extract(IDC_PLAY));
    const std::vector<std::string> made = {"mervane4.wav", "mervane5.wav"};
    EXPECT_EQ(ListFolder(tmp_), (std::vector<std::string>{"mervane1.wav", "mervane2.wav", made[0], made[1], "other.txt"}));
    for (const std::string& name : made) EXPECT_EQ(ReadFileBytes(tmp_ + "\\" + name), ExtractedAs(Path("music.ADX"), 2));
    EXPECT_EQ(ReadFileBytes(tmp_ + "\\mervane2.wav"), kept);
    EXPECT_EQ(DialogShowing(program_), HWND(NULL));
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ListFolder(tmp_), (std::vector<std::string>{"mervane1.wav", "mervane2.wav", "other.txt"}));
}

// TMP in double quotes names its folder; a TMP that names no folder falls
// back to the root of the current drive (the program starts in the scratch
// folder, on drive C).
TEST_F(PreviewTest, TmpInQuotesOrNamingNoFolder) {
    WriteFileBytes(Path("boom.wad"), Packed(9000));
    char testDirectory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof testDirectory, testDirectory);
    const std::pair<std::string, std::string> cases[] = {{"\"" + tmp_ + "\"", tmp_ + "\\"},
                                                         {Path("nowhere"), folder_.substr(0, 3)}};
    for (const auto& c : cases) {
        const std::vector<std::string> before = ListFolder(c.second);
        SetCurrentDirectoryA(folder_.c_str());
        Start(c.first);
        SetCurrentDirectoryA(testDirectory);
        SetText(Extract(IDC_SOURCE_FILE), Path("boom.wad"));
        ClickAndWait(Extract(IDC_PLAY));
        std::vector<std::string> made;
        for (const std::string& name : ListFolder(c.second))
            if (std::find(before.begin(), before.end(), name) == before.end()) made.push_back(c.second + name);
        ASSERT_EQ(made.size(), 1u) << c.first;
        EXPECT_EQ(ReadFileBytes(made[0]), ExtractedAs(Path("boom.wad"), 1));
        EXPECT_EQ(Close(), 0u);
        EXPECT_FALSE(FileExists(made[0]));
    }
}
