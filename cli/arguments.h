// The command line of velkmar-cli: its commands, their paths and the
// options, and the usage and help texts.
#ifndef VELKMAR_CLI_ARGUMENTS_H
#define VELKMAR_CLI_ARGUMENTS_H

#include <string>
#include <vector>

#include "conversion/files/presets.h"

enum CliCommand {
    CMD_NONE, CMD_HELP, CMD_VERSION, CMD_EXTRACT, CMD_EXTRACT_FOLDER, CMD_PACK, CMD_PACK_FOLDER, CMD_INFO
};

struct CliRequest {
    CliCommand command;
    std::vector<std::string> paths;  // the command's operands, in order
    ChannelForce force;              // --mono / --stereo
    std::string packExtension;       // --ext: ".wad", ".adx" or ".adp"; empty when not given
    bool autoMode;                   // --auto: the mode a packed file's blocks show
    bool whole;                      // --whole: no silence cut
    bool json;                       // --json
    bool verbose;
    bool quiet;
};

// Parses argv[1] to argv[argc - 1]. Options may stand anywhere; "--" ends
// them. --help and --version take effect where they stand. Returns true
// with request filled, or false with a one-line reason in error;
// request->command then names the command whose usage line fits (CMD_NONE
// when none was recognised).
bool ParseArguments(int argc, char** argv, CliRequest* request, std::string* error);

// The usage line of command, or of all commands for CMD_NONE.
std::string UsageLine(CliCommand command);

// The text that --help prints.
std::string HelpText();

#endif
