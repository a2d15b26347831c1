// The three conversions from the command line, over the same core
// functions as the window: ExtractSoundFileStatus with the channel rule,
// RunFolderPass for the three passes, PackSoundFileStatus.
#include "cli/commands.h"

#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/paths.h"
#include "cli/progress.h"
#include "conversion/extraction.h"
#include "conversion/folder_passes.h"
#include "conversion/packing.h"
#include "conversion/presets.h"

namespace {

// True when status is about the output file rather than the input.
bool ConcernsOutput(ConvStatus status) {
    return status == CONV_CANNOT_OPEN_DESTINATION || status == CONV_NOT_REGULAR_FILE ||
           status == CONV_WRITE_FAILED || status == CONV_PATH_TOO_LONG;
}

int ReportFailure(const std::string& source, const std::string& destination, ConvStatus status) {
    ErrorLine((ConcernsOutput(status) ? destination : source) + ": " + DescribeConvStatus(status));
    return EXIT_CONVERSION_FAILED;
}

// A conversion must not replace its own input: the input would be lost.
bool RefuseSameFile(const std::string& source, const std::string& destination) {
    if (!SameExistingFile(source, destination)) return false;
    ErrorLine(destination + ": the output would replace the input");
    return true;
}

// A folder is read by the passes, not converted as a file.
bool RefuseFolderSource(const std::string& source) {
    if (!IsFolder(source)) return false;
    ErrorLine(source + ": is a folder");
    return true;
}

const char* ChannelsName(int channels) { return channels == 2 ? "stereo" : "mono"; }

// Makes sure destination is a folder, creating it when missing.
bool PrepareDestinationFolder(const CliRequest& request, const std::string& destination) {
    if (IsFolder(destination)) return true;
    if (PathExists(destination)) {
        ErrorLine(destination + ": not a folder");
        return false;
    }
    if (!CreateFolder(destination)) {
        ErrorLine(destination + ": cannot create the folder");
        return false;
    }
    if (request.verbose) ErrorLine("created " + destination);
    return true;
}

}  // namespace

int RunExtract(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string destination = request.paths.size() > 1 ? request.paths[1] : WavPathFor(source);
    if (RefuseFolderSource(source) || RefuseSameFile(source, destination)) return EXIT_CONVERSION_FAILED;
    // The window's rule: the extension runs from the last '.' of the path.
    const char* extension = PathExtension(source.c_str());
    ApplyChannelRule(request.force, extension);
    ConvStatus status = ExtractSoundFileStatus(source.c_str(), destination.c_str());
    if (status != CONV_OK) return ReportFailure(source, destination, status);
    if (request.verbose)
        ErrorLine("wrote " + destination + " (" + source + " read as " +
                  ChannelsName(ChannelsForExtension(request.force, extension)) + ")");
    return EXIT_CONVERTED;
}

int RunExtractFolder(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string& destination = request.paths[1];
    // RunFolderPass treats an unreadable folder as one without files; the
    // command line tells the two apart before it starts.
    std::vector<PassFile> lists[FOLDER_PASS_COUNT];
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        if (ListPassFiles(source.c_str(), FOLDER_PASSES[pass].extension, &lists[pass]) != CONV_OK) {
            ErrorLine(source + ": cannot open the folder");
            return EXIT_CONVERSION_FAILED;
        }
    }
    FolderProgress progress;
    progress.bar = ErrorIsTerminal();
    progress.quiet = request.quiet;
    progress.verbose = request.verbose;
    progress.sourceFolder = source;
    progress.destinationFolder = destination;
    FolderRun run;
    progress.run = &run;
    StartFolderProgress(&progress, lists, FOLDER_PASS_COUNT);
    if (progress.totalFiles > 0 && !PrepareDestinationFolder(request, destination)) return EXIT_CONVERSION_FAILED;
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        const int channels = ChannelsForExtension(request.force, FOLDER_PASSES[pass].extension);
        FolderHooks hooks = BeginPassProgress(&progress, lists[pass]);
        const size_t failuresBefore = progress.failures.size();
        const int converted = RunFolderPass(FOLDER_PASSES[pass].extension, channels, source.c_str(),
                                            destination.c_str(), &run, &hooks);
        // A pass that failed without a failing file lost its folder.
        if (!converted && !lists[pass].empty() && progress.failures.size() == failuresBefore)
            AddFolderFailure(&progress, source + ": cannot open the folder");
        EndPassProgress(&progress);
    }
    FinishFolderProgress(&progress);
    return progress.failures.empty() ? EXIT_CONVERTED : EXIT_CONVERSION_FAILED;
}

int RunPack(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string& destination = request.paths[1];
    if (RefuseFolderSource(source) || RefuseSameFile(source, destination)) return EXIT_CONVERSION_FAILED;
    // The status form: PackSoundFile would show its failures in a message box.
    ConvStatus status = PackSoundFileStatus(source.c_str(), destination.c_str());
    if (status != CONV_OK) return ReportFailure(source, destination, status);
    if (request.verbose) ErrorLine("wrote " + destination + " (packed from " + source + ")");
    return EXIT_CONVERTED;
}
