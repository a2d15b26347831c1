// velkmar-cli: the window's conversions from the command line, for
// scripts and batch jobs, natively and as a Windows console program.
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/info.h"
#include "cli/output.h"
#include "conversion/files/file_access.h"
#include "conversion/files/globals.h"
#include "conversion/files/messages.h"
#include "resources/version.h"

namespace {

// The command line calls only the status forms of the conversions, which
// show nothing; should a core message ever come up, it goes to standard
// error as the program's own lines do.
void MessageToStandardError(const char* text, const char* caption, MessageIcon) {
    ErrorLine(std::string(caption) + ": " + text);
}

#ifndef _WIN32
// Ctrl+C, a hang-up or a kill in the middle of a file: the half-written
// temporary file goes, the destination was never touched, and the signal
// then ends the program as it would have.
void RemovePendingTemporary(int signal) {
    const char* temporary = g_pendingTemporary;
    if (temporary) unlink(temporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void CleanUpWhenInterrupted() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemovePendingTemporary);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // No system dialog for a drive without a medium or a file it cannot open.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
#else
    CleanUpWhenInterrupted();
#endif
    g_messageHook = MessageToStandardError;
    CliRequest request;
    std::string error;
    if (!ParseArguments(argc, argv, &request, &error)) {
        ErrorLine(error);
        WriteError(UsageLine(request.command) + "\n");
        return EXIT_USAGE;
    }
    switch (request.command) {
    case CMD_HELP:
        WriteOut(HelpText());
        return EXIT_CONVERTED;
    case CMD_VERSION:
        WriteOut("velkmar-cli " VELKMAR_VERSION_TEXT "\n");
        return EXIT_CONVERTED;
    case CMD_EXTRACT:
        return RunExtract(request);
    case CMD_EXTRACT_FOLDER:
        return RunExtractFolder(request);
    case CMD_PACK:
        return RunPack(request);
    case CMD_PACK_FOLDER:
        return RunPackFolder(request);
    case CMD_INFO:
        return RunInfo(request);
    case CMD_NONE:
        break;
    }
    return EXIT_USAGE;
}
