// Folder extraction from the Extract page, the destination chosen in the
// real folder browser. What a pass writes and how far its bar moves are the
// core's (tests/files/rules_test.cpp); here, that the window runs the passes
// in the right channels, shows their progress, and stops or closes them.
#include <algorithm>

#include "tests/window/window_test.h"

// The final message of a folder extraction and its icon, as TakeSummary gives it.
const char ALL_EXTRACTED[] = "Найденные файлы распакованы. information";

// A folder whose every file fails ends with the warning and writes
// nothing. A good folder, with a file for each of the three passes, then
// extracts in full, showing each file's number and the bar's positions in
// order, the ".adx" pass in stereo, and ends with the information (a pass
// that finds nothing would give the warning).
TEST_F(WindowTest, BadFolderThenAGoodOne) {
    source_ = Folder("source");
    out_ = Folder("out");
    for (int i = 0; i < 3; ++i) Add("short" + std::to_string(i) + ".wad", Bytes(static_cast<size_t>(i), 0x3C));
    StartFolder(source_, out_);
    EXPECT_EQ(TakeSummary(), "Произошла ошибка при распаковке некоторых файлов. warning");
    EXPECT_EQ(FileNumbers().size(), 3u);
    EXPECT_TRUE(ListFolder(out_).empty());

    source_ = Folder("good");
    for (const char* name : {"boom.wad", "step.wad", "music.adx", "click.ADP"}) Add(name, Packed(20 * 1024, name[0]));
    StopRecording(&recording_);
    ASSERT_TRUE(StartRecording(program_, &recording_));
    StartFolder(source_, out_);
    EXPECT_EQ(TakeSummary(), ALL_EXTRACTED);
    EXPECT_EQ(Recorded("text", IDC_STATUS),
              (std::vector<std::string>{"Extracting...", "Файл 1 из 2", "Файл 2 из 2", "Файл 1 из 1", "Файл 1 из 1", "Ready"}));
    // 20 of 40 KiB × 65535, then the rest but for rounding; one file fills the bar.
    EXPECT_EQ(Recorded("position", IDC_PROGRESS), (std::vector<std::string>{"32767", "65534", "65535", "65535"}));
    EXPECT_EQ(ListFolder(out_), (std::vector<std::string>{"boom.wav", "click.wav", "music.wav", "step.wav"}));
    EXPECT_EQ(ReadFileBytes(out_ + "\\music.wav"), ExtractedAs(source_ + "\\music.adx", 2));
}

// Stop in the middle of the first pass ("*.wad") ends it before its next
// file and the other passes run; before it, a packing and a preview run
// nested in the pass, the window's pump taking their clicks between files.
// "Закрыть" in the middle of the last pass ("*.adp") ends the program with
// exit code 0 before the next file, without a final message.
TEST_F(WindowTest, StopOrCloseDuringAPass) {
    WriteFileBytes(Path("voice.wav"), MakePcmWav(2, 8000, std::vector<int16_t>(16000, 1200)));
    for (const std::string kind : {".wad", ".adp"}) {
        SCOPED_TRACE(kind);
        if (kind == ".adp") Start(tmp_);
        source_ = Folder("source" + kind);
        out_ = Folder("out" + kind);
        for (int i = 0; i < 200; ++i) Add("s" + std::to_string(i) + kind, Packed(40 * 1024, static_cast<uint32_t>(i)));
        Add("music.adx", Packed(8 * 1024));
        if (kind == ".wad") Add("click.adp", Packed(3 * 1024));
        StartFolder(source_, out_);
        ASSERT_TRUE(WaitUntil([&] { return FileNumbers().size() >= 3; }));  // in the middle of the pass
        if (kind == ".wad") {
            SetText(Pack(IDC_PACK_SOURCE), Path("voice.wav"));
            SetText(Pack(IDC_PACK_DESTINATION), Path("voice.adx"));
            SetText(Extract(IDC_SOURCE_FILE), source_ + "\\music.adx");
            PostClick(Pack(IDC_PACK));
            PostClick(Extract(IDC_SINGLE_FILE));
            PostClick(Extract(IDC_PLAY));
            ASSERT_TRUE(WaitUntil([&] { return ListFolder(tmp_).size() == 1; })) << "no preview";
            const size_t shownBefore = FileNumbers().size();
            WaitUntil([&] { return FileNumbers().size() >= shownBefore + 2; });
            PostClick(Extract(IDC_EXTRACT));
            EXPECT_EQ(TakeSummary(), ALL_EXTRACTED) << "a stopped pass reports what it converted";
            EXPECT_TRUE(FileExists(Path("voice.adx")));
        } else {
            PostClick(GetDlgItem(program_.sheet, IDCANCEL));
            EXPECT_EQ(WaitForExit(program_), 0u);
            EXPECT_TRUE(Recorded("icon").empty()) << "a message box showed";
        }
        // The pass showed files 1 to k of 200 and wrote k - 1; each other
        // pass showed and wrote its one file.
        const std::vector<std::string> numbers = FileNumbers();
        const size_t shown = std::count_if(numbers.begin(), numbers.end(),
                                           [](const std::string& number) { return number.find(" из 200") != number.npos; });
        ASSERT_LT(shown, 200u) << "the pass did not end before its last file";
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), "Файл " + std::to_string(shown) + " из 200"), 1);
        EXPECT_EQ(ListFolder(out_).size(), numbers.size() - 1);
    }
}
