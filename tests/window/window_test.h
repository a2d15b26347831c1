// The window tests' fixture: a scratch folder holding "tmp", the TMP of a
// freshly started velkmar.exe (named by VELKMAR_EXE) whose window is
// recorded; the program ends after each test.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_TEST_H
#define VELKMAR_TESTS_WINDOW_WINDOW_TEST_H

#include <cstdlib>
#include <string>
#include <vector>

#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"
#include "resources/resource.h"
#include "tests/support/test_files.h"
#include "tests/window/window_driver.h"

// A packed sound file: any bytes decode, and noise leaves no silence to cut.
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
        tmp_ = Folder("tmp");
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
    // A key press, as the dialog manager reads it.
    static void PressKey(HWND window, WPARAM key) { PostMessageA(window, WM_KEYDOWN, key, 1); }
    // The values of kind recorded for the control id (any when 0) that begin
    // with start, in order; the status line's "Файл %d из %d".
    std::vector<std::string> Recorded(const std::string& kind, int id = 0, const std::string& start = "") const {
        const std::string prefix = kind + " " + (id ? std::to_string(id) + " " : "");
        std::vector<std::string> values;
        for (const std::string& line : RecordedLines(recording_)) {
            const std::string value = line.substr(line.find(' ', kind.size() + 1) + 1);
            if (line.compare(0, prefix.size(), prefix) == 0 && value.compare(0, start.size(), start) == 0)
                values.push_back(value);
        }
        return values;
    }
    std::vector<std::string> FileNumbers() const { return Recorded("text", IDC_STATUS, "Файл "); }

    // A new folder in the scratch folder; a file in source_.
    std::string Folder(const std::string& name) {
        EXPECT_TRUE(CreateDirectoryA(Path(name).c_str(), NULL)) << name;
        return Path(name);
    }
    void Add(const std::string& name, const Bytes& bytes) { WriteFileBytes(source_ + "\\" + name, bytes); }
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
    // The WAV the core writes of source in the mono (1) or stereo (2) preset:
    // what the window writes when it hands the core the right request.
    Bytes ExtractedAs(const std::string& source, int channels) {
        ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFileStatus(source.c_str(), Path("reference.wav").c_str()), CONV_OK) << source;
        return ReadFileBytes(Path("reference.wav"));
    }

    Program program_;
    Recording recording_;
    HWND extractPage_ = NULL;
    HWND packPage_ = NULL;
    std::string tmp_, source_, out_;
};

#endif
