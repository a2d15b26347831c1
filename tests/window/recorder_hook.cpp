// The hook library of the window tests' recording (recording.h). Loaded
// into Velkmar's process by the system when the test program hooks its
// user-interface thread; runs after each message that a window procedure
// of that thread handled, and writes one line per change of interest.
#define VELKMAR_RECORDER_HOOK
#include "tests/window/recording.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

char* g_memory;     // the shared memory, once opened
bool g_opened;      // opening was tried

void Append(HWND window, const char* kind, const char* value) {
    if (!g_opened) {
        g_opened = true;
        char name[64];
        std::snprintf(name, sizeof name, RECORDING_NAME_FORMAT, GetCurrentProcessId());
        HANDLE memory = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
        if (memory) g_memory = static_cast<char*>(MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, RECORDING_SIZE));
    }
    if (!g_memory) return;
    char line[1200];
    int length = std::snprintf(line, sizeof line, "%llx %d %s %s\n",
                               static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)),
                               GetDlgCtrlID(window), kind, value);
    if (length <= 0 || length >= static_cast<int>(sizeof line)) return;
    volatile LONG* used = reinterpret_cast<volatile LONG*>(g_memory);
    const LONG at = *used;
    if (static_cast<DWORD>(at) + sizeof(LONG) + static_cast<DWORD>(length) > RECORDING_SIZE) return;
    std::memcpy(g_memory + sizeof(LONG) + at, line, static_cast<size_t>(length));
    InterlockedExchange(used, at + length);
}

const char* IconName(HANDLE icon) {
    if (icon == LoadIconA(NULL, IDI_INFORMATION)) return "information";
    if (icon == LoadIconA(NULL, IDI_WARNING)) return "warning";
    if (icon == LoadIconA(NULL, IDI_ERROR)) return "error";
    if (icon == LoadIconA(NULL, IDI_QUESTION)) return "question";
    return "other";
}

void Record(const CWPRETSTRUCT& call) {
    switch (call.message) {
    case WM_SETTEXT: {
        // Read back once the window has taken it, whatever the form it was sent in.
        char text[1024] = "";
        GetWindowTextA(call.hwnd, text, sizeof text);
        Append(call.hwnd, "text", text);
        break;
    }
    case PBM_SETPOS: {
        char position[16];
        std::snprintf(position, sizeof position, "%d", static_cast<int>(SendMessageA(call.hwnd, PBM_GETPOS, 0, 0)));
        Append(call.hwnd, "position", position);
        break;
    }
    case STM_SETICON:
        Append(call.hwnd, "icon", IconName(reinterpret_cast<HANDLE>(call.wParam)));
        break;
    case STM_SETIMAGE:
        if (call.wParam == IMAGE_ICON) Append(call.hwnd, "icon", IconName(reinterpret_cast<HANDLE>(call.lParam)));
        break;
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordWindowCall(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) Record(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    return CallNextHookEx(NULL, code, wParam, lParam);
}
