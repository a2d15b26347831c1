// The hook library of the window driver's recording (window_driver.h).
// Loaded into Velkmar's process by the system when the driver hooks its
// user-interface thread; runs after each message that a window procedure
// of that thread handled, and appends one line per change of interest.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/window/window_driver.h"

namespace {

std::string g_path;  // the recording file, beside this library

void Append(HWND window, const char* kind, const char* value) {
    FILE* file = std::fopen(g_path.c_str(), "ab");
    if (!file) return;
    std::fprintf(file, "%llx %s %s\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)), kind,
                 value);
    std::fclose(file);
}

const char* IconName(HANDLE shown) {
    if (shown == LoadIconA(NULL, IDI_INFORMATION)) return "information";
    if (shown == LoadIconA(NULL, IDI_WARNING)) return "warning";
    return shown == LoadIconA(NULL, IDI_ERROR) ? "error" : "other";
}

void Record(const CWPRETSTRUCT& call) {
    char value[1024] = "";
    switch (call.message) {
    case WM_SETTEXT:
        // Read back once the window has taken it, whatever form it was sent in.
        GetWindowTextA(call.hwnd, value, sizeof value);
        Append(call.hwnd, "text", value);
        break;
    case PBM_SETPOS:
        std::snprintf(value, sizeof value, "%d", static_cast<int>(SendMessageA(call.hwnd, PBM_GETPOS, 0, 0)));
        Append(call.hwnd, "position", value);
        break;
    case STM_SETICON: Append(call.hwnd, "icon", IconName(reinterpret_cast<HANDLE>(call.wParam))); break;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE library, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = "";
        g_path.assign(path, GetModuleFileNameA(library, path, sizeof path));
        std::snprintf(path, sizeof path, RECORDING_FILE, GetCurrentProcessId());
        g_path = g_path.substr(0, g_path.rfind('\\') + 1) + path;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordWindowCall(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) Record(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    return CallNextHookEx(NULL, code, wParam, lParam);
}
