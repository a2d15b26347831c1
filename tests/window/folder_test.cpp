// Folder extraction from the Extract page, the destination chosen in the
// real folder browser: the status texts and the bar's positions in the
// order the window showed them, the final message, Stop, closing in the
// middle, actions nested in a pass, and a folder of bad files.
#include "tests/window/window_test.h"

class FolderTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        source_ = Folder("source");
        out_ = Folder("out");
    }
    std::string Folder(const std::string& name) {
        EXPECT_TRUE(CreateDirectoryA(Path(name).c_str(), NULL)) << name;
        return Path(name);
    }
    void Add(const std::string& name, const Bytes& bytes) { WriteFileBytes(source_ + "\\" + name, bytes); }
    // The moment to act in the middle of a pass: the bar has moved once.
    bool BarMoved() const {
        return WaitUntil([&] { return !Recorded("position", Extract(IDC_PROGRESS)).empty(); });
    }
    // The WAV the extraction made of name equals a single-file extraction.
    void ExpectExtracted(const std::string& name, int channels) {
        const std::string wav = out_ + "\\" + name.substr(0, name.find('.')) + ".wav";
        EXPECT_EQ(ReadFileBytes(wav), ExtractedAs(source_ + "\\" + name, channels)) << name;
    }
    std::string source_, out_;
};

// A folder whose every file fails: the window keeps answering through the
// pass and ends with the warning, writing nothing. A good folder then
// extracts in full, showing each file's number and the size-weighted bar
// in order, and ends with the information.
TEST_F(FolderTest, BadFolderThenAGoodOne) {
    for (int i = 0; i < 300; ++i) Add("short" + std::to_string(i) + ".wad", Bytes(static_cast<size_t>(i % 4), 0x3C));
    for (int i = 0; i < 3; ++i) Add("m" + std::to_string(i) + ".adx", Bytes(static_cast<size_t>(i), 7));
    Add("e.adp", Bytes());
    StartFolder(source_, out_);
    int answersDuringThePass = 0;
    for (int probe = 0; probe < 2000 && !WaitForDialog(program_, "Extract Folder", 0); ++probe) {
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(program_.sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
            << "the window stopped answering";
        answersDuringThePass += TextOf(Extract(IDC_STATUS)).find("Файл ") == 0;
    }
    EXPECT_GE(answersDuringThePass, 1);
    EXPECT_EQ(TakeSummary(), SOME_FAILED);
    EXPECT_EQ(FileNumbers().size(), 304u);
    EXPECT_TRUE(ListFolder(out_).empty());

    // .wad files of 10 and 30 KiB, in the order the folder delivers them.
    source_ = Folder("good");
    Add("boom.wad", Bytes());
    Add("step.wad", Bytes());
    WIN32_FIND_DATAA found;
    FindClose(FindFirstFileA((source_ + "\\*.wad").c_str(), &found));
    Add(found.cFileName, Packed(10 * 1024));
    Add(std::string(found.cFileName) == "boom.wad" ? "step.wad" : "boom.wad", Packed(30 * 1024 + 700, 2));
    Add("music.adx", Packed(20 * 1024, 3));
    Add("click.ADP", Packed(5 * 1024, 4));
    Add("notes.txt", Bytes(100, 'x'));
    StopRecording(&recording_);
    ASSERT_TRUE(StartRecording(program_, &recording_));
    StartFolder(source_, out_);
    EXPECT_EQ(TakeSummary(), ALL_EXTRACTED);
    EXPECT_EQ(Recorded("text", Extract(IDC_STATUS)), (std::vector<std::string>{"Extracting...", FileNumber(1, 2),
                                                      FileNumber(2, 2), FileNumber(1, 1), FileNumber(1, 1), "Ready"}));
    // 10 × 65535 ÷ 40, then 16383 + 30 × 65535 ÷ 40; a pass of one file fills the bar.
    EXPECT_EQ(Recorded("position", Extract(IDC_PROGRESS)), (std::vector<std::string>{"16383", "65534", "65535", "65535"}));
    EXPECT_EQ(ListFolder(out_), (std::vector<std::string>{"boom.wav", "click.wav", "music.wav", "step.wav"}));
    for (const char* name : {"boom.wad", "step.wad", "click.ADP"}) ExpectExtracted(name, 1);
    ExpectExtracted("music.adx", 2);
}

// Stop, "Закрыть" or the close box in the middle of the "*.wad" pass. Stop
// ends the pass before its next file and the other passes run; before it,
// a packing and a preview of a stereo file run nested in the pass, and the
// pass still reads its later files as mono. Closing ends the program with
// exit code 0 before the next file, without a final message.
TEST_F(FolderTest, StopOrCloseDuringAPass) {
    const int wads = 200;
    for (int i = 0; i < wads; ++i) Add("s" + std::to_string(i) + ".wad", Packed(40 * 1024, static_cast<uint32_t>(i)));
    Add("music.adx", Packed(8 * 1024));
    Add("click.adp", Packed(3 * 1024));
    WriteFileBytes(Path("voice.wav"), MakePcmWav(2, 8000, std::vector<int16_t>(16000, 1200)));
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        if (way) Start(tmp_);
        out_ = Folder("out" + std::to_string(way));
        SetText(Pack(IDC_PACK_SOURCE), Path("voice.wav"));
        SetText(Pack(IDC_PACK_DESTINATION), Path("voice.adx"));
        ShowPage(program_.sheet, 0);
        SetText(Extract(IDC_SOURCE_FILE), source_ + "\\music.adx");
        StartFolder(source_, out_);
        ASSERT_TRUE(BarMoved());
        if (way == 0) {
            PostClick(Pack(IDC_PACK));
            PostClick(Extract(IDC_SINGLE_FILE));
            PostClick(Extract(IDC_PLAY));
            ASSERT_TRUE(WaitUntil([&] { return ListFolder(tmp_).size() == 1; })) << "no preview";
            const size_t shownBefore = FileNumbers().size();
            WaitUntil([&] { return FileNumbers().size() >= shownBefore + 2; });
            PostClick(Extract(IDC_EXTRACT));
            EXPECT_EQ(TakeSummary(), ALL_EXTRACTED) << "a stopped pass reports what it converted";
            EXPECT_TRUE(FileExists(Path("voice.adx")));
            for (const std::string& wav : ListFolder(out_))
                if (wav[0] == 's') ExpectExtracted(wav.substr(0, wav.size() - 4) + ".wad", 1);
        } else {
            if (way == 1)
                PostClick(GetDlgItem(program_.sheet, IDCANCEL));
            else
                PostMessageA(program_.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_EQ(WaitForExit(program_), 0u);
            EXPECT_TRUE(Recorded("icon").empty()) << "a message box showed";
        }
        // The pass showed files 1 to k and wrote k - 1; after Stop the two
        // later passes showed and wrote one file each.
        const size_t later = way == 0 ? 2 : 0;
        const size_t shown = FileNumbers().size() - later;
        ASSERT_LT(shown, static_cast<size_t>(wads)) << "too late to stop the *.wad pass; use more files";
        ASSERT_GE(shown, 1u);
        EXPECT_EQ(FileNumbers()[shown - 1], FileNumber(static_cast<int>(shown), wads));
        EXPECT_EQ(ListFolder(out_).size(), shown - 1 + later);
    }
}

