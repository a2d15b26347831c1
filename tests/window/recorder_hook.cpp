// The hook library of the window driver's recording (window_driver.h).
// Loaded into Velkmar's process by the system when the driver hooks its
// user-interface thread; runs after each message a window procedure of
// that thread handled, and appends one line per change of interest.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tests/window/window_driver.h"

namespace {

char g_path[MAX_PATH];  // the recording file, beside this library

void Append(HWND window, const char* kind, const char* value) {
    FILE* file = std::fopen(g_path, "ab");
    if (!file) return;
    std::fprintf(file, "%s %llx %s\n", kind, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)),
                 value);
    std::fclose(file);
}

const char* IconName(WPARAM icon) {
    const HICON shown = reinterpret_cast<HICON>(icon);
    if (shown == LoadIconA(NULL, IDI_INFORMATION)) return "information";
    return shown == LoadIconA(NULL, IDI_WARNING) ? "warning" : "other";
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE library, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    GetModuleFileNameA(library, g_path, MAX_PATH);
    char* name = std::strrchr(g_path, '\\');
    const size_t room = name ? static_cast<size_t>(g_path + sizeof g_path - name - 1) : 0;
    if (name) std::snprintf(name + 1, room, RECORDING_FILE, GetCurrentProcessId());
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
        Append(call.hwnd, "icon", IconName(call.wParam));
    } else if (code == HC_ACTION && call.message == TCM_GETITEMCOUNT) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = value;
        item.cchTextMax = 100;
        for (WPARAM i = 0; SendMessageA(call.hwnd, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)); ++i) {
            std::snprintf(value + std::strlen(value), 20, " image %d", item.iImage);
            Append(call.hwnd, "tab", value);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
