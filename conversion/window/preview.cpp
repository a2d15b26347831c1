// Preview playback.
//
// Each press extracts the file to a new WAV file in the temporary
// directory, "mervane" followed by a number and ".wav", and plays it while
// the window goes on. The number comes from g_previewNumber, which
// advances with every name tried; a name whose file exists already is
// skipped, ".wav" included, so a preview never overwrites a file. The
// files stay while the program runs (a sound plays from its file) and are
// deleted when it ends.
#include "conversion/window/preview.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <string>
#include <vector>

#include "conversion/files/extraction.h"
#include "conversion/files/globals.h"
#include "conversion/window/channel_choice.h"
#include "resources/resource.h"

namespace {

// The number of the last preview file name tried, and the preview files
// this run made, removed when the program ends.
unsigned g_previewNumber;
std::vector<std::string> g_previewFiles;

const char PREVIEW_PREFIX[] = "mervane";
const char PREVIEW_EXTENSION[] = ".wav";

// Numbers tried for one name before giving up.
const unsigned NAME_ATTEMPTS = 32767;

// No name is made when the directory and the prefix leave less than this
// for the separator, the number, the extension and the terminating zero.
const size_t NUMBER_ROOM = 12;

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The TMP environment variable, empty when it is not set.
std::string TmpVariable() {
    DWORD size = GetEnvironmentVariableA("TMP", NULL, 0);
    if (size == 0) return std::string();
    std::string value(size, '\0');
    DWORD length = GetEnvironmentVariableA("TMP", &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

// The directory of the preview files: the one TMP names, as written or
// without its double quotes; else the root of the current drive; else the
// current directory.
std::string PreviewDirectory() {
    const std::string tmp = TmpVariable();
    if (!tmp.empty()) {
        if (IsDirectory(tmp)) return tmp;
        std::string unquoted;
        for (char c : tmp)
            if (c != '"') unquoted.push_back(c);
        if (!unquoted.empty() && IsDirectory(unquoted)) return unquoted;
    }
    if (IsDirectory("\\")) return "\\";
    return ".";
}

// A name for a new preview file, or false when none can be made.
bool MakePreviewName(std::string* name) {
    std::string directory = PreviewDirectory();
    if (directory.size() + std::strlen(PREVIEW_PREFIX) + NUMBER_ROOM > static_cast<size_t>(PATH_TEXT_SIZE))
        return false;
    // Only a slash ends the directory here: "C:" is followed by one too.
    if (directory.back() != '\\' && directory.back() != '/') directory.push_back(PATH_SEPARATOR);
    for (unsigned attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        ++g_previewNumber;
        *name = directory + PREVIEW_PREFIX + std::to_string(g_previewNumber) + PREVIEW_EXTENSION;
        if (name->size() >= static_cast<size_t>(PATH_TEXT_SIZE)) return false;
        if (!Exists(*name)) return true;
    }
    return false;
}

}  // namespace

void PlayPreview() {
    // The name is made first, also when the field turns out to be empty.
    std::string name;
    if (!MakePreviewName(&name)) return;
    char source[PATH_TEXT_SIZE] = "";
    GetDlgItemTextA(g_extractPage, IDC_SOURCE_FILE, source, sizeof source);
    if (!source[0]) return;
    SelectChannelMode(PathExtension(source));
    if (ExtractSoundFile(source, name.c_str()) != 1) return;
    g_previewFiles.push_back(name);
    sndPlaySoundA(name.c_str(), SND_ASYNC | SND_NODEFAULT);
}

void RemovePreviewFiles() {
    // The sound stops first: the file it plays from is open until then.
    sndPlaySoundA(NULL, SND_NODEFAULT);
    for (const std::string& name : g_previewFiles) DeleteFileA(name.c_str());
    g_previewFiles.clear();
}
