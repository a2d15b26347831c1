// Load measurement of the real window (Windows, run under Wine by
// load_window.sh): starts velkmar.exe, extracts a folder through the
// Extract page and its folder browser, and reports what the status line
// counted in each pass and the final message. Once the message shows it
// prints "summary" and waits for the file named by its fourth argument to
// appear, so that the script can read the program's memory, then closes
// the program.
//   load_window VELKMAR.EXE SOURCE DESTINATION GO-FILE
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/window/window_driver.h"

namespace {

// The last "Файл i из n" of each pass: a pass begins where i is 1 again.
std::vector<std::string> LastOfEachPass(const std::vector<std::string>& numbers) {
    const std::string first = "Файл 1 из ";
    std::vector<std::string> last;
    for (size_t i = 0; i < numbers.size(); ++i)
        if (i + 1 == numbers.size() || numbers[i + 1].compare(0, first.size(), first) == 0) last.push_back(numbers[i]);
    return last;
}

// Code page 1251 text as UTF-8 for the script's terminal.
std::string Utf8(const std::string& text) {
    wchar_t wide[1024];
    char narrow[4096];
    int length = MultiByteToWideChar(1251, 0, text.c_str(), -1, wide, 1024);
    if (length <= 0 || !WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, NULL, NULL)) return text;
    return narrow;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: load_window VELKMAR.EXE SOURCE DESTINATION GO-FILE\n");
        return 2;
    }
    Program program;
    Recording recording;
    if (!StartProgram(argv[1], &program) || !StartRecording(program, &recording)) {
        std::fprintf(stderr, "velkmar.exe did not start, or its window cannot be recorded\n");
        StopProgram(&program);
        return 1;
    }
    // Folder mode, the source typed in, "Extract" and the destination
    // chosen in the folder browser.
    HWND page = CurrentPage(program.sheet);
    ClickAndWait(GetDlgItem(page, IDC_WHOLE_FOLDER));
    SetText(GetDlgItem(page, IDC_SOURCE_FOLDER), argv[2]);
    PostClick(GetDlgItem(page, IDC_EXTRACT));
    HWND browser = WaitForDialog(program);
    if (!browser || !ChooseFolder(program, browser, argv[3])) {
        std::fprintf(stderr, "could not choose %s in the folder browser\n", argv[3]);
        StopProgram(&program);
        StopRecording(&recording);
        return 1;
    }
    const ULONGLONG started = GetTickCount64();
    HWND box = NULL;
    do box = WaitForDialog(program, "Extract Folder");
    while (!box);
    const double seconds = static_cast<double>(GetTickCount64() - started) / 1000;
    std::vector<std::string> numbers;
    for (const std::string& line : RecordedLines(recording)) {
        const std::string value = line.substr(line.find(' ', 5) + 1);  // after "text ID "
        if (line.compare(0, 5, "text ") == 0 && value.compare(0, 5, "Файл ") == 0) numbers.push_back(value);
    }
    std::printf("files shown: %zu; last in each pass:", numbers.size());
    for (const std::string& last : LastOfEachPass(numbers)) std::printf(" \"%s\"", Utf8(last).c_str());
    std::printf("\nfinal message: %s (%.0f s)\nsummary\n", Utf8(TextOf(GetDlgItem(box, 0xFFFF))).c_str(), seconds);
    std::fflush(stdout);
    while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES) Sleep(200);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); });
    StopProgram(&program);
    StopRecording(&recording);
    return 0;
}
