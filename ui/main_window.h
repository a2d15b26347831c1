// The application frame: the property sheet, its start-up and the sheet
// notifications that both pages answer alike. WinMain lives here too.
#ifndef VELKMAR_UI_MAIN_WINDOW_H
#define VELKMAR_UI_MAIN_WINDOW_H

#include <windows.h>

// Property sheet callback: has the sheet created hidden. Returns 0.
int CALLBACK SheetCallback(HWND window, UINT message, LPARAM parameter);

// A page's answer to WM_NOTIFY from the sheet: "About..." (PSN_HELP) opens
// the About box, "Закрыть" and the close box (PSN_RESET) end the program;
// anything else is ignored.
void AnswerSheetNotification(const NMHDR* header);

// Stops any preview sound and posts the quit request.
void EndProgram();

#endif
