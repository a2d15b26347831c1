// Starting the command line: posix_spawn natively, CreateProcessA under
// Windows (the build's program path is a Unix path there, reached through
// Wine's drive Z:).
#include "tests/cli/cli_runner.h"

#include <cmath>
#include <filesystem>

#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

#ifdef _WIN32

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path[0] == '\\' ? "Z:" + path : path;
}

// Quotes one argument the way the C runtime splits a command line.
std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
#else

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int Spawn(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath,
          int errDescriptor) {
    const std::string program = VELKMAR_CLI_PATH;
    std::vector<char*> argv = Argv(program, args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errDescriptor >= 0)
        posix_spawn_file_actions_adddup2(&actions, errDescriptor, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child;
    int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

// What the program wrote to a captured stream. Windows programs end their
// lines with "\r\n" there; the tests compare "\n".
std::string TextOf(const std::string& path) {
    Bytes bytes = ReadFileBytes(path);
    std::string text(bytes.begin(), bytes.end());
#ifdef _WIN32
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines.push_back(text[i]);
    text = lines;
#endif
    return text;
}

}  // namespace

#ifdef _WIN32
CliOutcome RunCli(const std::vector<std::string>& args, const std::string& captureFolder) {
    const std::string program = WindowsPath(VELKMAR_CLI_PATH);
    std::string commandLine = Quote(program);
    for (const std::string& arg : args) commandLine += " " + Quote(arg);
    const std::string outPath = captureFolder + "\\out.txt", errPath = captureFolder + "\\err.txt";
    HANDLE input = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = Inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = Inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process = {};
    int exitCode = -1;
    if (CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code;
        if (GetExitCodeProcess(process.hProcess, &code)) exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(input);
    CloseHandle(output);
    CloseHandle(error);
    return {exitCode, TextOf(outPath), TextOf(errPath)};
}
#else
CliOutcome RunCli(const std::vector<std::string>& args, const std::string& captureFolder) {
    const std::string outPath = captureFolder + "/out.txt", errPath = captureFolder + "/err.txt";
    int exitCode = Spawn(args, outPath, errPath, -1);
    return {exitCode, TextOf(outPath), TextOf(errPath)};
}

CliOutcome RunCliOnTerminal(const std::vector<std::string>& args, const std::string& captureFolder) {
    CliOutcome outcome = {-1, "", ""};
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return outcome;
    // The terminal's side stays open here until the program has ended, so
    // that everything it wrote waits in the terminal's buffer.
    int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    if (terminal >= 0) {
        outcome.exitCode = Spawn(args, captureFolder + "/out.txt", "", terminal);
        close(terminal);
        char chunk[4096];
        ssize_t got;
        while ((got = read(master, chunk, sizeof chunk)) > 0) outcome.err.append(chunk, static_cast<size_t>(got));
    }
    close(master);
    outcome.out = TextOf(captureFolder + "/out.txt");
    return outcome;
}
#endif

void CliTest::SetUp() {
    ScratchFolderTest::SetUp();
    capture_ = Path("capture");
    std::filesystem::create_directory(std::filesystem::u8path(capture_));
}

CliOutcome CliTest::Run(const std::vector<std::string>& args) { return RunCli(args, capture_); }

void CliTest::MakePacked(const std::string& path, int channels) {
    std::vector<int16_t> samples;
    for (int frame = 0; frame < 22050; ++frame)
        for (int channel = 0; channel < channels; ++channel)
            samples.push_back(static_cast<int16_t>(
                9000 * std::sin(frame * (0.03 + 0.02 * channel)) + 3000 * std::sin(frame * 0.0011)));
    const std::string wav = path + ".source.wav";
    WriteFileBytes(wav, MakePcmWav(channels, 44100, samples));
    ASSERT_EQ(PackSoundFileStatus(wav.c_str(), path.c_str(), channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr), CONV_OK) << path;
    std::remove(wav.c_str());
}

Bytes CliTest::CoreExtraction(const std::string& path, ChannelForce force) {
    const std::string reference = Path("core-reference.wav");
    ApplyChannelRule(force, PathExtension(path.c_str()));
    EXPECT_EQ(ExtractSoundFileStatus(path.c_str(), reference.c_str()), CONV_OK) << path;
    Bytes bytes = ReadFileBytes(reference);
    std::remove(reference.c_str());
    return bytes;
}

std::vector<std::string> CliTest::Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : ListFolder(folder))
        if (name != "capture") names.push_back(name);
    return names;
}

std::string Join(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::string ForceOption(ChannelForce force) {
    return force == FORCE_MONO ? "--mono" : force == FORCE_STEREO ? "--stereo" : "";
}
