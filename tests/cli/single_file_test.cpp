// extract and pack on single files: the same bytes as the core's
// functions, the default output name, and every failure with its exit
// status, its one line and nothing existing damaged.
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include <gtest/gtest.h>

#include "conversion/files/packing.h"
#include "tests/cli/cli_runner.h"

namespace {

class SingleFile : public CliTest {};

// Success without a word.
::testing::AssertionResult Silent(const CliOutcome& outcome) {
    if (outcome.exitCode == 0 && outcome.out.empty() && outcome.err.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << outcome.exitCode << ", out: " << outcome.out
                                         << ", err: " << outcome.err;
}

TEST_F(SingleFile, ExtractGivesTheCoresBytesForEveryKindAndMode) {
    MakePacked(Path("boom.wad"), 1);
    MakePacked(Path("music.adx"), 2);
    MakePacked(Path("step.ADP"), 1);
    MakePacked(Path("noext"), 2);
    for (const char* name : {"boom.wad", "music.adx", "step.ADP", "noext"}) {
        for (ChannelForce force : {FORCE_NONE, FORCE_MONO, FORCE_STEREO}) {
            SCOPED_TRACE(std::string(name) + " " + ForceOption(force));
            std::vector<std::string> args = {"extract", Path(name), Path("out.wav"), "--quiet"};
            if (force != FORCE_NONE) args.push_back(ForceOption(force));
            EXPECT_TRUE(Silent(Run(args)));
            Bytes expected = CoreExtraction(Path(name), force);
            ASSERT_GT(expected.size(), 44u);
            EXPECT_EQ(ReadFileBytes(Path("out.wav")), expected);
        }
    }
}

TEST_F(SingleFile, ExtractWritesBesideTheInputByDefault) {
    // A dot in the folder's name does not count: only the file name's does.
    const std::string folder = Path("game.snd");
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    MakePacked(Join(folder, "Music.ADX"), 2);
    MakePacked(Join(folder, "intro"), 1);
    EXPECT_TRUE(Silent(Run({"extract", Join(folder, "Music.ADX")})));
    EXPECT_TRUE(Silent(Run({"--mono", "extract", Join(folder, "intro")})));
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Music.ADX", "Music.wav", "intro", "intro.wav"}));
    EXPECT_EQ(ReadFileBytes(Join(folder, "Music.wav")), CoreExtraction(Join(folder, "Music.ADX"), FORCE_NONE));
    EXPECT_EQ(ReadFileBytes(Join(folder, "intro.wav")), CoreExtraction(Join(folder, "intro"), FORCE_MONO));
}

TEST_F(SingleFile, NamesWithSpacesAndCyrillicPassThrough) {
    const std::string spaced = Path("big boom.wad");
    MakePacked(spaced, 1);
    EXPECT_TRUE(Silent(Run({"extract", spaced})));
    EXPECT_EQ(ReadFileBytes(Path("big boom.wav")), CoreExtraction(spaced, FORCE_NONE));
    // Under Windows the name is in the ANSI code page (1251 for this text),
    // which Wine can store only where the Unix side has a matching locale.
    const std::string cyrillic = Path("звук взрыва.wad");
    FILE* probe = std::fopen(cyrillic.c_str(), "wb");
    if (!probe) GTEST_SKIP() << "this system cannot store Cyrillic file names";
    std::fclose(probe);
    MakePacked(cyrillic, 1);
    EXPECT_TRUE(Silent(Run({"extract", cyrillic})));
    EXPECT_EQ(ReadFileBytes(Path("звук взрыва.wav")), CoreExtraction(cyrillic, FORCE_NONE));
    CliOutcome outcome = Run({"pack", Path("нет такого.wav"), Path("x.wad")});
    EXPECT_EQ(outcome.err, "velkmar-cli: " + Path("нет такого.wav") + ": cannot open\n");
}

TEST_F(SingleFile, PackGivesTheCoresBytesAndSaysWhatItConverted) {
    std::vector<int16_t> samples;
    for (int i = 0; i < 30000; ++i) samples.push_back(static_cast<int16_t>((i * 37) % 20000 - 10000));
    const Bytes wide = MakePcmWav(2, 48000, samples);
    struct Case {
        Bytes wav;
        const char* out;
        std::vector<std::string> options;
        ChannelForce force;
        const char* note;
    };
    const Case cases[] = {
        {MakePcmWav(1, 44100, samples), "out.wad", {}, FORCE_NONE, ""},
        {MakePcmWav(2, 44100, samples), "out.adx", {}, FORCE_NONE, ""},
        {MakePcmWav(2, 44100, samples), "out.wad", {}, FORCE_NONE, "stereo mixed down to mono for .wad"},
        {MakePcmWav(1, 44100, samples), "out.adp", {"--stereo"}, FORCE_STEREO,
         "mono copied to both channels of stereo as --stereo asks"},
        {wide, "out.wad", {"--mono"}, FORCE_MONO, "48000 Hz resampled to 44100 Hz; stereo mixed down to mono as --mono asks"},
        {wide, "out.wad", {"--quiet"}, FORCE_NONE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        WriteFileBytes(Path("in.wav"), c.wav);
        std::vector<std::string> args = {"pack", Path("in.wav"), Path(c.out)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.err, *c.note ? "velkmar-cli: " + Path("in.wav") + ": " + c.note + "\n" : "");
        const std::string core = Path(std::string("core") + std::strrchr(c.out, '.'));
        ASSERT_EQ(PackSoundFileStatus(Path("in.wav").c_str(), core.c_str(), c.force, nullptr), CONV_OK);
        EXPECT_EQ(ReadFileBytes(Path(c.out)), ReadFileBytes(core));
    }
}

TEST_F(SingleFile, VerboseSaysWhatWasWritten) {
    MakePacked(Path("music.adx"), 2);
    CliOutcome outcome = Run({"extract", "--verbose", Path("music.adx"), Path("music.wav")});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err,
              "velkmar-cli: wrote " + Path("music.wav") + " (" + Path("music.adx") + " read as stereo)\n");
    outcome = Run({"pack", Path("music.wav"), Path("again.adx"), "--verbose"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "velkmar-cli: wrote " + Path("again.adx") + " (packed from " + Path("music.wav") + ")\n");
    EXPECT_EQ(outcome.out, "");
}

struct FailureCase {
    const char* command;
    const char* input;       // made by the case: see Prepare
    const char* output;      // "" to use the default name
    const char* named;       // the file the message names
    const char* reason;
};

class Failures : public CliTest {
protected:
    // Inputs: boom.wad and tone.wav are good, empty.wad holds 3 bytes,
    // text.wav is no WAV, low.wav is 12-bit, a folder "dir"; kept.wav and
    // kept.wad already exist as outputs.
    void Prepare() {
        MakePacked(Path("boom.wad"), 1);
        WriteFileBytes(Path("tone.wav"), MakePcmWav(1, 44100, std::vector<int16_t>(5000, 1200)));
        WriteFileBytes(Path("empty.wad"), Bytes{1, 2, 3});
        WriteFileBytes(Path("text.wav"), Bytes{'h', 'e', 'l', 'l', 'o'});
        Bytes low = MakePcmWav(1, 44100, std::vector<int16_t>(100, 7));
        low[34] = 12;
        WriteFileBytes(Path("low.wav"), low);
        std::filesystem::create_directory(std::filesystem::u8path(Path("dir")));
        WriteFileBytes(Path("kept.wav"), Bytes{'k', 'e', 'e', 'p'});
        WriteFileBytes(Path("kept.wad"), Bytes{'k', 'e', 'e', 'p'});
    }
};

TEST_F(Failures, EachFailureExitsOneWithOneLineAndDamagesNothing) {
    const FailureCase cases[] = {
        {"extract", "missing.wad", "kept.wav", "missing.wad", "cannot open"},
        {"extract", "empty.wad", "kept.wav", "empty.wad", "no sound data"},
        {"extract", "dir", "kept.wav", "dir", "is a folder"},
        {"extract", "boom.wad", "dir", "dir", "the output exists and is not a regular file"},
        {"extract", "boom.wad", "nowhere/boom.wav", "nowhere/boom.wav", "cannot create the output file"},
        {"extract", "kept.wav", "", "kept.wav", "the output would replace the input"},
        {"pack", "missing.wav", "kept.wad", "missing.wav", "cannot open"},
        {"pack", "text.wav", "kept.wad", "text.wav", "not a PCM WAV file"},
        {"pack", "low.wav", "kept.wad", "low.wav", "12-bit PCM: only 8-, 16-, 24- and 32-bit PCM WAVs can be packed"},
        {"pack", "tone.wav", "tone.wav", "tone.wav", "the output would replace the input"},
    };
    Prepare();
    const std::vector<std::string> before = Entries(folder_);
    std::vector<Bytes> contents;
    for (const std::string& name : before) contents.push_back(ReadFileBytes(Path(name)));
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.input + " " + c.output);
        std::vector<std::string> args = {c.command, Path(c.input)};
        if (*c.output) args.push_back(Path(c.output));
        CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, "velkmar-cli: " + Path(c.named) + ": " + c.reason + "\n");
        EXPECT_EQ(outcome.out, "");
        // No output appeared, no temporary file stayed, nothing changed.
        EXPECT_EQ(Entries(folder_), before);
        for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(ReadFileBytes(Path(before[i])), contents[i]) << before[i];
    }
}

