// velkmar-cli's contract, driven as a separate process: the core's bytes
// under every command, what it says on standard error, its exit status,
// that a failure damages nothing; info, and what extract learns from a
// packed file's blocks (--auto, the notes, --whole for a paused sound).
// It starts with posix_spawn natively and CreateProcessA under Windows (the
// build's program path is a Unix path there, reached through Wine's drive
// Z:). Standard output and error go to files beside the scratch folder's
// entries, which Entries leaves out.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <regex>

#include "cli/arguments.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

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
    std::string text(bytes.begin(), bytes.end());
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

#ifdef _WIN32
// One argument as the C runtime splits it, the tests' arguments holding no
// quote and ending in no backslash: quoted when empty or holding a space.
std::string Quote(const std::string& arg) {
    return arg.empty() || arg.find_first_of(" \t") != std::string::npos ? "\"" + arg + "\"" : arg;
}

int Start(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
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
    BOOL started = FALSE;  // Wine under load now and then fails a start
    for (int attempt = 0; attempt < 3 && !started; ++attempt, Sleep(started ? 0 : 500))
        started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(handle);
    return static_cast<int>(code);
}
#else
int Start(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
    std::vector<char*> argv = {const_cast<char*>(VELKMAR_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child;
    int status = 0;
    const bool ran = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(child, &status, 0) == child && WIFEXITED(status);
    posix_spawn_file_actions_destroy(&actions);
    return ran ? WEXITSTATUS(status) : -1;
}
#endif

struct CliOutcome {
    int exitCode;  // -1 when the program did not exit normally
    std::string out, err;
};

class CliTest : public ScratchFolderTest {
protected:
    // Runs the program with args, standard input empty.
    CliOutcome Run(const std::vector<std::string>& args) {
        const int exitCode = Start(args, Path(OUT_NAME), Path(ERR_NAME));
        return {exitCode, TextOf(Path(OUT_NAME)), TextOf(Path(ERR_NAME))};
    }
    // A packed file of half a second of tones, packed by the core in mode.
    void MakePacked(const std::string& path, int channels) {
        Samples samples;
        for (int frame = 0; frame < 22050; ++frame)
            for (int c = 0; c < channels; ++c)
                samples.push_back(static_cast<int16_t>(9000 * std::sin(frame * (0.03 + 0.02 * c)) + 3000 * std::sin(frame * 0.0011)));
        WriteFileBytes(path + ".wav", MakePcmWav(channels, 44100, samples));
        ASSERT_EQ(PackSoundFileStatus((path + ".wav").c_str(), path.c_str(), channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr),
                  CONV_OK);
        std::remove((path + ".wav").c_str());
    }
    // What the core's single-file extraction gives for path under force.
    Bytes CoreExtraction(const std::string& path, ChannelForce force) {
        ApplyChannelRule(force, PathExtension(path.c_str()));
        EXPECT_EQ(ExtractSoundFileStatus(path.c_str(), Path("~core.wav").c_str()), CONV_OK) << path;
        const Bytes bytes = ReadFileBytes(Path("~core.wav"));
        std::remove(Path("~core.wav").c_str());
        return bytes;
    }
    // The names in folder, but for the captured output.
    std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const std::string& name : ListFolder(folder))
            if (name != OUT_NAME && name != ERR_NAME) names.push_back(name);
        return names;
    }
};

std::string Join(const std::string& folder, const std::string& name) { return folder + PATH_SEPARATOR + name; }

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

Samples Tone(size_t count) {
    Samples samples;
    for (size_t i = 0; i < count; ++i) samples.push_back(static_cast<int16_t>(7000 * std::sin(double(i) * 0.05)));
    return samples;
}

class Commands : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        in_ = Path("sounds in");
        out_ = Path("wav");
        std::filesystem::create_directory(std::filesystem::u8path(in_));
    }
    std::string In(const std::string& name) { return Join(in_, name); }
    std::string Out(const std::string& name) { return Join(out_, name); }
    // What the core's single-file packing writes for wav into a file named name.
    Bytes CorePacking(const std::string& wav, const std::string& name, ChannelForce force) {
        EXPECT_EQ(PackSoundFileStatus(wav.c_str(), Path(name).c_str(), force, nullptr), CONV_OK);
        return ReadFileBytes(Path(name));
    }
    std::string in_, out_;
};

