// The Extract page: one file or a whole folder, the forced channel mode,
// Extract/Stop and Play. It acts through its recorded handle g_extractPage.
#ifndef VELKMAR_UI_EXTRACT_PAGE_H
#define VELKMAR_UI_EXTRACT_PAGE_H

#include <windows.h>

// The page's dialog procedure.
INT_PTR CALLBACK ExtractPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
