// The Pack page: a WAV file packed into a headerless packed sound file.
// It acts through its recorded handle g_packPage.
#ifndef VELKMAR_UI_PACK_PAGE_H
#define VELKMAR_UI_PACK_PAGE_H

#include <windows.h>

// The page's dialog procedure.
INT_PTR CALLBACK PackPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// "Обзор..." of the source: an open dialog for WAV files, starting on the
// last file chosen (first "i.wav" beside the program); fills the field on OK.
void BrowsePackSource();

// "Обзор..." of the destination: a save dialog for packed sound files,
// starting on the last name chosen (first "i.wad"); fills the field on OK.
void BrowsePackDestination();

// The action of "Pack": packs the source field's file into the destination
// field's; does nothing while either field is empty. The packing reports
// its own failures.
void PackFromPage();

#endif
