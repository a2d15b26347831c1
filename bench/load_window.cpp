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
#include "tests/window/window_folder.h"

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
    if (!StartProgram(argv[1], &program)) {
        std::fprintf(stderr, "velkmar.exe did not start\n");
        return 1;
    }
    HWND page = CurrentPage(program.sheet);
    Recording recording;
    std::string reason;
    if (!StartRecording(program, &recording) || !StartFolderExtraction(program, page, argv[2], argv[3], &reason)) {
        std::fprintf(stderr, "could not start the extraction: %s\n", reason.c_str());
        StopProgram(&program);
        return 1;
    }
    const ULONGLONG started = GetTickCount64();
    HWND box = NULL;
    while (!(box = SummaryShowing(program))) Sleep(200);
    const double seconds = static_cast<double>(GetTickCount64() - started) / 1000;
    const std::vector<std::string> numbers = FileNumbers(recording, GetDlgItem(page, IDC_STATUS));
    std::printf("files shown: %zu; last in each pass:", numbers.size());
    for (const std::string& last : LastOfEachPass(numbers)) std::printf(" \"%s\"", Utf8(last).c_str());
    std::printf("\nfinal message: %s (%.0f s)\nsummary\n", Utf8(SummaryText(box)).c_str(), seconds);
    std::fflush(stdout);
    while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES) Sleep(200);
    CloseSummary(box);
    StopRecording(&recording);
    StopProgram(&program);
    return 0;
}
