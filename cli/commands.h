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

// pack IN.wav OUT: a WAV file to a packed file, in the mode OUT is read in.
int RunPack(const CliRequest& request);

// pack-folder SRC DST: every WAV of SRC into the packed file of its name
// in DST (or NAME.EXT with --ext).
int RunPackFolder(const CliRequest& request);

#endif
