// The real window under a folder of bad files: every file fails, the
// window keeps answering through the whole pass, the summary is the
// warning, nothing in the destination folder is changed or left behind,
// and the next extraction works.
#include <windows.h>
#include <winioctl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/window/window_folder.h"
#include "tests/window/packed_files.h"
#include "tests/window/recording.h"
#include "tests/window/window_fixture.h"

namespace {

// A file of size bytes that takes no room on the disk.
void WriteSparse(const std::string& path, LONGLONG size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &returned, NULL);
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file, end, NULL, FILE_BEGIN) && SetEndOfFile(file)) << path;
    CloseHandle(file);
}

class BadFolderWindowTest : public FolderWindowTest {
protected:
    void StartExtraction(const std::string& source, const std::string& destination) {
        std::string reason;
        ASSERT_TRUE(StartFolderExtraction(program_, extractPage_, source, destination, &reason)) << reason;
    }

    // The summary's text and the icons recorded for it, closing it.
    std::pair<std::string, std::vector<std::string>> TakeSummary() {
        HWND box = NULL;
        EXPECT_TRUE(WaitUntil([&] { return (box = SummaryShowing(program_)) != NULL; })) << "no final message";
        if (!box) return {};
        std::pair<std::string, std::vector<std::string>> shown(SummaryText(box), SummaryIcons(recording_, box));
        EXPECT_TRUE(CloseSummary(box));
        EXPECT_TRUE(ExtractPageIdle());
        return shown;
    }

};

TEST_F(BadFolderWindowTest, EveryFileFailsTheWindowAnswersAndNothingIsLost) {
    // .wad: files too short to hold a frame, and one whose sound would
    // pass the RIFF limit; .adx: short ones and one whose WAV name is taken
    // by a folder; .adp: short ones and one whose WAV is read-only.
    const int shortWads = 300;
    for (int i = 0; i < shortWads; ++i)
        WriteFileBytes(source_ + "\\short" + std::to_string(i) + ".wad", Bytes(static_cast<size_t>(i % 4), 0x3C));
    WriteSparse(source_ + "\\huge.wad", 1200000000);
    for (int i = 0; i < 3; ++i) WriteFileBytes(source_ + "\\m" + std::to_string(i) + ".adx", Bytes(static_cast<size_t>(i), 7));
    WriteFileBytes(source_ + "\\taken.adx", PackedTone(4000, 2, 0, work_));
    ASSERT_TRUE(std::filesystem::create_directory(destination_ + "\\taken.wav"));
    WriteFileBytes(source_ + "\\e.adp", Bytes());
    WriteFileBytes(source_ + "\\locked.adp", PackedTone(3000, 1, 1, work_));

    // What the destination holds already: WAVs named as the sources would
    // make them, which no failure may touch.
    const Bytes kept(700, 0x6E);
    for (const char* name : {"short0.wav", "short5.wav", "huge.wav", "m2.wav", "e.wav", "locked.wav"})
        WriteFileBytes(destination_ + "\\" + name, kept);
    SetFileAttributesA((destination_ + "\\locked.wav").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::vector<std::string> before = ListFolder(destination_);

    StartExtraction(source_, destination_);
    // The window answers while the pass runs: at least one answer comes
    // with a file number showing, well before the pass ends.
    int answersDuringThePass = 0;
    for (int probe = 0; probe < 2000 && !SummaryShowing(program_); ++probe) {
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(program_.sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
            << "the window stopped answering";
        const std::string status = TextOf(ExtractControl(IDC_STATUS));
        if (status.compare(0, 5, "Файл ") == 0) ++answersDuringThePass;
    }
    EXPECT_GE(answersDuringThePass, 1);

    const auto summary = TakeSummary();
    EXPECT_EQ(summary.first, SOME_FAILED);
    EXPECT_EQ(summary.second, std::vector<std::string>{"warning"});

    // Every file was tried, with the right count in the status line.
    const std::vector<std::string> numbers = FileNumbers(recording_, ExtractControl(IDC_STATUS));
    ASSERT_EQ(numbers.size(), static_cast<size_t>(shortWads + 1 + 4 + 2));
    EXPECT_EQ(numbers[0], FileNumber(1, shortWads + 1));
    EXPECT_EQ(numbers[shortWads], FileNumber(shortWads + 1, shortWads + 1));
    EXPECT_EQ(numbers[shortWads + 1 + 3], FileNumber(4, 4));
    EXPECT_EQ(numbers.back(), FileNumber(2, 2));

    // Nothing written, nothing changed, nothing left behind.
    EXPECT_EQ(ListFolder(destination_), before);
    for (const char* name : {"short0.wav", "short5.wav", "huge.wav", "m2.wav", "e.wav", "locked.wav"})
        EXPECT_EQ(HashBytes(ReadFileBytes(destination_ + "\\" + name)), HashBytes(kept)) << name;
    EXPECT_TRUE(ListFolder(destination_ + "\\taken.wav").empty());
    SetFileAttributesA((destination_ + "\\locked.wav").c_str(), FILE_ATTRIBUTE_NORMAL);

    // The window still works: a folder of good files extracts in full.
    const std::string good = Path("good");
    const std::string goodOut = Path("good-out");
    ASSERT_TRUE(std::filesystem::create_directory(good));
    ASSERT_TRUE(std::filesystem::create_directory(goodOut));
    WriteFileBytes(good + "\\boom.wad", PackedTone(5000, 1, 2, work_));
    WriteFileBytes(good + "\\music.adx", PackedTone(6000, 2, 3, work_));
    WriteFileBytes(good + "\\click.adp", PackedTone(2000, 1, 4, work_));
    StartExtraction(good, goodOut);
    const auto second = TakeSummary();
    EXPECT_EQ(second.first, ALL_EXTRACTED);
    EXPECT_EQ(ListFolder(goodOut), (std::vector<std::string>{"boom.wav", "click.wav", "music.wav"}));
}

}  // namespace
