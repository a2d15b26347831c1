// The conversions from the command line, over the same core functions as
// the window: ExtractSoundFileStatus with the channel rule, RunFolderPass
// for the three passes, PackSoundFileStatus for one WAV or a folder of
// them.
#include "cli/commands.h"

#include <string>
#include <vector>

#include "cli/modes.h"
#include "cli/output.h"
#include "cli/paths.h"
#include "cli/progress.h"
#include "conversion/files/extraction.h"
#include "conversion/files/folder_passes.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"

namespace {

// True when status is about the output file rather than the input.
bool ConcernsOutput(ConvStatus status) {
    return status == CONV_CANNOT_OPEN_DESTINATION || status == CONV_NOT_REGULAR_FILE ||
           status == CONV_WRITE_FAILED || status == CONV_PATH_TOO_LONG;
}

// Why a packing failed: the WAV's refused format said plainly, else the
// status's reason.
std::string PackFailure(ConvStatus status, const PackReport& report) {
    if (status == CONV_UNSUPPORTED_FORMAT && report.parsed) return DescribeWavRefusal(report.layout, report.refusal);
    return DescribeConvStatus(status);
}

int ReportFailure(const std::string& source, const std::string& destination, ConvStatus status,
                  const std::string& reason) {
    ErrorLine((ConcernsOutput(status) ? destination : source) + ": " + reason);
    return EXIT_CONVERSION_FAILED;
}

int ReportFailure(const std::string& source, const std::string& destination, ConvStatus status) {
    return ReportFailure(source, destination, status, DescribeConvStatus(status));
}

// What decided the mode of a packed file, for the conversion note.
std::string ModeReason(ChannelForce force, const std::string& destination) {
    if (force == FORCE_MONO) return "as --mono asks";
    if (force == FORCE_STEREO) return "as --stereo asks";
    const char* extension = PathExtension(destination.c_str());
    return extension ? std::string("for ") + extension : "for a name without extension";
}

// "voice.wav: 48000 Hz resampled to 44100 Hz; ..." unless nothing changed.
void NoteConversion(const CliRequest& request, const std::string& source, const std::string& destination,
                    const PackReport& report) {
    if (request.quiet) return;
    const std::string note = DescribeGamePcm(report.layout, report.channels, ModeReason(request.force, destination));
    if (!note.empty()) ErrorLine(source + ": " + note);
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

// How a folder run shows itself, from the options.
FolderProgress NewFolderProgress(const CliRequest& request, const std::string& source, const std::string& destination,
                                 const std::string& sought) {
    FolderProgress progress;
    progress.bar = ErrorIsTerminal();
    progress.quiet = request.quiet;
    progress.verbose = request.verbose;
    progress.sourceFolder = source;
    progress.destinationFolder = destination;
    progress.sought = sought;
    progress.owner = &request;
    return progress;
}

// A folder pass's hooks: each file's mode, and the notes about it.
int ChooseFolderFileMode(void* context, const char* source, int channels) {
    FolderProgress* progress = static_cast<FolderProgress*>(context);
    const CliRequest& request = *static_cast<const CliRequest*>(progress->owner);
    const ModeChoice mode = ChooseMode(request, source, channels);
    const std::string note = ModeNote(request, source, mode);
    if (!note.empty()) ProgressNote(progress, note);
    return mode.channels;
}

void NoteFolderFileCut(void* context, const char* source, const SilenceCut& cut) {
    FolderProgress* progress = static_cast<FolderProgress*>(context);
    const std::string note = CutNote(*static_cast<const CliRequest*>(progress->owner), source, cut);
    if (!note.empty()) ProgressNote(progress, note);
}

// Packs the WAV named wavName of SRC into its counterpart among the packed
// files of DST (or NAME.EXT with --ext). Returns why it was skipped or
// failed; empty when packed.
std::string PackIntoCounterpart(const CliRequest& request, const std::vector<std::string>& packedNames,
                                const std::string& wavName, FolderRun* run) {
    const std::string& source = request.paths[0];
    const std::string& destination = request.paths[1];
    const std::vector<std::string> counterparts = PackCounterparts(packedNames, wavName);
    if (counterparts.size() > 1)
        return "skipped: " + counterparts[0] + " and " + counterparts[1] + " both stand in " + destination;
    std::string target = counterparts.empty() ? std::string() : counterparts[0];
    if (target.empty() && !request.packExtension.empty())
        target = wavName.substr(0, wavName.rfind('.')) + request.packExtension;
    if (target.empty()) return "skipped: no packed file of that name in " + destination + " (--ext names one)";
    std::string from, to;
    ConvStatus status = JoinPath(source.c_str(), wavName.c_str(), &from);
    if (status == CONV_OK) status = JoinPath(destination.c_str(), target.c_str(), &to);
    PackReport report = {};
    if (status == CONV_OK) status = PackSoundFileStatus(from.c_str(), to.c_str(), request.force, &report);
    if (status != CONV_OK) return PackFailure(status, report);
    NoteWritten(run, to);
    return std::string();
}

}  // namespace

int RunExtract(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string destination = request.paths.size() > 1 ? request.paths[1] : WavPathFor(source);
    if (RefuseFolderSource(source) || RefuseSameFile(source, destination)) return EXIT_CONVERSION_FAILED;
    // The window's rule: the extension runs from the last '.' of the path.
    const ModeChoice mode = ChooseMode(request, source, ChannelsForExtension(request.force, PathExtension(source.c_str())));
    ApplyChannelRule(mode.channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
    SilenceCut cut;
    ConvStatus status = ExtractSoundFileWith(source.c_str(), destination.c_str(), request.whole, &cut);
    if (status != CONV_OK) return ReportFailure(source, destination, status);
    for (const std::string& note : {ModeNote(request, source, mode), CutNote(request, source, cut)})
        if (!note.empty()) ErrorLine(note);
    if (request.verbose)
        ErrorLine("wrote " + destination + " (" + source + " read as " + ModeName(mode.channels) + ")");
    return EXIT_CONVERTED;
}

int RunExtractFolder(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string& destination = request.paths[1];
    // Each folder is listed once, before anything starts: an unreadable
    // folder is told apart from one without files.
    std::vector<PassFile> lists[FOLDER_PASS_COUNT];
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        if (ListPassFiles(source.c_str(), FOLDER_PASSES[pass].extension, &lists[pass]) != CONV_OK) {
            ErrorLine(source + ": cannot open the folder");
            return EXIT_CONVERSION_FAILED;
        }
    }
    FolderProgress progress = NewFolderProgress(request, source, destination, ".wad, .adx or .adp");
    FolderRun run;
    progress.run = &run;
    StartFolderProgress(&progress, lists, FOLDER_PASS_COUNT);
    if (progress.totalFiles > 0 && !PrepareDestinationFolder(request, destination)) return EXIT_CONVERSION_FAILED;
    for (int pass = 0; pass < FOLDER_PASS_COUNT; ++pass) {
        const int channels = ChannelsForExtension(request.force, FOLDER_PASSES[pass].extension);
        FolderHooks hooks = BeginPassProgress(&progress, lists[pass]);
        hooks.chooseChannels = ChooseFolderFileMode;
        hooks.cutMeasured = NoteFolderFileCut;
        hooks.whole = request.whole;
        RunFolderPass(lists[pass], channels, source.c_str(), destination.c_str(), &run, &hooks);
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
    PackReport report;
    ConvStatus status = PackSoundFileStatus(source.c_str(), destination.c_str(), request.force, &report);
    if (status != CONV_OK) return ReportFailure(source, destination, status, PackFailure(status, report));
    NoteConversion(request, source, destination, report);
    if (request.verbose) ErrorLine("wrote " + destination + " (packed from " + source + ")");
    return EXIT_CONVERTED;
}

int RunPackFolder(const CliRequest& request) {
    const std::string& source = request.paths[0];
    const std::string& destination = request.paths[1];
    std::vector<PassFile> wavs;
    if (ListPassFiles(source.c_str(), ".wav", &wavs) != CONV_OK) {
        ErrorLine(source + ": cannot open the folder");
        return EXIT_CONVERSION_FAILED;
    }
    // Without --ext every WAV goes back into a packed file that stands in
    // DST already; with it, DST may be new.
    if (request.packExtension.empty() && !IsFolder(destination)) {
        ErrorLine(destination + ": cannot open the folder");
        return EXIT_CONVERSION_FAILED;
    }
    if (!wavs.empty() && !PrepareDestinationFolder(request, destination)) return EXIT_CONVERSION_FAILED;
    std::vector<std::string> packedNames;
    for (const FolderPassKind& kind : FOLDER_PASSES) {
        std::vector<PassFile> files;
        if (ListPassFiles(destination.c_str(), kind.extension, &files) != CONV_OK) files.clear();
        for (const PassFile& file : files) packedNames.push_back(file.name);
    }
    FolderProgress progress = NewFolderProgress(request, source, destination, ".wav");
    FolderRun run;
    progress.run = &run;
    StartFolderProgress(&progress, &wavs, 1);
    FolderHooks hooks = BeginPassProgress(&progress, wavs);
    uint32_t total = 0;
    for (const PassFile& wav : wavs) total += wav.kib;
    uint32_t position = 0;
    const int count = static_cast<int>(wavs.size());
    for (int index = 1; index <= count; ++index) {
        const PassFile& wav = wavs[static_cast<size_t>(index - 1)];
        hooks.fileStarting(hooks.context, index, count);
        const std::string failure = PackIntoCounterpart(request, packedNames, wav.name, &run);
        position = AdvanceProgress(position, wav.kib, total, index, count);
        ReportFile(&progress, wav.name.c_str(), failure, position);
    }
    EndPassProgress(&progress);
    FinishFolderProgress(&progress);
    return progress.failures.empty() ? EXIT_CONVERTED : EXIT_CONVERSION_FAILED;
}
