// The window tests' fixture: a scratch folder holding "tmp", the TMP of a
// freshly started velkmar.exe (named by VELKMAR_EXE) whose window is
// recorded; the program ends after each test.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_TEST_H
#define VELKMAR_TESTS_WINDOW_WINDOW_TEST_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "resources/resource.h"
#include "tests/support/test_files.h"
#include "tests/window/window_driver.h"

// The final message of a folder extraction and its icon, as TakeSummary gives them.
const char ALL_EXTRACTED[] = "Найденные файлы распакованы. information";
const char SOME_FAILED[] = "Произошла ошибка при распаковке некоторых файлов. warning";

inline std::string FileNumber(int index, int count) {
    return "Файл " + std::to_string(index) + " из " + std::to_string(count);
}

// A packed sound file: any bytes decode (each block's header is clamped),
// and noise leaves no silence for the cut.
inline Bytes Packed(size_t size, uint32_t seed = 1) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    return bytes;
}

class WindowTest : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        ASSERT_EQ(GetACP(), 1251u) << "Wine needs LANG and LC_ALL=ru_RU.UTF-8 (scripts/wine-env.sh)";
        tmp_ = Path("tmp");
        ASSERT_TRUE(CreateDirectoryA(tmp_.c_str(), NULL));
        Start(tmp_);
    }
    void TearDown() override {
        StopProgram(&program_);
        StopRecording(&recording_);
        ScratchFolderTest::TearDown();
    }
    // Starts the program again, with TMP set to tmp for it alone.
    void Start(const std::string& tmp) {
        StopProgram(&program_);
        StopRecording(&recording_);
        packPage_ = NULL;
        char saved[MAX_PATH] = "";
        GetEnvironmentVariableA("TMP", saved, sizeof saved);
        SetEnvironmentVariableA("TMP", tmp.c_str());
        const char* exe = std::getenv("VELKMAR_EXE");
        const bool started = exe && StartProgram(exe, &program_);
        SetEnvironmentVariableA("TMP", saved);
        ASSERT_TRUE(started) << (exe ? exe : "VELKMAR_EXE is not set");
        extractPage_ = CurrentPage(program_.sheet);
        ASSERT_TRUE(StartRecording(program_, &recording_)) << "the recorder's hook library";
    }

    HWND Extract(int id) const { return GetDlgItem(extractPage_, id); }
    HWND Pack(int id) {  // shows the Pack page the first time
        if (!packPage_) packPage_ = ShowPage(program_.sheet, 1);
        return GetDlgItem(packPage_, id);
    }
    bool ExtractIdle() const {
        return WaitUntil([&] { return TextOf(Extract(IDC_EXTRACT)) + TextOf(Extract(IDC_STATUS)) == "ExtractReady"; });
    }

    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(program_.info.dwThreadId, &info) ? info.hwndFocus : NULL;
    }
    static void PressKey(HWND window, WPARAM key) {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
        PostMessageA(window, WM_KEYDOWN, key, scan | 1);
        PostMessageA(window, WM_KEYUP, key, scan | 1 | (LPARAM(3) << 30));
    }
    // The ids focused after each of count presses of Tab.
    std::vector<int> TabThrough(int count) {
        std::vector<int> visited;
        for (int i = 0; i < count; ++i) {
            HWND before = Focus();
            PressKey(before, VK_TAB);
            WaitUntil([&] { return Focus() != before; });
            visited.push_back(GetDlgCtrlID(Focus()));
        }
        return visited;
    }

    // The values of kind recorded for window (any when null) that start with
    // start, in order; the "Файл %d из %d" texts, which only the status line shows.
    std::vector<std::string> Recorded(const char* kind, HWND window = NULL, const std::string& start = "") const {
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, window ? "%s %llx " : "%s ", kind,
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
        std::vector<std::string> values;
        for (const std::string& line : RecordedLines(recording_)) {
            const std::string value = line.substr(line.find(' ', std::strlen(kind) + 1) + 1);
            if (line.compare(0, std::strlen(prefix), prefix) == 0 && value.find(start) == 0) values.push_back(value);
        }
        return values;
    }
    std::vector<std::string> FileNumbers() const { return Recorded("text", NULL, "Файл "); }

    // Folder mode, the source typed in, "Extract" and the destination chosen.
    void StartFolder(const std::string& source, const std::string& destination) {
        ASSERT_TRUE(ClickAndWait(Extract(IDC_WHOLE_FOLDER)));
        SetText(Extract(IDC_SOURCE_FOLDER), source);
        PostClick(Extract(IDC_EXTRACT));
        HWND browser = WaitForDialog(program_);
        ASSERT_TRUE(browser && ChooseFolder(program_, browser, destination)) << destination;
    }
    // Waits for the final message of a folder extraction, closes it and
    // returns its text and icon (the last one recorded).
    std::string TakeSummary() {
        HWND box = WaitForDialog(program_, "Extract Folder");
        const std::vector<std::string> icons = Recorded("icon");
        if (!box || icons.empty()) return "no final message";
        const std::string shown = TextOf(GetDlgItem(box, 0xFFFF)) + " " + icons.back();
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }) && ExtractIdle());
        return shown;
    }
    // The WAV a single-file extraction of source writes in the mono (1) or
    // stereo (2) preset.
    Bytes ExtractedAs(const std::string& source, int channels) {
        ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFileStatus(source.c_str(), Path("reference.wav").c_str()), CONV_OK) << source;
        const Bytes wav = ReadFileBytes(Path("reference.wav"));
        DeleteFileA(Path("reference.wav").c_str());
        return wav;
    }

    Program program_;
    Recording recording_;
    HWND extractPage_ = NULL;
    HWND packPage_ = NULL;
    std::string tmp_;
};

#endif
