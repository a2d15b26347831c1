// Drives the real Velkmar window from another process: starts the program,
// finds its windows, reads and sets texts, clicks, presses keys, and reads
// what Windows keeps about the process. Every wait polls with a generous
// time-out; nothing depends on how fast the program is.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_DRIVER_H
#define VELKMAR_TESTS_WINDOW_WINDOW_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// How long any wait lasts before it gives up.
const DWORD PATIENCE_MS = 30000;

// Polls condition until it holds or PATIENCE_MS pass; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD patienceMs = PATIENCE_MS);

// A started program: its process and thread handles and ids.
struct Program {
    PROCESS_INFORMATION info = {};
    HWND sheet = NULL;
};

// Starts exe (a Windows path) and waits for its visible "Velkmar" sheet.
bool StartProgram(const std::string& exe, Program* program);

// Waits for the process to end; returns its exit code, or STILL_ACTIVE.
DWORD WaitForExit(const Program& program);

// Ends the process if it still runs and closes the handles.
void StopProgram(Program* program);

// The visible top-level windows of the process.
std::vector<HWND> VisibleWindows(DWORD processId);

// Waits for a visible top-level dialog (#32770) of the process other than
// the sheet, whose caption is caption (any caption when null). Returns it
// or null.
HWND WaitForDialog(const Program& program, const char* caption = nullptr);

// Text of a window or control, read with WM_GETTEXT (works across
// processes, also for edit controls).
std::string TextOf(HWND window);

// Sets a window's or control's text with WM_SETTEXT.
void SetText(HWND window, const std::string& text);

// Clicks a button and returns once its handler has run; false when it did
// not return within PATIENCE_MS (a modal box opened).
bool ClickAndWait(HWND button);

// Clicks a button without waiting: for clicks that open a modal box.
void PostClick(HWND button);

// Posts a key press (down and up) to the window.
void PressKey(HWND window, WPARAM virtualKey);

// The window holding the keyboard focus in the program's GUI thread.
HWND FocusOf(const Program& program);

// The page the sheet shows; PSM_SETCURSEL to show page index.
HWND CurrentPage(HWND sheet);
HWND ShowPage(HWND sheet, int index);

// Labels and image indices of the sheet's tabs (TCM_GETITEMA through
// memory in the program's process).
struct TabItem {
    std::string label;
    int image;
};
std::vector<TabItem> TabItems(const Program& program);

// The texts of a dialog's children, in z-order.
std::vector<std::string> ChildTexts(HWND dialog);

// The file name field of an open or save dialog.
HWND FileNameField(HWND fileDialog);

// GDI objects the process holds: GetGuiResources, or where that is not
// implemented (Wine) the used entries of the process's GDI handle table.
// -1 when neither can be read.
long GdiObjectCount(const Program& program);

// Whether a screen rectangle shows at least one pixel of colour.
bool ScreenShowsColour(const RECT& area, COLORREF colour);

// The program's path, from the command line, as a Windows path.
std::string ProgramPath();
void SetProgramPath(const std::string& path);

#endif
