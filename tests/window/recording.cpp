// The test program's side of the recording: the shared memory, the hook,
// and reading the lines back.
#include "tests/window/recording.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "tests/window/window_driver.h"

namespace {

// The hook library, beside the test program.
std::string LibraryPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    char* separator = std::strrchr(path, '\\');
    if (separator) separator[1] = '\0';
    return std::string(path) + "window_recorder.dll";
}

}  // namespace

bool StartRecording(const Program& program, Recording* recording) {
    char name[64];
    std::snprintf(name, sizeof name, RECORDING_NAME_FORMAT, program.info.dwProcessId);
    recording->memory = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, RECORDING_SIZE, name);
    if (!recording->memory) return false;
    recording->view = static_cast<const char*>(MapViewOfFile(recording->memory, FILE_MAP_READ, 0, 0, RECORDING_SIZE));
    recording->library = LoadLibraryA(LibraryPath().c_str());
    if (!recording->view || !recording->library) return false;
    HOOKPROC hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(recording->library, RECORDING_HOOK_NAME)));
    if (!hook) return false;
    recording->hook = SetWindowsHookExA(WH_CALLWNDPROCRET, hook, recording->library, program.info.dwThreadId);
    return recording->hook != NULL;
}

void StopRecording(Recording* recording) {
    if (recording->hook) UnhookWindowsHookEx(recording->hook);
    if (recording->library) FreeLibrary(recording->library);
    if (recording->view) UnmapViewOfFile(recording->view);
    if (recording->memory) CloseHandle(recording->memory);
    *recording = Recording();
}

std::vector<WindowEvent> RecordedEvents(const Recording& recording) {
    std::vector<WindowEvent> events;
    if (!recording.view) return events;
    LONG used = *reinterpret_cast<const volatile LONG*>(recording.view);
    std::istringstream lines(std::string(recording.view + sizeof(LONG), static_cast<size_t>(used)));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        unsigned long long window = 0;
        WindowEvent event;
        fields >> std::hex >> window >> std::dec >> event.id >> event.kind;
        event.window = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
        std::getline(fields, event.value);
        if (!event.value.empty() && event.value[0] == ' ') event.value.erase(0, 1);
        events.push_back(event);
    }
    return events;
}

std::vector<std::string> RecordedValues(const Recording& recording, HWND window, const char* kind) {
    std::vector<std::string> values;
    for (const WindowEvent& event : RecordedEvents(recording))
        if ((!window || event.window == window) && event.kind == kind) values.push_back(event.value);
    return values;
}