TEST_F(Commands, WrongUseExitsTwoWithAReasonAndAUsageLineAndTouchesNothing) {
    MakePacked(Path("a.wad"), 1);
    const std::string a = Path("a.wad"), b = Path("b.wav");
    const struct {
        std::vector<std::string> args;
        std::string reason;
        CliCommand usage;
    } cases[] = {
        {{}, "no command given", CMD_NONE},
        {{"convert", a}, "unknown command 'convert'", CMD_NONE},
        {{"extract"}, "missing IN", CMD_EXTRACT},
        {{"extract", a, b, Path("c.wav")}, "too many arguments: '" + Path("c.wav") + "'", CMD_EXTRACT},
        {{"extract", a, "--mono", "--stereo"}, "--mono and --stereo exclude each other", CMD_EXTRACT},
        {{"extract", ""}, "empty path", CMD_EXTRACT},
        {{"extract", a, "--json"}, "--json applies to info only", CMD_EXTRACT},
        {{"pack", b, a, "--whole"}, "--whole applies to extract and extract-folder only", CMD_PACK},
        {{"pack-folder", a, b, "--ext=wav"}, "--ext takes wad, adx or adp, not 'wav'", CMD_PACK_FOLDER},
        {{"pack-folder", a, b, "--ext"}, "--ext needs wad, adx or adp", CMD_PACK_FOLDER},
    };
    const std::vector<std::string> before = Entries(folder_);
    for (const auto& c : cases) {
        CliOutcome outcome = Run(c.args);
        EXPECT_EQ(outcome.exitCode, 2) << c.reason;
        EXPECT_EQ(outcome.err, "velkmar-cli: " + c.reason + "\n" + UsageLine(c.usage) + "\n");
        EXPECT_EQ(outcome.out + "|" + std::to_string(Entries(folder_) == before), "|1") << c.reason;
    }
    const CliOutcome help = Run({"pack", "a", "b", "c", "--help"}), version = Run({"--version"});
    EXPECT_EQ(help.out, HelpText());
    EXPECT_EQ(version.out, "velkmar-cli 1.2.1.0\n");
    EXPECT_EQ(help.exitCode + version.exitCode, 0);
}

TEST_F(Commands, ExtractAndPackGiveTheCoresBytesAndSayWhatTheyConverted) {
    MakePacked(Path("boom.wad"), 1);
    MakePacked(Path("music.adx"), 2);
    const struct {
        const char *name, *option;
        ChannelForce force;
    } packed[] = {{"boom.wad", "-q", FORCE_NONE}, {"music.adx", "-q", FORCE_NONE}, {"music.adx", "--mono", FORCE_MONO},
                  {"boom.wad", "--stereo", FORCE_STEREO}};
    for (const auto& p : packed) {
        EXPECT_EQ(Run({"extract", Path(p.name), Path("out.wav"), p.option}).exitCode, 0);
        EXPECT_EQ(ReadFileBytes(Path("out.wav")), CoreExtraction(Path(p.name), p.force)) << p.name;
    }
    const Samples tone = Tone(30000);
    const struct {
        Bytes wav;
        const char* out;
        ChannelForce force;
        std::vector<std::string> options;
        std::string said;
    } packings[] = {
        {MakePcmWav(1, 44100, tone), "a.wad", FORCE_NONE, {}, ""},
        {MakePcmWav(2, 44100, tone), "b.wad", FORCE_NONE, {}, "stereo mixed down to mono for .wad"},
        {MakePcmWav(1, 44100, tone), "c.adp", FORCE_STEREO, {"--stereo"}, "mono copied to both channels of stereo as --stereo asks"},
        {MakePcmWav(2, 48000, tone), "d.wad", FORCE_NONE, {"--quiet"}, ""},
    };
    for (const auto& p : packings) {
        WriteFileBytes(Path("in.wav"), p.wav);
        std::vector<std::string> args = {"pack", Path("in.wav"), Path(p.out)};
        args.insert(args.end(), p.options.begin(), p.options.end());
        const CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.err, p.said.empty() ? "" : "velkmar-cli: " + Path("in.wav") + ": " + p.said + "\n") << p.out;
        EXPECT_EQ(ReadFileBytes(Path(p.out)), CorePacking(Path("in.wav"), std::string("core") + std::strrchr(p.out, '.'), p.force));
    }
    const CliOutcome verbose = Run({"pack", Path("in.wav"), Path("e.adx"), "--verbose"});
    EXPECT_EQ(Count(verbose.err, "velkmar-cli: wrote " + Path("e.adx") + " (packed from " + Path("in.wav") + ")\n"), 1u);
}

