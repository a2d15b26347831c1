// Records what Velkmar's window is told while a test drives it: every text
// set on a window or control, every position the progress bars take, and
// the icon of every message box, in the order they happen. A hook library
// (recorder_hook.cpp) placed into Velkmar's user-interface thread writes
// them into shared memory that the test program reads; nothing in the
// program changes, and fast changes that polling would miss are kept.
#ifndef VELKMAR_TESTS_WINDOW_RECORDING_H
#define VELKMAR_TESTS_WINDOW_RECORDING_H

#include <windows.h>

#include <string>
#include <vector>

// The shared memory: named after the recorded process, a 32-bit count of
// the bytes used followed by the lines, each "WINDOW ID KIND VALUE\n" with
// the window in hexadecimal, KIND "text", "position" or "icon".
const char RECORDING_NAME_FORMAT[] = "velkmar-window-recording-%lu";
const DWORD RECORDING_SIZE = 8u << 20;

// The hook procedure that the library exports (WH_CALLWNDPROCRET).
const char RECORDING_HOOK_NAME[] = "RecordWindowCall";

#ifndef VELKMAR_RECORDER_HOOK

struct Program;

// One recorded change.
struct WindowEvent {
    HWND window;
    int id;
    std::string kind;   // "text", "position" or "icon"
    std::string value;  // the text, the position, or "information", "warning", "error"
};

// A recording of one process: the shared memory and the hook.
struct Recording {
    HANDLE memory = NULL;
    const char* view = nullptr;
    HMODULE library = NULL;
    HHOOK hook = NULL;
};

// Starts recording the program's user-interface thread; false when the
// hook cannot be placed.
bool StartRecording(const Program& program, Recording* recording);

// Removes the hook and releases the memory; what was recorded is gone.
void StopRecording(Recording* recording);

// Everything recorded so far, also after the program has ended.
std::vector<WindowEvent> RecordedEvents(const Recording& recording);

// The values of kind recorded for window (any window when null), in order.
std::vector<std::string> RecordedValues(const Recording& recording, HWND window, const char* kind);

#endif

#endif
