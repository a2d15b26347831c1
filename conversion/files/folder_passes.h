// The rules of a folder extraction, shared by the window and the command
// line: which files a pass takes, where each one goes, how far the
// progress bar moves, and the pass itself, which reports and is steered
// through a few hooks.
//
// A folder extraction makes three passes over the source folder: "*.wad"
// files read as mono, "*.adx" as stereo, "*.adp" as mono, unless a
// channel mode is forced. A pass takes only names whose extension is
// exactly its own, ignoring letter case.
#ifndef VELKMAR_CONVERSION_FILES_FOLDER_PASSES_H
#define VELKMAR_CONVERSION_FILES_FOLDER_PASSES_H

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "conversion/files/conversion_status.h"
#include "conversion/files/extraction.h"
#include "conversion/files/paths.h"

// The three passes in their order: search pattern and extension.
struct FolderPassKind {
    const char* pattern;    // "*.wad"
    const char* extension;  // ".wad"
};
const int FOLDER_PASS_COUNT = 3;
extern const FolderPassKind FOLDER_PASSES[FOLDER_PASS_COUNT];

// The progress bar's range is 0 to PROGRESS_END.
const uint32_t PROGRESS_END = 65535;

// A file that a pass takes: its name within the folder and its size in
// whole KiB.
struct PassFile {
    std::string name;
    uint32_t kib;
};

// What lasts over the passes of one folder extraction: the destination
// paths it has written, so that a later pass does not overwrite them.
struct FolderRun {
    std::unordered_set<std::string> written;  // paths as the file system compares them
    std::string lastWritten;                  // the most recent one, as written
};

// Records that the run has written path.
void NoteWritten(FolderRun* run, const std::string& path);

// How a pass reports and is steered. Every hook may be null.
struct FolderHooks {
    void* context;
    // Before file index (from 1) of count; the window shows "Файл %d из %d".
    void (*fileStarting)(void* context, int index, int count);
    // True when the user asked to stop; the pass ends before this file.
    int (*stopRequested)(void* context);
    // After a file: its name, the outcome, the new progress position.
    void (*fileDone)(void* context, const char* name, ConvStatus status, uint32_t progress);
    // Before a file is read: the channels to read source with (1 or 2),
    // given the pass's own.
    int (*chooseChannels)(void* context, const char* source, int channels);
    // After a file is converted: where the silence cut fell.
    void (*cutMeasured)(void* context, const char* source, const SilenceCut& cut);
    bool whole;  // every file without the silence cut
};

// Lists the regular files of folder whose extension is extension (".wad"),
// ignoring case, in the order the system delivers them (sorted by name
// natively). Returns CONV_OK, or CONV_CANNOT_OPEN_SOURCE when the folder
// cannot be read.
ConvStatus ListPassFiles(const char* folder, const char* extension, std::vector<PassFile>* files);

// The progress after a file of kib KiB: progress + kib * PROGRESS_END /
// total, rounded down. When the pass's files total 0 KiB the bar moves by
// file count instead: index * PROGRESS_END / count.
uint32_t AdvanceProgress(uint32_t progress, uint32_t kib, uint32_t total, int index, int count);

// The destination path for name in folder: name with everything from its
// last '.' replaced by ".wav". When this run has written that path
// already, name + ".wav" (then name + ".2.wav", ...). Returns
// CONV_PATH_TOO_LONG when the path does not fit the platform's path buffer.
ConvStatus FolderDestination(const FolderRun& run, const char* folder, const char* name, std::string* path);

// The packed files that the WAV named wavName goes back into, among
// packedNames (the packed files of the destination folder): those with the
// WAV's name apart from the extension, and the one that is the WAV's name
// without ".wav" (a folder extraction names the second "boom" it meets
// "boom.adp.wav"). Letter case is ignored. Exactly one is a counterpart;
// none or several leave the WAV without one.
std::vector<std::string> PackCounterparts(const std::vector<std::string>& packedNames, const std::string& wavName);

// One pass: extracts files (as ListPassFiles listed them in sourceFolder)
// into destinationFolder, each read in channels (1 or 2, or what
// hooks->chooseChannels says), applied before every file. Returns 1 when
// every file converted, 0 when a file failed or there were none. A stop
// request ends the pass before its next file and returns what was
// converted so far.
int RunFolderPass(const std::vector<PassFile>& files, int channels, const char* sourceFolder,
                  const char* destinationFolder, FolderRun* run, const FolderHooks* hooks);

#endif