TEST_F(Commands, OutputsGoBesideTheInputUnderTheirOwnNamesInAnyScript) {
    const std::string folder = Path("game.snd");  // a dot in a folder's name is no extension
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    MakePacked(Join(folder, "Music.ADX"), 2);
    MakePacked(Join(folder, "intro"), 1);
    EXPECT_EQ(Run({"extract", Join(folder, "Music.ADX")}).exitCode, 0);
    EXPECT_EQ(Run({"--mono", "extract", Join(folder, "intro"), "-q"}).exitCode, 0);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Music.ADX", "Music.wav", "intro", "intro.wav"}));
    // Under Windows a name is in the ANSI code page (1251 here), which Wine
    // can store only where the Unix side has a matching locale.
    const std::string cyrillic = Path("звук взрыва.wad");
    FILE* probe = std::fopen(cyrillic.c_str(), "wb");
    if (!probe) GTEST_SKIP() << "this system cannot store Cyrillic file names";
    std::fclose(probe);
    MakePacked(cyrillic, 1);
    EXPECT_EQ(Run({"extract", cyrillic, "-q"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(Path("звук взрыва.wav")), CoreExtraction(cyrillic, FORCE_NONE));
    EXPECT_EQ(Run({"pack", Path("нет.wav"), Path("x.wad")}).err, "velkmar-cli: " + Path("нет.wav") + ": cannot open\n");
}

TEST_F(Commands, EachFailureExitsOneWithOneLineAndDamagesNothing) {
    MakePacked(Path("boom.wad"), 1);
    WriteFileBytes(Path("empty.wad"), Bytes{1, 2, 3});
    WriteFileBytes(Path("text.wav"), Bytes{'h', 'e', 'l', 'l', 'o'});
    Bytes odd = MakePcmWav(1, 44100, Samples(100, 7));
    odd[34] = 12;
    WriteFileBytes(Path("odd.wav"), odd);
    std::filesystem::create_directory(std::filesystem::u8path(Path("dir")));
    WriteFileBytes(Path("kept.wad"), Bytes{'k', 'e', 'e', 'p'});
    const struct {
        const char *command, *input, *output, *named, *reason;
    } cases[] = {
        {"extract", "missing.wad", "kept.wad", "missing.wad", "cannot open"},
        {"extract", "empty.wad", "kept.wad", "empty.wad", "no sound data"},
        {"extract", "dir", "kept.wad", "dir", "is a folder"},
        {"extract", "boom.wad", "dir", "dir", "the output exists and is not a regular file"},
        {"extract", "boom.wad", "nowhere/boom.wav", "nowhere/boom.wav", "cannot create the output file"},
        {"extract", "kept.wad", "kept.wad", "kept.wad", "the output would replace the input"},
        {"pack", "text.wav", "kept.wad", "text.wav", "not a PCM WAV file"},
        {"pack", "odd.wav", "kept.wad", "odd.wav", "12-bit PCM: only 8-, 16-, 24- and 32-bit PCM WAVs can be packed"},
    };
    const std::vector<std::string> before = Entries(folder_);
    for (const auto& c : cases) {
        const CliOutcome outcome = Run({c.command, Path(c.input), Path(c.output)});
        EXPECT_EQ(outcome.exitCode, 1) << c.reason;
        EXPECT_EQ(outcome.err, "velkmar-cli: " + Path(c.named) + ": " + c.reason + "\n");
        EXPECT_EQ(Entries(folder_), before) << c.reason;
    }
    EXPECT_EQ(ReadFileBytes(Path("kept.wad")), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST_F(Commands, ExtractFolderGivesTheCoresPassesAndReportsEachFile) {
    MakePacked(In("boom.wad"), 1);
    MakePacked(In("boom.adx"), 2);  // the same WAV name as boom.wad
    WriteFileBytes(In("b.wad"), Bytes{});  // no sound data: fails, the others go on
    MakePacked(In("step.adp.bak"), 1);  // no pass's extension
    std::filesystem::create_directory(std::filesystem::u8path(out_));
    WriteFileBytes(Out("b.wav"), Bytes{'o', 'l', 'd'});  // from an earlier run: stays
    CliOutcome outcome = Run({"extract-folder", in_, out_, "--stereo"});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_EQ(ListFolder(out_), (std::vector<std::string>{"b.wav", "boom.adx.wav", "boom.wav"}));
    EXPECT_EQ(ReadFileBytes(Out("b.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(ReadFileBytes(Out("boom.wav")), CoreExtraction(In("boom.wad"), FORCE_STEREO));
    EXPECT_EQ(ReadFileBytes(Out("boom.adx.wav")), CoreExtraction(In("boom.adx"), FORCE_STEREO));
    EXPECT_EQ(Count(outcome.err, "[1/3] " + In("b.wad") + ": no sound data\n") +
                  Count(outcome.err, "[2/3] " + In("boom.wad") + " -> " + Out("boom.wav") + "\n"), 2u);
    EXPECT_TRUE(outcome.err.size() > 60 && outcome.err.substr(outcome.err.find("velkmar-cli: 2 of 3")) ==
                "velkmar-cli: 2 of 3 files converted into " + out_ + "; 1 failed:\nvelkmar-cli: " + In("b.wad") +
                    ": no sound data\n");
    outcome = Run({"extract-folder", in_, out_, "-q"});
    EXPECT_EQ(Count(outcome.err, "\n"), 2u) << "quiet: only the failures";
}

TEST_F(Commands, FoldersThatCannotServeWriteNothing) {
    WriteFileBytes(In("notes.txt"), Bytes{'x'});
    CliOutcome outcome = Run({"extract-folder", in_, out_});
    EXPECT_EQ(outcome.err + std::to_string(outcome.exitCode), "velkmar-cli: no .wad, .adx or .adp files in " + in_ + "\n0");
    EXPECT_FALSE(FileExists(out_));
    MakePacked(In("a.wad"), 1);
    const struct {
        std::string command, source, destination, message;
    } cases[] = {
        {"extract-folder", Path("missing"), out_, Path("missing") + ": cannot open the folder"},
        {"extract-folder", In("a.wad"), out_, In("a.wad") + ": cannot open the folder"},
        {"extract-folder", in_, In("a.wad"), In("a.wad") + ": not a folder"},
        {"extract-folder", in_, Join(Path("missing"), "wav"), Join(Path("missing"), "wav") + ": cannot create the folder"},
        {"pack-folder", in_, Path("missing"), Path("missing") + ": cannot open the folder"},
    };
    const std::vector<std::string> before = Entries(folder_);
    for (const auto& c : cases) {
        outcome = Run({c.command, c.source, c.destination});
        EXPECT_EQ(outcome.err + std::to_string(outcome.exitCode), "velkmar-cli: " + c.message + "\n1");
        EXPECT_EQ(Entries(folder_), before);
    }
}

TEST_F(Commands, PackFolderPutsEachWavBackIntoItsPackedFile) {
    // The packed files stand in the game's folder under any letter case;
    // their extensions set the modes.
    std::filesystem::create_directory(std::filesystem::u8path(out_));
    const Bytes kept = {'k', 'e', 'p', 't'};
    for (const char* name : {"BOOM.WAD", "Music.adx", "two.wad", "two.adp", "bad.wad"}) WriteFileBytes(Out(name), kept);
    const Samples tone = Tone(20000);
    for (const char* name : {"boom.wav", "two.wav", "bad.wav"}) WriteFileBytes(In(name), MakePcmWav(1, 44100, tone));
    WriteFileBytes(In("MUSIC.Wav"), MakePcmWav(1, 22050, tone));
    WriteFileBytes(In("lone.wav"), MakePcmWav(2, 44100, tone));
    Bytes bad = MakePcmWav(1, 44100, tone);
    bad[22] = 3;
    WriteFileBytes(In("bad.wav"), bad);
    CliOutcome outcome = Run({"pack-folder", in_, out_});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Out("BOOM.WAD")), CorePacking(In("boom.wav"), "core.wad", FORCE_NONE));
    EXPECT_EQ(ReadFileBytes(Out("Music.adx")), CorePacking(In("MUSIC.Wav"), "core.adx", FORCE_NONE));
    for (const char* name : {"two.wad", "two.adp", "bad.wad"}) EXPECT_EQ(ReadFileBytes(Out(name)), kept) << name;
    for (const std::string& line : {In("two.wav") + ": skipped: two.wad and two.adp both stand in " + out_,
                                    In("lone.wav") + ": skipped: no packed file of that name in " + out_,
                                    In("bad.wav") + ": 3 channels: only mono and stereo WAVs can be packed"})
        EXPECT_EQ(Count(outcome.err, line), 2u) << line;
    EXPECT_EQ(Count(outcome.err, "2 of 5 files converted into " + out_ + "; 3 failed:"), 1u);
    outcome = Run({"pack-folder", in_, out_, "--ext", "adp", "--quiet"});
    EXPECT_EQ(ReadFileBytes(Out("lone.adp")), CorePacking(In("lone.wav"), "core.adp", FORCE_NONE));
    EXPECT_EQ(ListFolder(out_).size(), 6u);
}


class Inspection : public CliTest {
protected:
    // A packed file of channels: 0.2 s of tone, 0.3 s of digital silence,
    // 0.1 s of tone, in the mode force gives.
    void WritePaused(const std::string& name, int channels, ChannelForce force) {
        std::vector<int16_t> samples;
        for (int frame = 0; frame < 26460; ++frame)
            for (int c = 0; c < channels; ++c)
                samples.push_back(frame >= 8820 && frame < 22050
                                      ? 0 : static_cast<int16_t>(8000 * std::sin(frame * (0.05 + 0.03 * c))));
        WriteFileBytes(Path("paused.wav"), MakePcmWav(channels, 44100, samples));
        ASSERT_EQ(PackSoundFileStatus(Path("paused.wav").c_str(), Path(name).c_str(), force, nullptr), CONV_OK);
    }
    // What extract writes with args (IN and options; OUT is added), and
    // what it says.
    Bytes Extract(std::vector<std::string> args, std::string* said) {
        args.insert(args.begin(), "extract");
        args.push_back(Path("out.wav"));
        const CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0);
        *said = outcome.err;
        return ReadFileBytes(Path("out.wav"));
    }
};

std::string Find(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "(none)";
}

TEST_F(Inspection, InfoTellsAPackedFileAlikeInTextAndInJson) {
    WritePaused("paused.wad", 1, FORCE_NONE);
    // 0.3 s of a tone of amplitude 8000 in 0.6 s: its peak, -12.2 dBFS, and
    // half its power, -18.3 dBFS, in whole blocks; the text and the JSON say
    // the same.
    const std::string text = Run({"info", Path("paused.wad")}).out;
    const std::string json = Run({"info", "--json", Path("paused.wad")}).out;
    const std::string levels = Find(json, "\"peak_dbfs\":([^,]+)") + " " + Find(json, "\"rms_dbfs\":([^,]+)");
    EXPECT_EQ(Find(text, "peak (\\S+) dBFS") + " " + Find(text, "RMS (\\S+) dBFS"), levels);
    EXPECT_NEAR(std::stod(levels), -12.2, 0.15);
    EXPECT_NEAR(std::stod(levels.substr(levels.find(' '))), -18.3, 0.15);
    EXPECT_EQ(Find(text, "frames, (\\S+) s\\n") + " " + Find(json, "\"duration_s\":([^,]+)"), "0.601 0.601");
    // The cut falls in the pause, and 0.4 s of it and the tone follow.
    EXPECT_EQ(Find(json, "\"cut_s\":([^,]+)") + " " + Find(json, "\"after_cut_s\":([^}]+)"), "0.200 0.401");
    EXPECT_EQ(Find(text, "silence cut: at (\\S+) s;") + " " + Find(text, "; (\\S+) s of sound after it"), "0.200 0.401");
    for (const char* field : {"\"kind\":\"packed\"", "\"extension_mode\":\"mono\"", "\"blocks_mode\":\"mono\"",
                              "\"read_as\":\"mono\"", "\"file\":\""})
        EXPECT_NE(json.find(field), std::string::npos) << field;
    WriteFileBytes(Path("quiet.wad"), Bytes(3600, 0));  // digital silence has no level
    EXPECT_NE(Run({"info", "--json", Path("quiet.wad")}).out.find("\"peak_dbfs\":null,\"rms_dbfs\":null"), std::string::npos);
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
}

TEST_F(Inspection, ExtractFollowsOrNotesTheBlocksAndTheCut) {
    WritePaused("music.wad", 2, FORCE_STEREO);  // stereo blocks under a mono name
    WritePaused("voice.wad", 1, FORCE_NONE);
    const std::string stereo = Path("music.wad"), mono = Path("voice.wad");
    const std::string dropped = " s of sound after the cut at 0.2 s were dropped (--whole keeps them)\n";
    struct Case {
        std::vector<std::string> args;
        int channels;
        double seconds;
        std::string said;
    };
    const Case cases[] = {
        {{stereo, "--auto", "--whole"}, 2, 0.6,
         "velkmar-cli: " + stereo + ": read as stereo, as its blocks show (its extension says mono)\n"},
        {{stereo, "--whole"}, 1, 1.2,
         "velkmar-cli: " + stereo + ": its blocks are stereo; read as mono (use --stereo or --auto)\n"},
        {{stereo, "--stereo", "--whole"}, 2, 0.6, ""},
        {{stereo, "--quiet"}, 1, -1, ""},
        {{mono}, 1, 0.2, "velkmar-cli: " + mono + ": 0.4" + dropped},
        {{mono, "--whole"}, 1, 0.6, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
        std::string said;
        const Bytes wav = Extract(c.args, &said);
        EXPECT_EQ(said, c.said);
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(ReadLe16(wav.data() + 22), c.channels);
        if (c.seconds > 0) {
            EXPECT_NEAR(double(wav.size() - 44) / (2.0 * c.channels * 44100), c.seconds, 0.003);
        }
    }
}

}  // namespace
