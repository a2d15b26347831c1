// Progress and summary of a folder extraction on standard error.
#include "cli/progress.h"

#include <cstdio>

#include "cli/output.h"

namespace {

const int BAR_CELLS = 30;

uint64_t KibOf(const std::vector<PassFile>& files) {
    uint64_t kib = 0;
    for (const PassFile& file : files) kib += file.kib;
    return kib;
}

std::string CountOfFiles(int count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// The share of the run done, in parts of a whole: the passes before this
// one and this one's bar position, weighted by their sizes (by their file
// counts when every file is under 1 KiB).
void RunShare(const FolderProgress& progress, uint32_t passPosition, uint64_t* part, uint64_t* whole) {
    if (progress.totalKib > 0) {
        *part = progress.kibBefore * PROGRESS_END + passPosition * progress.passKib;
        *whole = progress.totalKib * PROGRESS_END;
    } else {
        *part = static_cast<uint64_t>(progress.filesBefore) * PROGRESS_END +
                passPosition * static_cast<uint64_t>(progress.passFiles);
        *whole = static_cast<uint64_t>(progress.totalFiles) * PROGRESS_END;
    }
    if (*whole == 0) *whole = 1;
    if (*part > *whole) *part = *whole;
}

void EraseBar(FolderProgress* progress) {
    if (progress->barLength == 0) return;
    WriteError("\r" + std::string(progress->barLength, ' ') + "\r");
    progress->barLength = 0;
}

// Draws "  42% [#########.....] file 3 of 7" over the bar on screen.
void DrawBar(FolderProgress* progress, uint64_t part, uint64_t whole) {
    const int cells = static_cast<int>(part * BAR_CELLS / whole);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(part * 100 / whole));
    std::string text = std::string(percent) + " [" + std::string(static_cast<size_t>(cells), '#') +
                       std::string(static_cast<size_t>(BAR_CELLS - cells), '.') + "] file " +
                       std::to_string(progress->current) + " of " + std::to_string(progress->totalFiles);
    WriteError("\r" + text);
    progress->barLength = text.size();
}

// A line about one file: above the bar, or on its own.
void FileLine(FolderProgress* progress, const std::string& line, uint64_t part, uint64_t whole) {
    if (!progress->bar) {
        WriteError(line + "\n");
        return;
    }
    EraseBar(progress);
    WriteError(line + "\n");
    DrawBar(progress, part, whole);
}

void FileStarting(void* context, int index, int) {
    FolderProgress* progress = static_cast<FolderProgress*>(context);
    progress->current = progress->filesBefore + index;
    if (progress->quiet || !progress->bar) return;
    uint64_t part, whole;
    RunShare(*progress, progress->passPosition, &part, &whole);
    DrawBar(progress, part, whole);
}

void FileDone(void* context, const char* name, ConvStatus status, uint32_t position) {
    ReportFile(static_cast<FolderProgress*>(context), name, status == CONV_OK ? std::string() : DescribeConvStatus(status),
               position);
}

}  // namespace

void ReportFile(FolderProgress* progress, const char* name, const std::string& failure, uint32_t position) {
    std::string source;
    if (JoinPath(progress->sourceFolder.c_str(), name, &source) != CONV_OK) source = name;
    const std::string counter = "[" + std::to_string(progress->current) + "/" +
                                std::to_string(progress->totalFiles) + "] ";
    std::string line;
    if (failure.empty()) {
        ++progress->converted;
        line = counter + source + " -> " + progress->run->lastWritten;
    } else {
        progress->failures.push_back(source + ": " + failure);
        line = counter + progress->failures.back();
    }
    progress->passPosition = position;
    if (progress->quiet) return;
    uint64_t part, whole;
    RunShare(*progress, position, &part, &whole);
    // The last file ends the run; rounding may leave the position short.
    if (progress->current >= progress->totalFiles) part = whole;
    if (!progress->bar || !failure.empty() || progress->verbose)
        FileLine(progress, line, part, whole);
    else
        DrawBar(progress, part, whole);
}

void StartFolderProgress(FolderProgress* progress, const std::vector<PassFile>* passLists, int passCount) {
    progress->totalFiles = 0;
    progress->totalKib = 0;
    for (int pass = 0; pass < passCount; ++pass) {
        progress->totalFiles += static_cast<int>(passLists[pass].size());
        progress->totalKib += KibOf(passLists[pass]);
    }
    progress->filesBefore = 0;
    progress->kibBefore = 0;
    progress->passFiles = 0;
    progress->passKib = 0;
    progress->passPosition = 0;
    progress->current = 0;
    progress->converted = 0;
    progress->failures.clear();
    progress->barLength = 0;
}

FolderHooks BeginPassProgress(FolderProgress* progress, const std::vector<PassFile>& files) {
    progress->passFiles = static_cast<int>(files.size());
    progress->passKib = KibOf(files);
    progress->passPosition = 0;
    return FolderHooks{progress, FileStarting, nullptr, FileDone, nullptr, nullptr, false};
}

void EndPassProgress(FolderProgress* progress) {
    progress->filesBefore += progress->passFiles;
    progress->kibBefore += progress->passKib;
    progress->passFiles = 0;
    progress->passKib = 0;
    progress->passPosition = 0;
}

void ProgressNote(FolderProgress* progress, const std::string& text) {
    if (progress->quiet) return;
    uint64_t part, whole;
    RunShare(*progress, progress->passPosition, &part, &whole);
    FileLine(progress, "velkmar-cli: " + text, part, whole);
}

void FinishFolderProgress(FolderProgress* progress) {
    if (progress->barLength > 0) {
        WriteError("\n");
        progress->barLength = 0;
    }
    if (progress->failures.empty()) {
        if (progress->quiet) return;
        if (progress->totalFiles == 0)
            ErrorLine("no " + progress->sought + " files in " + progress->sourceFolder);
        else
            ErrorLine(CountOfFiles(progress->converted) + " converted into " + progress->destinationFolder);
        return;
    }
    ErrorLine(std::to_string(progress->converted) + " of " + CountOfFiles(progress->totalFiles) +
              " converted into " + progress->destinationFolder + "; " +
              std::to_string(progress->failures.size()) + " failed:");
    for (const std::string& failure : progress->failures) ErrorLine(failure);
}
