// The Extract page: one file or a whole folder, the forced channel mode,
// Extract/Stop and Play. It acts through its recorded handle g_extractPage.
#ifndef VELKMAR_UI_EXTRACT_PAGE_H
#define VELKMAR_UI_EXTRACT_PAGE_H

#include <windows.h>

// The page's dialog procedure.
INT_PTR CALLBACK ExtractPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start state: "Эффекты" and "Распаковать один файл" checked, progress
// range 0 to 65535 with step 1.
void InitExtractPage();

// "Обзор..." of the file field: an open dialog, starting on the last file
// chosen (first "i.wad" beside the program); fills the field on OK.
void BrowseSourceFile();

// "Обзор..." of the folder field: the shell's folder browser; fills the
// field on OK.
void BrowseSourceFolder();

// The action of "Extract": one file through a save dialog, or the whole
// folder into a folder the user chooses.
void RunExtraction();

#endif
