// velkmar-cli: the window's conversions from the command line, for
// scripts and batch jobs, natively and as a Windows console program.
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "conversion/globals.h"
#include "resources/version.h"

namespace {

// The command line calls only the status forms of the conversions, which
// show nothing; should a core message ever come up, it goes to standard
// error, never into a message box.
void MessageToStandardError(const char* text, const char* caption, MessageIcon) {
    ErrorLine(std::string(caption) + ": " + text);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // No system dialog for a drive without a medium or a file it cannot open.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
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
    case CMD_NONE:
        break;
    }
    return EXIT_USAGE;
}
