// Implementation of the window driver.
#include "tests/window/window_driver.h"

#include <commctrl.h>
#include <winternl.h>

#include <cstring>

namespace {

std::string g_programPath;

const DWORD POLL_MS = 50;

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
    if (ProcessOf(window) == found->first && IsWindowVisible(window)) found->second.push_back(window);
    return TRUE;
}

HWND FindDescendant(HWND parent, const char* className) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == className) return child;
        HWND inner = FindDescendant(child, className);
        if (inner) return inner;
    }
    return NULL;
}

// Memory in another process, released by the caller with VirtualFreeEx.
void* RemoteAlloc(HANDLE process, size_t size) {
    return VirtualAllocEx(process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

// Counts the used entries of the GDI handle table that the process's PEB
// points to: the fallback for Wine, which lacks GetGuiResources. Wine's
// entries are 24 bytes with the object type at byte 14 (0 for a free
// entry) on both architectures; the PEB holds the table's address at 0xF8
// on x86_64 and at 0x94 on i686. Windows shares one table between
// processes, so entries are also matched by process id.
long CountGdiHandleTable(HANDLE process, DWORD processId) {
    const size_t tableOffsetInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const size_t entrySize = 24;
    const size_t ownerOffset = 8;
    const size_t typeOffset = 14;
    const size_t entryCount = 0x10000;
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG got = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0) return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + tableOffsetInPeb, &table,
                           sizeof table, &read) || !table)
        return -1;
    std::vector<unsigned char> entries(entryCount * entrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read)) return -1;
    long used = 0;
    for (size_t i = 0; i < entryCount; ++i) {
        const unsigned char* entry = entries.data() + i * entrySize;
        WORD owner;
        std::memcpy(&owner, entry + ownerOffset, sizeof owner);
        if (entry[typeOffset] != 0 && (owner == 0 || owner == static_cast<WORD>(processId))) ++used;
    }
    return used;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD patienceMs) {
    const ULONGLONG end = GetTickCount64() + patienceMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() > end) return condition();
        Sleep(POLL_MS);
    }
}

bool StartProgram(const std::string& exe, Program* program) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &program->info))
        return false;
    WaitForInputIdle(program->info.hProcess, PATIENCE_MS);
    // The first start after the wine server stopped can be slow.
    return WaitUntil(
        [&] {
            for (HWND window : VisibleWindows(program->info.dwProcessId)) {
                if (TextOf(window) == "Velkmar" && ClassOf(window) == "#32770") {
                    program->sheet = window;
                    return true;
                }
            }
            return false;
        },
        3 * PATIENCE_MS);
}

DWORD WaitForExit(const Program& program) {
    WaitForSingleObject(program.info.hProcess, PATIENCE_MS);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(program.info.hProcess, &code);
    return code;
}

void StopProgram(Program* program) {
    if (!program->info.hProcess) return;
    DWORD code = STILL_ACTIVE;
    if (GetExitCodeProcess(program->info.hProcess, &code) && code == STILL_ACTIVE) {
        TerminateProcess(program->info.hProcess, 1);
        WaitForSingleObject(program->info.hProcess, PATIENCE_MS);
    }
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    program->info = PROCESS_INFORMATION();
    program->sheet = NULL;
}

std::vector<HWND> VisibleWindows(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> found(processId, {});
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

HWND WaitForDialog(const Program& program, const char* caption) {
    HWND dialog = NULL;
    WaitUntil([&] {
        for (HWND window : VisibleWindows(program.info.dwProcessId)) {
            if (window == program.sheet || ClassOf(window) != "#32770") continue;
            if (caption && TextOf(window) != caption) continue;
            dialog = window;
            return true;
        }
        return false;
    });
    return dialog;
}

std::string TextOf(HWND window) {
    char text[1024] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             PATIENCE_MS, &copied))
        return "<no answer>";
    return std::string(text, copied);
}

void SetText(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, PATIENCE_MS,
                        &result);
}

bool ClickAndWait(HWND button) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, PATIENCE_MS, &result) != 0;
}

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PressKey(HWND window, WPARAM virtualKey) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(window, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageA(window, WM_KEYUP, virtualKey, scan | 1 | (LPARAM(3) << 30));
}

HWND FocusOf(const Program& program) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(program.info.dwThreadId, &info)) return NULL;
    return info.hwndFocus;
}

HWND CurrentPage(HWND sheet) {
    DWORD_PTR page = 0;
    SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, PATIENCE_MS, &page);
    return reinterpret_cast<HWND>(page);
}

HWND ShowPage(HWND sheet, int index) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_NORMAL, PATIENCE_MS, &result);
    return CurrentPage(sheet);
}

std::vector<TabItem> TabItems(const Program& program) {
    std::vector<TabItem> items;
    HWND tabs = FindDescendant(program.sheet, WC_TABCONTROLA);
    if (!tabs) return items;
    DWORD_PTR count = 0;
    SendMessageTimeoutA(tabs, TCM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, PATIENCE_MS, &count);
    HANDLE process = program.info.hProcess;
    const size_t textSize = 256;
    char* remote = static_cast<char*>(RemoteAlloc(process, sizeof(TCITEMA) + textSize));
    if (!remote) return items;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = remote + sizeof(TCITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        char text[textSize] = "";
        SIZE_T moved = 0;
        DWORD_PTR result = 0;
        WriteProcessMemory(process, remote, &item, sizeof item, &moved);
        SendMessageTimeoutA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, PATIENCE_MS, &result);
        ReadProcessMemory(process, remote, &item, sizeof item, &moved);
        ReadProcessMemory(process, remote + sizeof(TCITEMA), text, textSize - 1, &moved);
        items.push_back({text, item.iImage});
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return items;
}

std::vector<std::string> ChildTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(TextOf(child));
    return texts;
}

HWND FileNameField(HWND fileDialog) {
    HWND combo = GetDlgItem(fileDialog, 1148);
    return combo ? FindDescendant(combo, "Edit") : NULL;
}

long GdiObjectCount(const Program& program) {
    SetLastError(0);
    DWORD counted = GetGuiResources(program.info.hProcess, GR_GDIOBJECTS);
    if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return static_cast<long>(counted);
    return CountGdiHandleTable(program.info.hProcess, program.info.dwProcessId);
}

bool ScreenShowsColour(const RECT& area, COLORREF colour) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    const DWORD wanted = (static_cast<DWORD>(GetRValue(colour)) << 16) | (static_cast<DWORD>(GetGValue(colour)) << 8) |
                         GetBValue(colour);
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    bool shown = false;
    for (int i = 0; bits && i < width * height && !shown; ++i) shown = (pixels[i] & 0xFFFFFF) == wanted;
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shown;
}

std::string ProgramPath() { return g_programPath; }

void SetProgramPath(const std::string& path) {
    g_programPath = path;
    // A Unix path from CTest: Wine shows the Unix root as drive Z.
    if (!g_programPath.empty() && g_programPath[0] == '/') {
        g_programPath = "Z:" + g_programPath;
        for (char& c : g_programPath)
            if (c == '/') c = '\\';
    }
}