#ifndef _WIN32
// Interrupted in the middle of a file: the temporary file goes and the
// destination stays as it was.
TEST_F(SingleFile, AnInterruptedExtractionLeavesNothingBehind) {
    Bytes noise(64u << 20);
    uint32_t state = 12345;
    for (size_t i = 0; i + 4 <= noise.size(); i += 4) {
        state = state * 1664525u + 1013904223u;
        std::memcpy(noise.data() + i, &state, 4);
    }
    WriteFileBytes(Path("in.wad"), noise);
    const Bytes before(300, 0x31);
    WriteFileBytes(Path("out.wav"), before);
    const char* argv[] = {VELKMAR_CLI_PATH, "extract", nullptr, nullptr, nullptr};
    const std::string in = Path("in.wad"), out = Path("out.wav");
    argv[2] = in.c_str();
    argv[3] = out.c_str();
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, VELKMAR_CLI_PATH, nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
    auto writing = [&] {
        for (const std::string& name : ListFolder(folder_))
            if (name.rfind("~", 0) == 0) return true;
        return false;
    };
    for (int i = 0; i < 20000 && !writing(); ++i) usleep(500);
    EXPECT_TRUE(writing()) << "no temporary file appeared";
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "finished before the interruption";
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"in.wad", "out.wav"}));
    EXPECT_EQ(ReadFileBytes(out), before);
}
#endif

}  // namespace
