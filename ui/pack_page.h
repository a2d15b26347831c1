// The Pack page: a WAV file packed into a headerless packed sound file.
// It acts through its recorded handle g_packPage.
#ifndef VELKMAR_UI_PACK_PAGE_H
#define VELKMAR_UI_PACK_PAGE_H

#include <windows.h>

// The page's dialog procedure.
INT_PTR CALLBACK PackPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
