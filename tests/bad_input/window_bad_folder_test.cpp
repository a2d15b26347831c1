// The real window under a folder of bad files: every file fails, the
// window keeps answering through the whole pass, the summary is the
// warning, nothing in the destination folder is changed or left behind,
// and the next extraction works.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <winioctl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/window/packed_files.h"
#include "tests/window/recording.h"
#include "tests/window/window_fixture.h"

namespace {

const char FOLDER_CAPTION[] = "Extract Folder";
const char ALL_EXTRACTED[] = "Найденные файлы распакованы.";
const char SOME_FAILED[] = "Произошла ошибка при распаковке некоторых файлов.";

BOOL CALLBACK FindTree(HWND window, LPARAM found) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != WC_TREEVIEWA) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The label of the folder selected in a folder browser's tree, read
// through memory in the program's process.
std::string SelectedFolderName(const Program& program, HWND browser) {
    HWND tree = NULL;
    EnumChildWindows(browser, FindTree, reinterpret_cast<LPARAM>(&tree));
    DWORD_PTR item = 0;
    if (!tree || !SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, PATIENCE_MS, &item) || !item)
        return std::string();
    const size_t textSize = 260;
    HANDLE process = program.info.hProcess;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, NULL, sizeof(TVITEMA) + textSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return std::string();
    TVITEMA request = {};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = remote + sizeof(TVITEMA);
    request.cchTextMax = static_cast<int>(textSize);
    char text[textSize] = "";
    SIZE_T moved = 0;
    DWORD_PTR result = 0;
    WriteProcessMemory(process, remote, &request, sizeof request, &moved);
    SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, PATIENCE_MS, &result);
    ReadProcessMemory(process, remote + sizeof(TVITEMA), text, textSize - 1, &moved);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

// Whether the folder extraction's final message shows now.
bool SummaryShowing(const Program& program) {
    for (HWND window : VisibleWindows(program.info.dwProcessId)) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (window != program.sheet && std::string(name) == "#32770" && TextOf(window) == FOLDER_CAPTION) return true;
    }
    return false;
}

std::string FileNumber(int index, int count) {
    return "Файл " + std::to_string(index) + " из " + std::to_string(count);
}

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

class BadFolderWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(StartRecording(program_, &recording_)) << "the recorder's hook library";
        source_ = Path("bad");
        destination_ = Path("out");
        work_ = Path("work");
        for (const std::string& folder : {source_, destination_, work_})
            ASSERT_TRUE(std::filesystem::create_directory(folder)) << folder;
    }

    void TearDown() override {
        StopRecording(&recording_);
        WindowTest::TearDown();
    }

    // Folder mode, the source typed into its field, Extract, and the
    // destination chosen in the folder browser.
    void StartFolderExtraction(const std::string& source, const std::string& destination) {
        ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_WHOLE_FOLDER)));
        SetText(ExtractControl(IDC_SOURCE_FOLDER), source);
        PostClick(ExtractControl(IDC_EXTRACT));
        HWND browser = WaitForDialog(program_);
        ASSERT_NE(browser, HWND(NULL)) << "no folder browser";
        HANDLE process = program_.info.hProcess;
        void* path = VirtualAllocEx(process, NULL, destination.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(path, nullptr);
        SIZE_T moved = 0;
        WriteProcessMemory(process, path, destination.c_str(), destination.size() + 1, &moved);
        // The browser ignores a selection made before its tree is filled.
        const std::string name = destination.substr(destination.rfind('\\') + 1);
        EXPECT_TRUE(WaitUntil([&] {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path), SMTO_NORMAL,
                                PATIENCE_MS, &result);
            return SelectedFolderName(program_, browser) == name;
        })) << destination;
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
        VirtualFreeEx(process, path, 0, MEM_RELEASE);
    }

    // The summary's text and the icons recorded for it, closing it.
    std::pair<std::string, std::vector<std::string>> TakeSummary() {
        HWND box = WaitForDialog(program_, FOLDER_CAPTION);
        EXPECT_NE(box, HWND(NULL)) << "no final message";
        if (!box) return {};
        std::vector<std::string> icons;
        for (const WindowEvent& event : RecordedEvents(recording_))
            if (event.kind == "icon" && GetParent(event.window) == box) icons.push_back(event.value);
        const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        EXPECT_TRUE(ExtractPageIdle());
        return {text, icons};
    }

    std::vector<std::string> FileNumbers() const {
        std::vector<std::string> numbers;
        for (const std::string& text : RecordedValues(recording_, ExtractControl(IDC_STATUS), "text"))
            if (text.compare(0, 5, "Файл ") == 0) numbers.push_back(text);
        return numbers;
    }

    Recording recording_;
    std::string source_;
    std::string destination_;
    std::string work_;
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

    StartFolderExtraction(source_, destination_);
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
    const std::vector<std::string> numbers = FileNumbers();
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
    StartFolderExtraction(good, goodOut);
    const auto second = TakeSummary();
    EXPECT_EQ(second.first, ALL_EXTRACTED);
    EXPECT_EQ(ListFolder(goodOut), (std::vector<std::string>{"boom.wav", "click.wav", "music.wav"}));
}

}  // namespace
