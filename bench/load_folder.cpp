// Load measurement of a folder extraction: makes folders of packed files
// and extracts them with the three passes, as the window and the command
// line do, reporting the count each pass showed, the outcome and the
// memory held.
//   load_folder make FOLDER SMALL LARGE_MIB...  writes SMALL small files
//       (2 to 8 KiB; .wad, .adx and .adp, 8:1:1) and one large file of
//       each LARGE_MIB MiB (.wad, .adx, .adp in turn) into FOLDER
//   load_folder extract SOURCE DESTINATION       extracts and reports
// Resident memory is read from /proc/self/statm after every file; the
// peak is the process's high-water mark (getrusage).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "conversion/files/folder_passes.h"
#include "conversion/files/presets.h"

namespace {

// Deterministic blocks that decode to noise: no long silence, so nothing
// is cut and every byte of the WAV is written.
void WriteBlocks(const std::string& path, size_t bytes, unsigned channels, unsigned seed) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    const size_t block = 36u * channels;
    std::vector<unsigned char> buffer(block * 1024);
    unsigned state = seed * 2654435761u + 1;
    for (size_t written = 0; written < bytes;) {
        for (size_t i = 0; i < buffer.size(); ++i) {
            state = state * 1103515245u + 12345u;
            buffer[i] = static_cast<unsigned char>(state >> 16);
        }
        for (size_t b = 0; b < buffer.size(); b += block)
            for (unsigned c = 0; c < channels; ++c) {
                buffer[b + 4 * c + 2] = static_cast<unsigned char>(buffer[b + 4 * c + 2] % 60);
                buffer[b + 4 * c + 3] = 0;
            }
        const size_t chunk = bytes - written < buffer.size() ? bytes - written : buffer.size();
        std::fwrite(buffer.data(), 1, chunk, file);
        written += chunk;
    }
    std::fclose(file);
}

int Make(const std::string& folder, int small, const std::vector<long>& largeMib) {
    const char* kinds[3] = {".wad", ".adx", ".adp"};
    for (int i = 0; i < small; ++i) {
        const int kind = i % 10 == 8 ? 1 : i % 10 == 9 ? 2 : 0;
        char name[64];
        std::snprintf(name, sizeof name, "/small%05d%s", i, kinds[kind]);
        WriteBlocks(folder + name, 2048 + static_cast<size_t>(i % 7) * 1008, kind == 1 ? 2 : 1, static_cast<unsigned>(i));
    }
    for (size_t i = 0; i < largeMib.size(); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/large%zu%s", i, kinds[i % 3]);
        WriteBlocks(folder + name, static_cast<size_t>(largeMib[i]) << 20, i % 3 == 1 ? 2 : 1,
                    static_cast<unsigned>(100000 + i));
    }
    return 0;
}

double ResidentMib() {
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

double PeakMib() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

struct Tally {
    int shownCount = 0;  // the count of "Файл %d из %d"
    int lastIndex = 0;
    int converted = 0;
    int failed = 0;
    int done = 0;
    double residentAtTenth = 0;  // after the first tenth of the files
    double residentAtEnd = 0;    // after the last file
    int totalFiles = 0;
};

void FileStarting(void* context, int index, int count) {
    Tally* tally = static_cast<Tally*>(context);
    tally->shownCount = count;
    tally->lastIndex = index;
}

void FileDone(void* context, const char*, ConvStatus status, uint32_t) {
    Tally* tally = static_cast<Tally*>(context);
    if (status == CONV_OK)
        ++tally->converted;
    else
        ++tally->failed;
    ++tally->done;
    const double resident = ResidentMib();
    tally->residentAtEnd = resident;
    if (tally->done == tally->totalFiles / 10) tally->residentAtTenth = resident;
}

int Extract(const char* source, const char* destination) {
    std::vector<PassFile> lists[FOLDER_PASS_COUNT];
    Tally tally;
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        ListPassFiles(source, FOLDER_PASSES[pass].extension, &lists[pass]);
        tally.totalFiles += static_cast<int>(lists[pass].size());
    }
    const double before = ResidentMib();
    FolderRun run;
    int failures = 0;
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        FolderHooks hooks = {&tally, FileStarting, nullptr, FileDone, nullptr, nullptr, false};
        tally.shownCount = 0;
        tally.lastIndex = 0;
        const int channels = ChannelsForExtension(FORCE_NONE, FOLDER_PASSES[pass].extension);
        const int result = RunFolderPass(lists[pass], channels, source, destination, &run, &hooks);
        const int expected = static_cast<int>(lists[pass].size());
        std::printf("pass %s: shown \"Файл %d из %d\" last, %zu files in the folder, result %d\n",
                    FOLDER_PASSES[pass].pattern, tally.lastIndex, tally.shownCount, lists[pass].size(), result);
        if (tally.shownCount != expected || tally.lastIndex != expected) ++failures;
    }
    std::printf("files: %d converted, %d failed, of %d\n", tally.converted, tally.failed, tally.totalFiles);
    std::printf("resident before the first file: %.1f MiB", before);
    if (tally.totalFiles >= 10) std::printf(", after a tenth of them: %.1f MiB", tally.residentAtTenth);
    std::printf(", after the last: %.1f MiB\n", tally.residentAtEnd);
    std::printf("peak resident (high-water mark): %.1f MiB\n", PeakMib());
    return failures == 0 && tally.failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "make") == 0) {
        std::vector<long> large;
        for (int i = 4; i < argc; ++i) large.push_back(std::atol(argv[i]));
        return Make(argv[2], std::atoi(argv[3]), large);
    }
    if (argc == 4 && std::strcmp(argv[1], "extract") == 0) return Extract(argv[2], argv[3]);
    std::fprintf(stderr, "usage: load_folder make FOLDER SMALL [LARGE_MIB...] | extract SOURCE DESTINATION\n");
    return 2;
}
