// The commands of velkmar-cli. Each returns the program's exit status.
#ifndef VELKMAR_CLI_COMMANDS_H
#define VELKMAR_CLI_COMMANDS_H

#include "cli/arguments.h"

const int EXIT_CONVERTED = 0;
const int EXIT_CONVERSION_FAILED = 1;
const int EXIT_USAGE = 2;

// extract IN [OUT]: one packed file to a WAV file, with the window's
// channel rule.
int RunExtract(const CliRequest& request);

// extract-folder SRC DST: the window's three passes over a folder.
int RunExtractFolder(const CliRequest& request);

// pack IN.wav OUT: a PCM WAV file to a packed file.
int RunPack(const CliRequest& request);

#endif
