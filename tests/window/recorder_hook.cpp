// The hook library of the window driver's recording (window_driver.h): the
// system loads it into Velkmar's user-interface thread, where it runs after
// each message a window procedure handled.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "tests/window/window_driver.h"

namespace {

char g_path[MAX_PATH];  // the recording file, beside this library

void Append(HWND window, const char* kind, const char* value) {
    FILE* file = std::fopen(g_path, "ab");
    if (!file) return;
    std::fprintf(file, "%s %d %s\n", kind, GetDlgCtrlID(window), value);
    std::fclose(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE library, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH || !GetModuleFileNameA(library, g_path, MAX_PATH)) return TRUE;
    char* name = std::strrchr(g_path, '\\') + 1;
    std::snprintf(name, static_cast<size_t>(g_path + MAX_PATH - name), RECORDING_FILE, GetCurrentProcessId());
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordWindowCall(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT& call = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char value[1024] = "";
    if (code == HC_ACTION && call.message == WM_SETTEXT) {
        // Read back as the window took it, whatever form it was sent in.
        GetWindowTextA(call.hwnd, value, sizeof value);
        Append(call.hwnd, "text", value);
    } else if (code == HC_ACTION && call.message == PBM_SETPOS) {
        std::snprintf(value, sizeof value, "%d", static_cast<int>(SendMessageA(call.hwnd, PBM_GETPOS, 0, 0)));
        Append(call.hwnd, "position", value);
    } else if (code == HC_ACTION && call.message == STM_SETICON) {
        const HICON icon = reinterpret_cast<HICON>(call.wParam);
        Append(call.hwnd, "icon", icon == LoadIconA(NULL, IDI_INFORMATION) ? "information"
                                  : icon == LoadIconA(NULL, IDI_WARNING)   ? "warning"
                                                                           : "other");
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
