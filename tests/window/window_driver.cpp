// Implementation of the window driver.
#include "tests/window/window_driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>

bool WaitUntil(const std::function<bool()>& condition, DWORD patienceMs) {
    const ULONGLONG end = GetTickCount64() + patienceMs;
    while (!condition()) {
        if (GetTickCount64() > end) return condition();
        Sleep(20);
    }
    return true;
}

bool StartProgram(std::string exe, Program* program) {
    if (!exe.empty() && exe[0] == '/') exe = "Z:" + exe;  // Wine shows the Unix root as drive Z
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &program->info))
        return false;
    // The first start after the wine server stopped can be slow.
    program->sheet = WaitForDialog(*program, "Velkmar", 3 * PATIENCE_MS);
    return program->sheet != NULL;
}

DWORD WaitForExit(const Program& program) {
    WaitForSingleObject(program.info.hProcess, PATIENCE_MS);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(program.info.hProcess, &code);
    return code;
}

void StopProgram(Program* program) {
    if (!program->info.hProcess) return;
    TerminateProcess(program->info.hProcess, 1);
    WaitForSingleObject(program->info.hProcess, PATIENCE_MS);
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    *program = Program();
}

HWND WaitForDialog(const Program& program, const char* caption, DWORD patienceMs) {
    HWND dialog = NULL;
    WaitUntil([&] {
        while ((dialog = FindWindowExA(NULL, dialog, "#32770", caption)) != NULL) {
            DWORD processId = 0;
            GetWindowThreadProcessId(dialog, &processId);
            if (processId == program.info.dwProcessId && dialog != program.sheet && IsWindowVisible(dialog)) break;
        }
        return dialog != NULL;
    }, patienceMs);
    return dialog;
}

std::string TextOf(HWND window) {
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void SetText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ClickAndWait(HWND button) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, PATIENCE_MS, &result) != 0;
}

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

HWND ShowPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return CurrentPage(sheet);
}

HWND FileNameField(HWND fileDialog) {
    HWND combo = FindWindowExA(GetDlgItem(fileDialog, 1148), NULL, "ComboBox", NULL);
    return FindWindowExA(combo, NULL, "Edit", NULL);
}

bool ChooseFolder(const Program& program, HWND browser, const std::string& folder) {
    HANDLE process = program.info.hProcess;
    void* path = VirtualAllocEx(process, NULL, folder.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!path) return false;
    WriteProcessMemory(process, path, folder.c_str(), folder.size() + 1, NULL);
    // The browser ignores a selection made before its tree is filled: it is
    // asked again until the tree shows a folder other than its root selected.
    HWND tree = FindWindowExA(browser, NULL, WC_TREEVIEWA, NULL);
    const bool selected = WaitUntil([&] {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        const LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        return caret && caret != SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    });
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    const bool closed = WaitUntil([&] { return !IsWindow(browser); });
    VirtualFreeEx(process, path, 0, MEM_RELEASE);
    return selected && closed;
}

bool StartRecording(const Program& program, Recording* recording) {
    // The hook library, and the file, lie beside this program.
    char path[MAX_PATH] = "";
    std::string folder(path, GetModuleFileNameA(NULL, path, sizeof path));
    folder.erase(folder.rfind('\\') + 1);
    std::snprintf(path, sizeof path, RECORDING_FILE, program.info.dwProcessId);
    recording->path = folder + path;
    DeleteFileA(recording->path.c_str());
    recording->library = LoadLibraryA((folder + "window_recorder.dll").c_str());
    const FARPROC hook = recording->library ? GetProcAddress(recording->library, "RecordWindowCall") : NULL;
    if (hook)
        recording->hook = SetWindowsHookExA(WH_CALLWNDPROCRET, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(hook)),
                                            recording->library, program.info.dwThreadId);
    return recording->hook != NULL;
}

void StopRecording(Recording* recording) {
    if (recording->hook) UnhookWindowsHookEx(recording->hook);
    if (recording->library) FreeLibrary(recording->library);
    DeleteFileA(recording->path.c_str());
    *recording = Recording();
}

std::vector<std::string> RecordedLines(const Recording& recording) {
    std::vector<std::string> lines;
    std::ifstream file(recording.path, std::ios::binary);
    // A line still being written has no line end yet.
    for (std::string line; std::getline(file, line) && !file.eof();) lines.push_back(line);
    return lines;
}
