// Starting the command line: posix_spawn natively, CreateProcessA under
// Windows (the build's program path is a Unix path there, reached through
// Wine's drive Z:). Standard output and error go to files beside the
// scratch folder's entries, which Entries leaves out.
#include "tests/cli/cli_runner.h"

#include <cmath>

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

const char OUT_NAME[] = "~out.txt";
const char ERR_NAME[] = "~err.txt";

// What the program wrote; Windows programs end their lines with "\r\n".
std::string TextOf(const std::string& path) {
    const Bytes bytes = ReadFileBytes(path);
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text.push_back(static_cast<char>(bytes[i]));
    return text;
}

#ifdef _WIN32
// One argument quoted the way the C runtime splits a command line.
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
    return quoted.append(backslashes * 2, '\\') + "\"";
}

int Start(const std::vector<std::string>& args, const std::string& out, const std::string& err, bool) {
    std::string program = std::string("Z:") + VELKMAR_CLI_PATH;
    for (char& c : program) c = c == '/' ? '\\' : c;
    std::string commandLine = Quote(program);
    for (const std::string& arg : args) commandLine += " " + Quote(arg);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = CreateFileA("NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    startup.hStdError = CreateFileA(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    PROCESS_INFORMATION process = {};
    DWORD code = static_cast<DWORD>(-1);
    if (CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(handle);
    return static_cast<int>(code);
}
#else
// A terminal's side stays open here until the program has ended, so that
// everything it wrote waits in the terminal's buffer; it is copied to err.
int Start(const std::vector<std::string>& args, const std::string& out, const std::string& err, bool onTerminal) {
    std::vector<char*> argv = {const_cast<char*>(VELKMAR_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int master = onTerminal ? posix_openpt(O_RDWR | O_NOCTTY) : -1;
    if (onTerminal && (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)) return -1;
    const int terminal = onTerminal ? open(ptsname(master), O_RDWR | O_NOCTTY) : -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (onTerminal)
        posix_spawn_file_actions_adddup2(&actions, terminal, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child;
    int status = 0;
    const bool ran = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(child, &status, 0) == child && WIFEXITED(status);
    posix_spawn_file_actions_destroy(&actions);
    if (onTerminal) {
        close(terminal);
        std::string text;
        char chunk[4096];
        for (ssize_t got; (got = read(master, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(got));
        close(master);
        WriteFileBytes(err, Bytes(text.begin(), text.end()));
    }
    return ran ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

CliOutcome CliTest::Run(const std::vector<std::string>& args, bool onTerminal) {
    const int exitCode = Start(args, Path(OUT_NAME), Path(ERR_NAME), onTerminal);
    return {exitCode, TextOf(Path(OUT_NAME)), TextOf(Path(ERR_NAME))};
}

void CliTest::MakePacked(const std::string& path, int channels) {
    Samples samples;
    for (int frame = 0; frame < 22050; ++frame)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(9000 * std::sin(frame * (0.03 + 0.02 * c)) + 3000 * std::sin(frame * 0.0011)));
    WriteFileBytes(path + ".wav", MakePcmWav(channels, 44100, samples));
    ASSERT_EQ(PackSoundFileStatus((path + ".wav").c_str(), path.c_str(), channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr),
              CONV_OK);
    std::remove((path + ".wav").c_str());
}

Bytes CliTest::CoreExtraction(const std::string& path, ChannelForce force) {
    ApplyChannelRule(force, PathExtension(path.c_str()));
    EXPECT_EQ(ExtractSoundFileStatus(path.c_str(), Path("~core.wav").c_str()), CONV_OK) << path;
    const Bytes bytes = ReadFileBytes(Path("~core.wav"));
    std::remove(Path("~core.wav").c_str());
    return bytes;
}

std::vector<std::string> CliTest::Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : ListFolder(folder))
        if (name != OUT_NAME && name != ERR_NAME) names.push_back(name);
    return names;
}

std::string Join(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::string ForceOption(ChannelForce force) { return force == FORCE_MONO ? "--mono" : force == FORCE_STEREO ? "--stereo" : ""; }
