// The About box: icon, name and version, and a drawn link to the maker's
// web page.
#ifndef VELKMAR_UI_ABOUT_BOX_H
#define VELKMAR_UI_ABOUT_BOX_H

#include <windows.h>

// The maker's web page, opened by the link with the shell's default verb.
extern const char SITE_ADDRESS[];

// The box's dialog procedure; the box always ends with result 1. Escape
// leaves it open.
INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Draws the link button: underlined text, blue at rest, grey with the
// keyboard focus, red while held down. Creates and deletes its own font.
void DrawSiteLink(HWND window, const DRAWITEMSTRUCT* item);

#endif
