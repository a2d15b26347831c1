// "Play" on the Extract page.
#include <algorithm>

#include "tests/window/window_test.h"

// Each press writes a new WAV file ("mervane" and the next free number),
// equal to a single-file extraction and never over a file, into the folder
// TMP names, as it is or in double quotes, else into the root of the
// current drive (the program starts in the scratch folder, on drive C); the
// files it made go when the program ends.
TEST_F(WindowTest, PlayWritesAFileForEachPressRemovedWhenTheProgramEnds) {
    WriteFileBytes(Path("music.ADX"), Packed(9000));
    const Bytes kept(100, 'k');
    for (const char* name : {"mervane1.wav", "mervane2.wav"}) WriteFileBytes(tmp_ + "\\" + name, kept);
    char testDirectory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof testDirectory, testDirectory);
    const std::pair<std::string, std::string> cases[] = {
        {tmp_, tmp_ + "\\"}, {"\"" + tmp_ + "\"", tmp_ + "\\"}, {Path("nowhere"), folder_.substr(0, 3)}};
    for (const auto& c : cases) {
        const std::vector<std::string> before = ListFolder(c.second);
        SetCurrentDirectoryA(folder_.c_str());
        Start(c.first);
        SetCurrentDirectoryA(testDirectory);
        SetText(Extract(IDC_SOURCE_FILE), Path("music.ADX"));
        ClickAndWait(Extract(IDC_PLAY));
        ClickAndWait(Extract(IDC_PLAY));
        std::vector<std::string> made;
        for (const std::string& name : ListFolder(c.second))
            if (std::find(before.begin(), before.end(), name) == before.end()) made.push_back(name);
        ASSERT_EQ(made.size(), 2u) << c.first;
        for (const std::string& name : made)
            EXPECT_EQ(ReadFileBytes(c.second + name), ExtractedAs(Path("music.ADX"), 2)) << c.second + name;
        EXPECT_EQ(WaitForDialog(program_, nullptr, 0), HWND(NULL));
        PostClick(GetDlgItem(program_.sheet, IDCANCEL));
        EXPECT_EQ(WaitForExit(program_), 0u);
        EXPECT_EQ(ListFolder(c.second), before);
    }
    EXPECT_EQ(ReadFileBytes(tmp_ + "\\mervane2.wav"), kept);
}
