// Runs velkmar-cli as a separate process, capturing what it writes, and
// the fixture its tests share.
#ifndef VELKMAR_TESTS_CLI_CLI_RUNNER_H
#define VELKMAR_TESTS_CLI_CLI_RUNNER_H

#include <string>
#include <vector>

#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

struct CliOutcome {
    int exitCode;  // -1 when the program did not exit normally
    std::string out, err;
};

class CliTest : public ScratchFolderTest {
protected:
    // Runs the program with args, standard input empty; onTerminal puts
    // standard error on a pseudo-terminal (natively only).
    CliOutcome Run(const std::vector<std::string>& args, bool onTerminal = false);
    // A packed file of half a second of tones, packed by the core in mode.
    void MakePacked(const std::string& path, int channels);
    // What the core's single-file extraction gives for path under force.
    Bytes CoreExtraction(const std::string& path, ChannelForce force);
    // The names in folder, but for the captured output.
    std::vector<std::string> Entries(const std::string& folder);
};

// folder and name joined with the platform's separator.
std::string Join(const std::string& folder, const std::string& name);

// The option that asks for force ("" for none).
std::string ForceOption(ChannelForce force);

#endif
