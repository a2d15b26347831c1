// Poses Velkmar's window for a screenshot: starts the program, shows the
// Extract page, the Pack page or the About box with sample paths filled
// in, writes the posed window's screen rectangle ("x y width height") to
// READY-FILE, waits until DONE-FILE exists, and closes the program.
//
//   window_poser PATH-OF-velkmar.exe extract|pack|about READY-FILE DONE-FILE
//
// Exits with the program's exit code, or 2 when it could not pose.
#include <cstdio>
#include <string>

#include "resources/resource.h"
#include "tests/window/window_driver.h"

namespace {

HWND Pose(const Program& program, const std::string& view) {
    HWND extract = CurrentPage(program.sheet);
    SetText(GetDlgItem(extract, IDC_SOURCE_FILE), "C:\\Games\\Velk\\sound\\boom.wad");
    if (view == "extract") return program.sheet;
    if (view == "pack") {
        HWND pack = ShowPage(program.sheet, 1);
        SetText(GetDlgItem(pack, IDC_PACK_SOURCE), "C:\\Games\\Velk\\voice.wav");
        SetText(GetDlgItem(pack, IDC_PACK_DESTINATION), "C:\\Games\\Velk\\sound\\voice.wad");
        return program.sheet;
    }
    if (view == "about") {
        PostClick(GetDlgItem(program.sheet, IDHELP));
        return WaitForDialog(program, "О программе");
    }
    return NULL;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: window_poser PATH-OF-velkmar.exe extract|pack|about READY-FILE DONE-FILE\n");
        return 2;
    }
    Program program;
    if (!StartProgram(argv[1], &program)) return 2;
    HWND posed = Pose(program, argv[2]);
    RECT area = {};
    if (!posed || !GetWindowRect(posed, &area)) {
        StopProgram(&program);
        return 2;
    }
    Sleep(500);  // let the last paint reach the screen
    FILE* ready = std::fopen(argv[3], "w");
    if (!ready) {
        StopProgram(&program);
        return 2;
    }
    std::fprintf(ready, "%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left, area.bottom - area.top);
    std::fclose(ready);
    WaitUntil([&] { return Exists(argv[4]); }, 5 * PATIENCE_MS);

    if (posed != program.sheet) {
        PostClick(GetDlgItem(posed, IDOK));
        WaitUntil([&] { return !IsWindow(posed); });
    }
    PostClick(GetDlgItem(program.sheet, IDCANCEL));
    DWORD code = WaitForExit(program);
    StopProgram(&program);
    return static_cast<int>(code);
}
