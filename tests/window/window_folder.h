// Driving a folder extraction in the real window from another process:
// folder mode, the source typed in, the destination chosen in the folder
// browser, and what the status line showed.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_FOLDER_H
#define VELKMAR_TESTS_WINDOW_WINDOW_FOLDER_H

#include <windows.h>

#include <string>
#include <vector>

#include "tests/window/recording.h"
#include "tests/window/window_driver.h"

extern const char FOLDER_CAPTION[];
extern const char ALL_EXTRACTED[];
extern const char SOME_FAILED[];

// Starts the extraction of source into destination (Windows paths) from
// the Extract page; false with a reason when a step did not happen.
bool StartFolderExtraction(const Program& program, HWND extractPage, const std::string& source,
                           const std::string& destination, std::string* reason);

// The final message box if it shows now, else null.
HWND SummaryShowing(const Program& program);

// Its text, the icons recorded for it; pressed OK and waited for it to go.
std::string SummaryText(HWND box);
std::vector<std::string> SummaryIcons(const Recording& recording, HWND box);
bool CloseSummary(HWND box);

// "Файл 3 из 7".
std::string FileNumber(int index, int count);

// The "Файл %d из %d" texts recorded for the status line, in order.
std::vector<std::string> FileNumbers(const Recording& recording, HWND status);

#endif
