// "Play" on the Extract page.
#include <algorithm>
#include <filesystem>

#include "tests/window/window_test.h"

// Each press writes a new WAV file, "mervane" and the next free number (no
// file is overwritten), equal to a single-file extraction, into the folder
// TMP names, as it is or in double quotes, else into the root of the current
// drive (here C); the files it made go when the program ends.
TEST_F(WindowTest, PlayWritesAFileForEachPressRemovedWhenTheProgramEnds) {
    WriteFileBytes(Path("music.ADX"), Packed(9000));
    const Bytes kept(100, 'k');
    for (const char* name : {"mervane1.wav", "mervane2.wav"}) WriteFileBytes(tmp_ + "\\" + name, kept);
    const std::filesystem::path testDirectory = std::filesystem::current_path();
    const std::pair<std::string, std::string> cases[] = {
        {tmp_, tmp_ + "\\"}, {"\"" + tmp_ + "\"", tmp_ + "\\"}, {Path("nowhere"), folder_.substr(0, 3)}};
    for (const auto& c : cases) {
        const std::vector<std::string> before = ListFolder(c.second);
        std::filesystem::current_path(folder_);
        Start(c.first);
        std::filesystem::current_path(testDirectory);
        SetText(Extract(IDC_SOURCE_FILE), Path("music.ADX"));
        ClickAndWait(Extract(IDC_PLAY));
        ClickAndWait(Extract(IDC_PLAY));
        std::vector<std::string> made;
        for (const std::string& name : ListFolder(c.second))
            if (std::find(before.begin(), before.end(), name) == before.end()) made.push_back(name);
        ASSERT_EQ(made.size(), 2u) << c.first;
        for (const std::string& name : made)
            EXPECT_EQ(ReadFileBytes(c.second + name), ExtractedAs(Path("music.ADX"), 2)) << c.second + name;
        PostClick(GetDlgItem(program_.sheet, IDCANCEL));
        EXPECT_EQ(WaitForExit(program_), 0u);
        EXPECT_EQ(ListFolder(c.second), before);
    }
    EXPECT_EQ(ReadFileBytes(tmp_ + "\\mervane2.wav"), kept);
}
