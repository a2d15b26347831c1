// What a folder extraction shows: while it runs, a progress bar when
// standard error is a terminal and a line per file otherwise; at its end,
// a summary with every failure and its reason.
#ifndef VELKMAR_CLI_PROGRESS_H
#define VELKMAR_CLI_PROGRESS_H

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/files/folder_passes.h"

struct FolderProgress {
    // How to show it, fixed for the run.
    bool bar;      // a bar instead of a line per file
    bool quiet;    // nothing while running; a summary only after failures
    bool verbose;  // under the bar, also a line per file written
    std::string sourceFolder;
    std::string destinationFolder;
    std::string sought;  // the files looked for: ".wad, .adx or .adp"
    const FolderRun* run;  // names the file each success wrote
    const void* owner;     // the command's own, for hooks of its own
    // The whole run, as listed before it started.
    int totalFiles;
    uint64_t totalKib;
    // The pass in hand.
    int filesBefore;  // files of the passes already run
    uint64_t kibBefore;
    int passFiles;
    uint64_t passKib;
    uint32_t passPosition;  // the pass's bar position after its last file
    int current;  // number of the file in hand within the whole run
    // The outcome.
    int converted;
    std::vector<std::string> failures;  // "path: reason"
    size_t barLength;                   // characters of the bar on screen
};

// Starts showing a run over the files of every pass, listed beforehand.
void StartFolderProgress(FolderProgress* progress, const std::vector<PassFile>* passLists, int passCount);

// Starts a pass over files; returns the hooks that RunFolderPass reports
// through.
FolderHooks BeginPassProgress(FolderProgress* progress, const std::vector<PassFile>& files);

// Reports a file of the pass in hand that did not go through RunFolderPass:
// converted when failure is empty, else failed or skipped for that reason.
// position is the pass's new bar position.
void ReportFile(FolderProgress* progress, const char* name, const std::string& failure, uint32_t position);

// Writes a note about the file in hand ("velkmar-cli: " and text) above
// the bar, unless quiet.
void ProgressNote(FolderProgress* progress, const std::string& text);

// Ends the pass begun last.
void EndPassProgress(FolderProgress* progress);

// Ends the bar and writes the summary.
void FinishFolderProgress(FolderProgress* progress);

#endif
