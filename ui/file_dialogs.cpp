// File filters and helpers for the open and save dialogs.
#include "ui/file_dialogs.h"

#include <cstring>

#include "conversion/files/globals.h"

const char PACKED_SOUND_FILTER[] =
    "Звуковые файлы Velk (.wad, .adx, .adp)\0*.wad;*.adx;*.adp\0"
    "Все файлы\0*.*\0";
const char WAV_FILTER[] =
    "Звуковые файлы Windows (.wav)\0*.wav\0"
    "Все файлы\0*.*\0";

void ProposeBesideProgram(char* path, const char* name) {
    if (std::strlen(g_exeDir) + 1 + std::strlen(name) < static_cast<size_t>(PATH_TEXT_SIZE)) {
        std::strcpy(path, g_exeDir);
        std::strcat(path, "\\");
        std::strcat(path, name);
    } else {
        std::strcpy(path, name);
    }
}

OPENFILENAMEA FileDialogRecord(HWND owner, const char* filter, char* file, const char* initialDirectory,
                               DWORD flags) {
    OPENFILENAMEA record = {};
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = owner;
    record.lpstrFilter = filter;
    record.nFilterIndex = 1;
    record.lpstrFile = file;
    record.nMaxFile = PATH_TEXT_SIZE;
    record.lpstrInitialDir = initialDirectory;
    record.Flags = flags;
    return record;
}
