// "Play" on the Extract page: the temporary WAV files it makes (names,
// contents, channels), what it does with a missing source, the temporary
// directory it chooses, and the files' removal when the program ends.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/window/packed_files.h"
#include "tests/window/window_fixture.h"

namespace {

bool IsPreviewName(const std::string& name) {
    const std::string prefix = "mervane";
    const std::string extension = ".wav";
    if (name.size() <= prefix.size() + extension.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0) return false;
    for (size_t i = prefix.size(); i < name.size() - extension.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

// The preview files in folder.
std::vector<std::string> PreviewFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : ListFolder(folder))
        if (IsPreviewName(name)) names.push_back(name);
    return names;
}

}  // namespace

// Each test runs Velkmar with TMP naming a folder of its own.
class PreviewTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (HasFatalFailure()) return;
        tmp_ = Path("tmp");
        work_ = Path("work");
        ASSERT_TRUE(std::filesystem::create_directory(tmp_));
        ASSERT_TRUE(std::filesystem::create_directory(work_));
        RestartWithTmp(tmp_);
    }

    // Starts Velkmar again with TMP set to tmp for it alone.
    void RestartWithTmp(const std::string& tmp) {
        StopProgram(&program_);
        char saved[MAX_PATH] = "";
        const bool wasSet = GetEnvironmentVariableA("TMP", saved, sizeof saved) > 0;
        SetEnvironmentVariableA("TMP", tmp.c_str());
        const bool started = StartProgram(ProgramPath(), &program_);
        SetEnvironmentVariableA("TMP", wasSet ? saved : NULL);
        ASSERT_TRUE(started);
        extractPage_ = CurrentPage(program_.sheet);
        ASSERT_NE(extractPage_, HWND(NULL));
    }

    void Play() { ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_PLAY))) << "Play opened a window"; }

    // "Закрыть", and the program's exit code.
    DWORD Close() {
        PostClick(SheetButton(IDCANCEL));
        return WaitForExit(program_);
    }

    std::vector<std::string> PreviewFiles() const { return PreviewFilesIn(tmp_); }

    // The preview file name in tmp equals a single-file extraction of
    // source with channels.
    void ExpectPreviewOf(const std::string& name, const std::string& source, int channels) {
        const Bytes preview = ReadFileBytes(tmp_ + "\\" + name);
        EXPECT_EQ(ImageChannels(preview), channels) << name;
        EXPECT_EQ(ImageRate(preview), 44100u) << name;
        const Bytes expected = SingleFileExtraction(source, channels, work_);
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(preview == expected) << name << " differs from a single-file extraction of " << source;
    }

    std::string tmp_;
    std::string work_;
};

TEST_F(PreviewTest, EachPressMakesANewFileEqualToASingleFileExtraction) {
    const std::string source = Path("boom.wad");
    WritePackedSound(source, 1);
    SetText(ExtractControl(IDC_SOURCE_FILE), source);
    Play();
    Play();
    const std::vector<std::string> files = PreviewFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_NE(files[0], files[1]);
    for (const std::string& name : files) ExpectPreviewOf(name, source, 1);
    EXPECT_EQ(VisibleWindows(program_.info.dwProcessId), std::vector<HWND>{program_.sheet});
    EXPECT_EQ(TextOf(ExtractControl(IDC_STATUS)), "Ready");
}

TEST_F(PreviewTest, MissingSourcePlaysNothingAndShowsNothing) {
    SetText(ExtractControl(IDC_SOURCE_FILE), Path("missing.wad"));
    Play();
    EXPECT_TRUE(PreviewFiles().empty());
    EXPECT_EQ(VisibleWindows(program_.info.dwProcessId), std::vector<HWND>{program_.sheet});
}

