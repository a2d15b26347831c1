// Runs velkmar-cli as a separate process and captures what it writes, and
// the scratch-folder fixture its tests share.
#ifndef VELKMAR_TESTS_CLI_CLI_RUNNER_H
#define VELKMAR_TESTS_CLI_CLI_RUNNER_H

#include <string>
#include <vector>

#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

struct CliOutcome {
    int exitCode;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the program with args; standard input is empty and standard output
// and error go to files in captureFolder.
CliOutcome RunCli(const std::vector<std::string>& args, const std::string& captureFolder);

#ifndef _WIN32
// The same with standard error on a pseudo-terminal (out stays a file).
CliOutcome RunCliOnTerminal(const std::vector<std::string>& args, const std::string& captureFolder);
#endif

class CliTest : public ScratchFolderTest {
protected:
    void SetUp() override;
    CliOutcome Run(const std::vector<std::string>& args);
    // A packed file of about half a second of tones, made by the core's
    // packing from a 16-bit WAV of channels channels.
    void MakePacked(const std::string& path, int channels);
    // What the core's single-file extraction gives for path under force.
    Bytes CoreExtraction(const std::string& path, ChannelForce force);
    // Names in folder other than the capture folder.
    std::vector<std::string> Entries(const std::string& folder);
    std::string capture_;
};

// folder and name joined with the platform's separator.
std::string Join(const std::string& folder, const std::string& name);

// The option that asks for force ("" for none).
std::string ForceOption(ChannelForce force);

#endif
