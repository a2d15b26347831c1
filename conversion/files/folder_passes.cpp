// Folder extraction's passes and rules, over the platform's directory
// listing.
#include "conversion/files/folder_passes.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

#include "conversion/files/extraction.h"
#include "conversion/files/globals.h"
#include "conversion/files/paths.h"
#include "conversion/files/presets.h"

const FolderPassKind FOLDER_PASSES[FOLDER_PASS_COUNT] = {
    {"*.wad", ".wad"},
    {"*.adx", ".adx"},
    {"*.adp", ".adp"},
};

namespace {

#ifdef _WIN32
// A path as the file system compares it: ignoring letter case, in the
// ANSI code page.
std::string PathKey(const std::string& path) {
    std::string key = path;
    const int length = static_cast<int>(key.size());
    if (length > 0) LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, path.data(), length, &key[0], length);
    return key;
}
#else
std::string PathKey(const std::string& path) { return path; }
#endif

// A name as a folder of the game's files compares it: ignoring letter case.
std::string NameKey(const std::string& name) {
#ifdef _WIN32
    return PathKey(name);
#else
    return LowerAsciiText(name);
#endif
}

// name without its extension (from its last '.').
std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

uint32_t SizeInKib(uint64_t bytes) {
    uint64_t kib = bytes / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kib);
}

bool WrittenInRun(const FolderRun& run, const std::string& path) { return run.written.count(PathKey(path)) != 0; }

// Extracts the file of a pass named name, in channels or as the hooks
// choose; notes what it wrote in run.
ConvStatus ExtractPassFile(const std::string& name, int channels, const char* sourceFolder,
                           const char* destinationFolder, FolderRun* run, const FolderHooks* hooks) {
    std::string source, destination;
    ConvStatus status = JoinPath(sourceFolder, name.c_str(), &source);
    if (status == CONV_OK) status = FolderDestination(*run, destinationFolder, name.c_str(), &destination);
    if (status != CONV_OK) return status;
    if (hooks->chooseChannels) channels = hooks->chooseChannels(hooks->context, source.c_str(), channels);
    // Reapplied for every file: an action run in between may have
    // rewritten the sound description.
    ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
    SilenceCut cut;
    status = ExtractSoundFileWith(source.c_str(), destination.c_str(), hooks->whole, &cut);
    if (status != CONV_OK) return status;
    if (hooks->cutMeasured) hooks->cutMeasured(hooks->context, source.c_str(), cut);
    NoteWritten(run, destination);
    return CONV_OK;
}

}  // namespace

#ifdef _WIN32
ConvStatus ListPassFiles(const char* folder, const char* extension, std::vector<PassFile>* files) {
    files->clear();
    std::string pattern;
    if (JoinPath(folder, "*", &pattern) != CONV_OK) return CONV_PATH_TOO_LONG;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? CONV_OK : CONV_CANNOT_OPEN_SOURCE;
    }
    do {
        // The long name only: the short 8.3 alias would let "boom.wadx" in.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!HasExtension(found.cFileName, extension)) continue;
        uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        files->push_back({found.cFileName, SizeInKib(size)});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return CONV_OK;
}
#else
ConvStatus ListPassFiles(const char* folder, const char* extension, std::vector<PassFile>* files) {
    files->clear();
    DIR* directory = opendir(folder);
    if (!directory) return CONV_CANNOT_OPEN_SOURCE;
    while (dirent* entry = readdir(directory)) {
        if (!HasExtension(entry->d_name, extension)) continue;
        std::string path;
        struct stat info;
        if (JoinPath(folder, entry->d_name, &path) != CONV_OK || stat(path.c_str(), &info) != 0) {
            files->push_back({entry->d_name, 0});  // fails when converted, and says why
            continue;
        }
        if (S_ISREG(info.st_mode)) files->push_back({entry->d_name, SizeInKib(static_cast<uint64_t>(info.st_size))});
    }
    closedir(directory);
    std::sort(files->begin(), files->end(), [](const PassFile& a, const PassFile& b) { return a.name < b.name; });
    return CONV_OK;
}
#endif

void NoteWritten(FolderRun* run, const std::string& path) {
    run->written.insert(PathKey(path));
    run->lastWritten = path;
}

uint32_t AdvanceProgress(uint32_t progress, uint32_t kib, uint32_t total, int index, int count) {
    uint64_t position;
    if (total == 0)
        position = count > 0 ? static_cast<uint64_t>(index) * PROGRESS_END / static_cast<uint64_t>(count) : 0;
    else
        position = progress + static_cast<uint64_t>(kib) * PROGRESS_END / total;
    return position > PROGRESS_END ? PROGRESS_END : static_cast<uint32_t>(position);
}

ConvStatus FolderDestination(const FolderRun& run, const char* folder, const char* name, std::string* path) {
    const std::string base = name;
    std::string proposal = WavPathFor(base);
    for (int attempt = 1;; ++attempt) {
        ConvStatus status = JoinPath(folder, proposal.c_str(), path);
        if (status != CONV_OK || !WrittenInRun(run, *path)) return status;
        proposal = base + (attempt == 1 ? std::string() : "." + std::to_string(attempt)) + ".wav";
    }
}

std::vector<std::string> PackCounterparts(const std::vector<std::string>& packedNames, const std::string& wavName) {
    const std::string stem = NameKey(Stem(wavName));
    std::vector<std::string> found;
    for (const std::string& name : packedNames)
        if (NameKey(Stem(name)) == stem || NameKey(name) == stem) found.push_back(name);
    return found;
}

int RunFolderPass(const std::vector<PassFile>& files, int channels, const char* sourceFolder,
                  const char* destinationFolder, FolderRun* run, const FolderHooks* hooks) {
    uint32_t total = 0;
    for (const PassFile& file : files) total += file.kib;
    const int count = static_cast<int>(files.size());
    int result = count > 0 ? 1 : 0;
    uint32_t progress = 0;
    for (int index = 1; index <= count; ++index) {
        const PassFile& file = files[static_cast<size_t>(index - 1)];
        if (hooks->fileStarting) hooks->fileStarting(hooks->context, index, count);
        if (hooks->stopRequested && hooks->stopRequested(hooks->context)) return result;
        const ConvStatus status = ExtractPassFile(file.name, channels, sourceFolder, destinationFolder, run, hooks);
        if (status != CONV_OK) result = 0;
        progress = AdvanceProgress(progress, file.kib, total, index, count);
        if (hooks->fileDone) hooks->fileDone(hooks->context, file.name.c_str(), status, progress);
    }
    return result;
}
