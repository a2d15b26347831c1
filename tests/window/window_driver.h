// Drives the real Velkmar window from another process, for the window
// tests, the screenshot poser (scripts/) and the load measurement (bench/).
// Waits poll with a generous time-out.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_DRIVER_H
#define VELKMAR_TESTS_WINDOW_WINDOW_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const DWORD PATIENCE_MS = 30000;

// Polls condition until it holds or patienceMs pass; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD patienceMs = PATIENCE_MS);

struct Program {
    PROCESS_INFORMATION info = {};
    HWND sheet = NULL;
};
// Starts exe (a Windows or a Unix path) and waits for its "Velkmar" sheet.
bool StartProgram(std::string exe, Program* program);
// Waits for the process to end; returns its exit code, or STILL_ACTIVE.
DWORD WaitForExit(const Program& program);
// Ends the process if it still runs and closes the handles.
void StopProgram(Program* program);

// A visible dialog of the process, not the sheet, with caption if given.
HWND WaitForDialog(const Program& program, const char* caption = nullptr, DWORD patienceMs = PATIENCE_MS);

// A window's text (also an edit control's, across processes); setting it.
std::string TextOf(HWND window);
void SetText(HWND window, const std::string& text);
// Clicks; false when the click did not return (a modal box opened).
bool ClickAndWait(HWND button);
void PostClick(HWND button);

// The page the sheet shows; ShowPage shows page index and returns it.
HWND CurrentPage(HWND sheet);
HWND ShowPage(HWND sheet, int index);

// The file name field of a save or open dialog.
HWND FileNameField(HWND fileDialog);
// Chooses folder (a Windows path) in a folder browser and presses OK.
bool ChooseFolder(const Program& program, HWND browser, const std::string& folder);

// The recording: a hook library (recorder_hook.cpp, beside the driving
// program) in the program's user-interface thread appends each text set, each
// progress bar position and each message box icon, in order, to
// RECORDING_FILE beside itself: lines "KIND ID VALUE" ("text", "position",
// "icon"; the control's id), so fast changes polling would miss are kept.
const char RECORDING_FILE[] = "recording-%lu.txt";
struct Recording {
    HMODULE library = NULL;
    HHOOK hook = NULL;
    std::string path;
};
bool StartRecording(const Program& program, Recording* recording);
void StopRecording(Recording* recording);  // removes the hook and the file
// The lines recorded so far, also after the program has ended.
std::vector<std::string> RecordedLines(const Recording& recording);

#endif
