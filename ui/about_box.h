// The About box: icon, name and version, and a drawn link to the maker's
// web page.
#ifndef VELKMAR_UI_ABOUT_BOX_H
#define VELKMAR_UI_ABOUT_BOX_H

#include <windows.h>

// The box's dialog procedure; the box always ends with result 1. Escape
// leaves it open.
INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
