// extract-folder: the window's three passes with the same names and bytes
// as the core's RunFolderPass, a failure in the middle, the report on
// standard error, and the folders it is given.
#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "conversion/files/folder_passes.h"
#include "conversion/files/packing.h"
#include "tests/cli/cli_runner.h"

namespace {

class FolderRunTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        source_ = Path("sounds in");
        destination_ = Path("wav");
        std::filesystem::create_directory(std::filesystem::u8path(source_));
    }
    std::string In(const std::string& name) { return Join(source_, name); }
    std::string Out(const std::string& name) { return Join(destination_, name); }
    // What the core's three passes write for the source folder under force,
    // into a folder of its own.
    std::string CorePasses(ChannelForce force) {
        const std::string folder = Path("core");
        std::filesystem::remove_all(std::filesystem::u8path(folder));
        std::filesystem::create_directory(std::filesystem::u8path(folder));
        FolderRun run;
        FolderHooks hooks = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false};
        for (const FolderPassKind& pass : FOLDER_PASSES) {
            std::vector<PassFile> files;
            EXPECT_EQ(ListPassFiles(source_.c_str(), pass.extension, &files), CONV_OK);
            RunFolderPass(files, ChannelsForExtension(force, pass.extension), source_.c_str(), folder.c_str(), &run,
                          &hooks);
        }
        return folder;
    }
    // Expects the destination to hold exactly what the core wrote.
    void ExpectSameAsCore(ChannelForce force) {
        const std::string core = CorePasses(force);
        ASSERT_EQ(ListFolder(destination_), ListFolder(core));
        for (const std::string& name : ListFolder(core))
            EXPECT_EQ(ReadFileBytes(Out(name)), ReadFileBytes(Join(core, name))) << name;
    }
    std::string source_, destination_;
};

size_t LinesWith(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(FolderRunTest, ThreePassesGiveTheCoresNamesAndBytesInEveryMode) {
    MakePacked(In("boom.wad"), 1);
    MakePacked(In("boom.adx"), 2);  // the same WAV name as boom.wad: the core's collision rule
    MakePacked(In("Music.ADX"), 2);
    MakePacked(In("step.adp"), 1);
    MakePacked(In("step.adp.bak"), 1);  // not an extension of a pass
    WriteFileBytes(In("readme.txt"), Bytes{'x'});
    for (ChannelForce force : {FORCE_NONE, FORCE_MONO, FORCE_STEREO}) {
        SCOPED_TRACE(ForceOption(force));
        std::filesystem::remove_all(std::filesystem::u8path(destination_));
        std::vector<std::string> args = {"extract-folder", source_, destination_};
        if (force != FORCE_NONE) args.push_back(ForceOption(force));
        CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(ListFolder(destination_),
                  (std::vector<std::string>{"Music.wav", "boom.adx.wav", "boom.wav", "step.wav"}));
        ExpectSameAsCore(force);
        // One line a file, then the summary.
        EXPECT_EQ(LinesWith(outcome.err, " -> "), 4u);
        EXPECT_NE(outcome.err.find("[1/4] " + In("boom.wad") + " -> " + Out("boom.wav") + "\n"), std::string::npos);
        EXPECT_NE(outcome.err.find("[4/4] " + In("step.adp") + " -> " + Out("step.wav") + "\n"), std::string::npos);
        EXPECT_EQ(outcome.err.substr(outcome.err.rfind("velkmar-cli: ")),
                  "velkmar-cli: 4 files converted into " + destination_ + "\n");
    }
}

TEST_F(FolderRunTest, AFailingFileInTheMiddleLeavesTheOthersConvertedAndIsListed) {
    MakePacked(In("a.wad"), 1);
    WriteFileBytes(In("b.wad"), Bytes{});  // no sound data
    MakePacked(In("c.wad"), 1);
    MakePacked(In("d.adx"), 2);
    std::filesystem::create_directory(std::filesystem::u8path(destination_));
    WriteFileBytes(Out("b.wav"), Bytes{'o', 'l', 'd'});  // from an earlier run: must survive
    CliOutcome outcome = Run({"extract-folder", source_, destination_});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Out("b.wav")), (Bytes{'o', 'l', 'd'}));
    std::filesystem::remove(std::filesystem::u8path(Out("b.wav")));
    ExpectSameAsCore(FORCE_NONE);
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"a.wav", "c.wav", "d.wav"}));
    EXPECT_NE(outcome.err.find("[2/4] " + In("b.wad") + ": no sound data\n"), std::string::npos);
    EXPECT_NE(outcome.err.find("[3/4] " + In("c.wad") + " -> "), std::string::npos);
    const std::string summary = "velkmar-cli: 3 of 4 files converted into " + destination_ +
                                "; 1 failed:\nvelkmar-cli: " + In("b.wad") + ": no sound data\n";
    ASSERT_GE(outcome.err.size(), summary.size());
    EXPECT_EQ(outcome.err.substr(outcome.err.size() - summary.size()), summary);
}

TEST_F(FolderRunTest, QuietReportsOnlyFailures) {
    MakePacked(In("a.wad"), 1);
    CliOutcome outcome = Run({"extract-folder", "-q", source_, destination_});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "");
    WriteFileBytes(In("b.adp"), Bytes{9});
    outcome = Run({"extract-folder", source_, destination_, "--quiet"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "velkmar-cli: 1 of 2 files converted into " + destination_ +
                               "; 1 failed:\nvelkmar-cli: " + In("b.adp") + ": no sound data\n");
}

