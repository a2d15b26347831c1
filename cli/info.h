// velkmar-cli info: what a packed file or a WAV file holds, for people or,
// with --json, for scripts.
#ifndef VELKMAR_CLI_INFO_H
#define VELKMAR_CLI_INFO_H

#include "cli/arguments.h"

// info FILE...: describes each file on standard output. Returns 0, or 1
// when a file could not be read (a line on standard error names it).
int RunInfo(const CliRequest& request);

#endif
