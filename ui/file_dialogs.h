// What the file dialogs of both pages share: the filters, the default name
// beside the program, and the dialog record.
#ifndef VELKMAR_UI_FILE_DIALOGS_H
#define VELKMAR_UI_FILE_DIALOGS_H

#include <windows.h>
#include <commdlg.h>

// Label and pattern pairs, each zero-terminated, the list ended by an
// empty string.
extern const char PACKED_SOUND_FILTER[];
extern const char WAV_FILTER[];

// Flags of the open and the save dialogs: no overwrite prompt, no default
// extension.
const DWORD OPEN_DIALOG_FLAGS = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
const DWORD SAVE_DIALOG_FLAGS = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;

// Fills path (PATH_TEXT_SIZE bytes) with the program's directory followed
// by "\" and name, or with name alone when that does not fit.
void ProposeBesideProgram(char* path, const char* name);

// A dialog record of the 4.0 form: owner, filter (index 1), the file
// buffer of PATH_TEXT_SIZE bytes, the initial directory and the flags;
// every other field zero. The record points into its arguments.
OPENFILENAMEA FileDialogRecord(HWND owner, const char* filter, char* file, const char* initialDirectory,
                               DWORD flags);

#endif