TEST_F(FolderRunTest, TheFoldersGiven) {
    // A folder without packed files is no failure; no destination is made.
    WriteFileBytes(In("notes.txt"), Bytes{'x'});
    CliOutcome outcome = Run({"extract-folder", source_, destination_});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "velkmar-cli: no .wad, .adx or .adp files in " + source_ + "\n");
    EXPECT_FALSE(FileExists(destination_));
    // A missing destination is made, one level deep.
    MakePacked(In("a.wad"), 1);
    outcome = Run({"extract-folder", "--verbose", source_, destination_});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n') + 1), "velkmar-cli: created " + destination_ + "\n");
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"a.wav"}));
    // Folders that cannot serve: nothing is written anywhere.
    struct { std::string source, destination, message; } cases[] = {
        {Path("missing"), destination_, Path("missing") + ": cannot open the folder"},
        {In("a.wad"), destination_, In("a.wad") + ": cannot open the folder"},
        {source_, In("a.wad"), In("a.wad") + ": not a folder"},
        {source_, Join(Path("missing"), "wav"), Join(Path("missing"), "wav") + ": cannot create the folder"},
    };
    const std::vector<std::string> before = Entries(folder_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " " + c.destination);
        outcome = Run({"extract-folder", c.source, c.destination});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, "velkmar-cli: " + c.message + "\n");
        EXPECT_EQ(Entries(folder_), before);
        EXPECT_EQ(ListFolder(source_), (std::vector<std::string>{"a.wad", "notes.txt"}));
    }
}

#ifndef _WIN32
TEST_F(FolderRunTest, ATerminalGetsABarInsteadOfLines) {
    MakePacked(In("a.wad"), 1);
    WriteFileBytes(In("b.wad"), Bytes{});
    MakePacked(In("c.adx"), 2);
    CliOutcome outcome = RunCliOnTerminal({"extract-folder", source_, destination_}, capture_);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(LinesWith(outcome.err, " -> "), 0u);
    EXPECT_NE(outcome.err.find("\r  0% [..............................] file 1 of 3"), std::string::npos);
    EXPECT_NE(outcome.err.find("\r100% [##############################] file 3 of 3"), std::string::npos);
    // The failure shows above the bar as it happens, and in the summary.
    EXPECT_NE(outcome.err.find("[2/3] " + In("b.wad") + ": no sound data"), std::string::npos);
    EXPECT_NE(outcome.err.find("velkmar-cli: 2 of 3 files converted"), std::string::npos);
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"a.wav", "c.wav"}));
}
#endif

TEST_F(FolderRunTest, PackFolderPutsEachWavBackIntoItsPackedFile) {
    // The packed files stand in the game's folder under any letter case;
    // their extensions set the modes.
    std::filesystem::create_directory(std::filesystem::u8path(destination_));
    const Bytes kept = {'k', 'e', 'p', 't'};
    for (const char* name : {"BOOM.WAD", "Music.adx", "two.wad", "two.adp", "bad.wad", "other.wad"})
        WriteFileBytes(Out(name), kept);
    std::vector<int16_t> samples;
    for (int i = 0; i < 20000; ++i) samples.push_back(static_cast<int16_t>(7000 * std::sin(i * 0.05)));
    WriteFileBytes(In("boom.wav"), MakePcmWav(1, 44100, samples));
    WriteFileBytes(In("MUSIC.Wav"), MakePcmWav(1, 22050, samples));
    WriteFileBytes(In("two.wav"), MakePcmWav(1, 44100, samples));
    WriteFileBytes(In("lone.wav"), MakePcmWav(2, 44100, samples));
    Bytes bad = MakePcmWav(1, 44100, samples);
    bad[22] = 3;
    WriteFileBytes(In("bad.wav"), bad);
    const auto core = [&](const std::string& wav, const std::string& name) {
        EXPECT_EQ(PackSoundFileStatus(In(wav).c_str(), Path(name).c_str(), FORCE_NONE, nullptr), CONV_OK);
        return ReadFileBytes(Path(name));
    };
    CliOutcome outcome = Run({"pack-folder", source_, destination_});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Out("BOOM.WAD")), core("boom.wav", "core.wad"));
    EXPECT_EQ(ReadFileBytes(Out("Music.adx")), core("MUSIC.Wav", "core.adx"));
    for (const char* name : {"two.wad", "two.adp", "bad.wad", "other.wad"}) EXPECT_EQ(ReadFileBytes(Out(name)), kept) << name;
    EXPECT_EQ(LinesWith(outcome.err, In("two.wav") + ": skipped: two.wad and two.adp both stand in " + destination_), 2u);
    EXPECT_EQ(LinesWith(outcome.err, In("lone.wav") + ": skipped: no packed file of that name in " + destination_), 2u);
    EXPECT_EQ(LinesWith(outcome.err, In("bad.wav") + ": 3 channels: only mono and stereo WAVs can be packed"), 2u);
    EXPECT_NE(outcome.err.find("2 of 5 files converted into " + destination_ + "; 3 failed:"), std::string::npos);
    // --ext makes the missing one.
    outcome = Run({"pack-folder", source_, destination_, "--ext", "adp", "--quiet"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Out("lone.adp")), core("lone.wav", "core.adp"));
    EXPECT_EQ(ListFolder(destination_),
              (std::vector<std::string>{"BOOM.WAD", "Music.adx", "bad.wad", "lone.adp", "other.wad", "two.adp", "two.wad"}));
}

}  // namespace