// mervane1.wav and mervane2.wav exist: an empty field still uses up the
// next free number (3), and the preview after it is mervane4.wav.
TEST_F(PreviewTest, NeverOverwritesAFileAndNumbersAlsoAnEmptyField) {
    const Bytes kept(100, 'k');
    WriteFileBytes(tmp_ + "\\mervane1.wav", kept);
    WriteFileBytes(tmp_ + "\\mervane2.wav", kept);
    Play();
    EXPECT_EQ(PreviewFiles(), (std::vector<std::string>{"mervane1.wav", "mervane2.wav"}));
    const std::string source = Path("boom.adp");
    WritePackedSound(source, 1);
    SetText(ExtractControl(IDC_SOURCE_FILE), source);
    Play();
    EXPECT_EQ(PreviewFiles(), (std::vector<std::string>{"mervane1.wav", "mervane2.wav", "mervane4.wav"}));
    EXPECT_EQ(ReadFileBytes(tmp_ + "\\mervane1.wav"), kept);
    EXPECT_EQ(ReadFileBytes(tmp_ + "\\mervane2.wav"), kept);
    ExpectPreviewOf("mervane4.wav", source, 1);
}

TEST_F(PreviewTest, AdxPlaysInStereoUnlessTheModeIsForced) {
    const std::string music = Path("music.ADX");
    const std::string boom = Path("boom.wad");
    WritePackedSound(music, 2);
    WritePackedSound(boom, 1);
    SetText(ExtractControl(IDC_SOURCE_FILE), music);
    Play();
    ASSERT_EQ(PreviewFiles().size(), 1u);
    ExpectPreviewOf(PreviewFiles()[0], music, 2);

    // "Режим" with "Эффекты": mono.
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_FORCE_MODE)));
    std::vector<std::string> before = PreviewFiles();
    Play();
    std::vector<std::string> after = PreviewFiles();
    ASSERT_EQ(after.size(), 2u);
    const std::string forcedMono = after[0] == before[0] ? after[1] : after[0];
    ExpectPreviewOf(forcedMono, music, 1);

    // "Режим" with "Музыка": a .wad file in stereo.
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_MUSIC)));
    SetText(ExtractControl(IDC_SOURCE_FILE), boom);
    Play();
    after = PreviewFiles();
    ASSERT_EQ(after.size(), 3u);
    for (const std::string& name : after)
        if (name != before[0] && name != forcedMono) ExpectPreviewOf(name, boom, 2);
}

TEST_F(PreviewTest, FilesAreGoneOnceTheProgramHasEnded) {
    const std::string source = Path("boom.wad");
    WritePackedSound(source, 1);
    WriteFileBytes(tmp_ + "\\mervane1.wav", Bytes(10, 'k'));
    WriteFileBytes(tmp_ + "\\other.txt", Bytes(10, 'o'));
    SetText(ExtractControl(IDC_SOURCE_FILE), source);
    Play();
    Play();
    ASSERT_EQ(PreviewFiles().size(), 3u);
    EXPECT_EQ(Close(), 0u);
    // Only what this run made is removed.
    EXPECT_EQ(ListFolder(tmp_), (std::vector<std::string>{"mervane1.wav", "other.txt"}));
}

// TMP in double quotes names its folder; a TMP that names no folder falls
// back to the root of the current drive.
TEST_F(PreviewTest, TmpInQuotesOrNamingNoFolder) {
    const std::string source = Path("boom.wad");
    WritePackedSound(source, 1);
    RestartWithTmp("\"" + tmp_ + "\"");
    SetText(ExtractControl(IDC_SOURCE_FILE), source);
    Play();
    ASSERT_EQ(PreviewFiles().size(), 1u);
    ExpectPreviewOf(PreviewFiles()[0], source, 1);
    EXPECT_EQ(Close(), 0u);
    EXPECT_TRUE(PreviewFiles().empty());

    // The program starts in the scratch folder, on drive C.
    char testDirectory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof testDirectory, testDirectory);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    const std::string root = folder_.substr(0, 3);
    const std::vector<std::string> rootBefore = PreviewFilesIn(root);
    RestartWithTmp(Path("nowhere"));
    SetCurrentDirectoryA(testDirectory);
    SetText(ExtractControl(IDC_SOURCE_FILE), source);
    Play();
    std::vector<std::string> made;
    for (const std::string& name : PreviewFilesIn(root))
        if (std::find(rootBefore.begin(), rootBefore.end(), name) == rootBefore.end()) made.push_back(name);
    EXPECT_EQ(made.size(), 1u) << "no preview file in " << root;
    EXPECT_EQ(Close(), 0u);
    for (const std::string& name : made) {
        EXPECT_FALSE(FileExists(root + name)) << root + name;
        DeleteFileA((root + name).c_str());
    }
}
