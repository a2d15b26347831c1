// What velkmar-cli writes: messages on standard error, help and version
// on standard output. Paths are written as the system gave them (UTF-8 on
// Linux, the ANSI code page on Windows, converted for a console there).
#ifndef VELKMAR_CLI_OUTPUT_H
#define VELKMAR_CLI_OUTPUT_H

#include <string>

// True when standard error is a terminal (a console on Windows).
bool ErrorIsTerminal();

// Writes text to standard error as it is.
void WriteError(const std::string& text);

// Writes "velkmar-cli: text" and a newline to standard error.
void ErrorLine(const std::string& text);

// Writes text to standard output as it is.
void WriteOut(const std::string& text);

// A path as the system gave it, in UTF-8 (for JSON): converted from the
// ANSI code page on Windows, as it is elsewhere.
std::string ToUtf8(const std::string& text);

#endif
