// velkmar-cli's contract, driven as a separate process: the core's bytes
// under every command, what it says on standard error, its exit status,
// and that a failure damages nothing.
#include <cmath>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "cli/arguments.h"
#include "conversion/files/packing.h"
#include "tests/cli/cli_runner.h"

namespace {

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
        {{"extract-folder", "--verbose", "-q", a, b}, "--verbose and --quiet exclude each other", CMD_EXTRACT_FOLDER},
        {{"pack", b, a, "--whole"}, "--whole applies to extract and extract-folder only", CMD_PACK},
        {{"pack", "--ext", "wad", b, a}, "--ext applies to pack-folder only", CMD_PACK},
        {{"pack-folder", a, b, "--ext=wav"}, "--ext takes wad, adx or adp, not 'wav'", CMD_PACK_FOLDER},
        {{"pack-folder", a, b, "--ext"}, "--ext needs wad, adx or adp", CMD_PACK_FOLDER},
        {{"info", a, "--auto", "--mono"}, "--mono and --auto exclude each other", CMD_INFO},
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
    const std::pair<std::string, ChannelForce> packed[] = {
        {"boom.wad", FORCE_NONE}, {"music.adx", FORCE_NONE}, {"music.adx", FORCE_MONO}, {"boom.wad", FORCE_STEREO}};
    for (const auto& p : packed) {
        std::vector<std::string> args = {"extract", Path(p.first), Path("out.wav"), "--quiet"};
        if (p.second != FORCE_NONE) args.push_back(ForceOption(p.second));
        EXPECT_EQ(Run(args).exitCode, 0);
        EXPECT_EQ(ReadFileBytes(Path("out.wav")), CoreExtraction(Path(p.first), p.second)) << p.first;
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
    std::vector<Bytes> contents;
    for (const std::string& name : before) contents.push_back(ReadFileBytes(Path(name)));
    for (const auto& c : cases) {
        const CliOutcome outcome = Run({c.command, Path(c.input), Path(c.output)});
        EXPECT_EQ(outcome.exitCode, 1) << c.reason;
        EXPECT_EQ(outcome.err, "velkmar-cli: " + Path(c.named) + ": " + c.reason + "\n");
        EXPECT_EQ(Entries(folder_), before) << c.reason;
        for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(ReadFileBytes(Path(before[i])), contents[i]) << before[i];
    }
}

#ifndef _WIN32
TEST_F(Commands, AnInterruptedExtractionLeavesNothingBehind) {
    Bytes noise(64u << 20);
    uint32_t state = 12345;
    for (size_t i = 0; i + 4 <= noise.size(); i += 4) {
        state = state * 1664525u + 1013904223u;
        std::memcpy(&noise[i], &state, 4);
    }
    WriteFileBytes(Path("in.wad"), noise);
    const Bytes before(300, 0x31);
    WriteFileBytes(Path("out.wav"), before);
    const std::string in = Path("in.wad"), out = Path("out.wav");
    const char* argv[] = {VELKMAR_CLI_PATH, "extract", in.c_str(), out.c_str(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, VELKMAR_CLI_PATH, nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
    const auto writing = [&] { return Entries(folder_).size() > 3; };  // the temporary file beside out.wav
    for (int i = 0; i < 20000 && !writing(); ++i) usleep(500);
    EXPECT_TRUE(writing()) << "no temporary file appeared";
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "finished before the interruption";
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"in.wad", "out.wav", "sounds in"}));
    EXPECT_EQ(ReadFileBytes(out), before);
}
#endif

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
#ifndef _WIN32
    outcome = Run({"extract-folder", in_, out_}, true);
    EXPECT_EQ(Count(outcome.err, " -> "), 0u) << "a terminal gets a bar instead of lines";
    EXPECT_NE(outcome.err.find("\r100% [##############################] file 3 of 3"), std::string::npos);
#endif
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
    outcome = Run({"extract-folder", "--verbose", in_, out_});
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n') + 1), "velkmar-cli: created " + out_ + "\n");
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

}  // namespace
