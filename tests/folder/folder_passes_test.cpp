// Folder passes: which files they take, where the WAVs go, the progress,
// stopping, and what a nested action must not disturb.
#include <filesystem>

#include <gtest/gtest.h>

#include "conversion/byte_order.h"
#include "conversion/extraction.h"
#include "conversion/folder_passes.h"
#include "conversion/globals.h"
#include "conversion/presets.h"
#include "tests/support/test_files.h"

namespace {

#ifdef _WIN32
const std::string SEP = "\\";
const size_t PATH_LIMIT = 259;
#else
const std::string SEP = "/";
const size_t PATH_LIMIT = 4095;
#endif

// kib KiB of mono blocks (the last one partial) at a level.
Bytes PackedOfKib(size_t kib, int16_t level) {
    Bytes data(kib * 1024 + 100, 0);
    for (size_t at = 0; at + 4 <= data.size(); at += 36) WriteLe16(data.data() + at, static_cast<uint16_t>(level));
    return data;
}

struct Recorder {
    std::vector<std::string> events;
    std::vector<uint32_t> progress;
    int stopBefore = 0;  // index of the file before which to ask to stop
    int index = 0;
    bool rewriteDescription = false;
};

void Starting(void* context, int index, int count) {
    Recorder* r = static_cast<Recorder*>(context);
    r->index = index;
    r->events.push_back("file " + std::to_string(index) + " of " + std::to_string(count));
}

int Stop(void* context) {
    Recorder* r = static_cast<Recorder*>(context);
    return r->index == r->stopBefore;
}

void Done(void* context, const char* name, ConvStatus status, uint32_t progress) {
    Recorder* r = static_cast<Recorder*>(context);
    r->events.push_back(std::string(name) + (status == CONV_OK ? " ok" : " failed"));
    r->progress.push_back(progress);
    if (r->rewriteDescription) {
        // What a packing run from the message pump does to the description.
        g_soundInfo.channels = 2;
        g_soundInfo.blockSize = 0;
        g_soundInfo.rate = 8000;
    }
}

class FolderPass : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        source_ = Path("in");
        destination_ = Path("out");
        std::filesystem::create_directory(source_);
        std::filesystem::create_directory(destination_);
        hooks_ = {&recorder_, Starting, Stop, Done};
    }
    void Put(const std::string& name, const Bytes& bytes) { WriteFileBytes(source_ + "/" + name, bytes); }
    Bytes Out(const std::string& name) { return ReadFileBytes(destination_ + "/" + name); }
    int Run(const char* extension, int channels) {
        return RunFolderPass(extension, channels, source_.c_str(), destination_.c_str(), &run_, &hooks_);
    }
    // What a single-file extraction of name gives with the preset.
    Bytes Single(const std::string& name, int channels) {
        ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFile((source_ + "/" + name).c_str(), Path("single.wav").c_str()), 1);
        return ReadFileBytes(Path("single.wav"));
    }
    std::string source_, destination_;
    Recorder recorder_;
    FolderRun run_;
    FolderHooks hooks_;
};

TEST(FolderRules, APassTakesOnlyItsOwnExtension) {
    EXPECT_TRUE(HasExtension("boom.wad", ".wad"));
    EXPECT_TRUE(HasExtension("BOOM.WaD", ".wad"));
    EXPECT_TRUE(HasExtension("a.b.adp", ".adp"));
    EXPECT_FALSE(HasExtension("boom.wadx", ".wad"));
    EXPECT_FALSE(HasExtension("boom.wa", ".wad"));
    EXPECT_FALSE(HasExtension("boom.wad.bak", ".wad"));
    EXPECT_FALSE(HasExtension("wad", ".wad"));
}

TEST(FolderRules, ProgressIsWeightedBySize) {
    uint32_t p = AdvanceProgress(0, 10, 40, 1, 2);
    EXPECT_EQ(p, 16383u);
    EXPECT_EQ(AdvanceProgress(p, 30, 40, 2, 2), 65534u);
    // Files under 1 KiB only: by count, and the pass completes.
    EXPECT_EQ(AdvanceProgress(0, 0, 0, 1, 3), 21845u);
    EXPECT_EQ(AdvanceProgress(21845, 0, 0, 3, 3), 65535u);
    // Large files do not wrap around.
    EXPECT_EQ(AdvanceProgress(0, 200000, 400000, 1, 2), 32767u);
}

TEST(FolderRules, DestinationsOfOneRunDoNotCollide) {
    FolderRun run;
    std::string path;
    ASSERT_EQ(FolderDestination(run, "out", "boom.wad", &path), CONV_OK);
    EXPECT_EQ(path, "out" + SEP + "boom.wav");
    NoteWritten(&run, path);
    ASSERT_EQ(FolderDestination(run, ("out" + SEP).c_str(), "boom.adp", &path), CONV_OK);
    EXPECT_EQ(path, "out" + SEP + "boom.adp.wav");
    NoteWritten(&run, path);
    ASSERT_EQ(FolderDestination(run, "out", "boom.adp", &path), CONV_OK);
    EXPECT_EQ(path, "out" + SEP + "boom.adp.2.wav");
#ifdef _WIN32
    // The file system ignores letter case, and so does the rule.
    ASSERT_EQ(FolderDestination(run, "OUT", "BOOM.adx", &path), CONV_OK);
    EXPECT_EQ(path, "OUT\\BOOM.adx.wav");
#endif

    // A path of exactly the limit fits; one byte more does not.
    const std::string folder(PATH_LIMIT - 1 - 8, 'f');
    EXPECT_EQ(FolderDestination(run, folder.c_str(), "abcd.wad", &path), CONV_OK);
    EXPECT_EQ(path.size(), PATH_LIMIT);
    EXPECT_EQ(FolderDestination(run, folder.c_str(), "abcde.wad", &path), CONV_PATH_TOO_LONG);
}

TEST_F(FolderPass, ExtractsEveryFileOfItsKindLikeASingleExtraction) {
    Put("a.wad", PackedOfKib(10, 1000));
    Put("b.WAD", PackedOfKib(30, -1000));
    Put("c.wadx", PackedOfKib(1, 5));
    Put("d.adx", PackedOfKib(2, 7));
    EXPECT_EQ(Run(".wad", 1), 1);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"file 1 of 2", "a.wad ok", "file 2 of 2", "b.WAD ok"}));
    EXPECT_EQ(recorder_.progress, (std::vector<uint32_t>{16383, 65534}));
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(Out("a.wav"), Single("a.wad", 1));
    EXPECT_EQ(Out("b.wav"), Single("b.WAD", 1));

    EXPECT_EQ(Run(".adx", 2), 1);
    EXPECT_EQ(Out("d.wav"), Single("d.adx", 2));
    EXPECT_EQ(ReadLe16(Out("d.wav").data() + 22), 2);
}

TEST_F(FolderPass, ALaterPassDoesNotOverwriteWhatAnEarlierOneWrote) {
    Put("boom.wad", PackedOfKib(2, 100));
    Put("boom.adp", PackedOfKib(2, 200));
    WriteFileBytes(destination_ + "/boom.wav", Bytes(50, 9));  // from before the run: replaced
    EXPECT_EQ(Run(".wad", 1), 1);
    EXPECT_EQ(Run(".adp", 1), 1);
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"boom.adp.wav", "boom.wav"}));
    EXPECT_EQ(Out("boom.wav"), Single("boom.wad", 1));
    EXPECT_EQ(Out("boom.adp.wav"), Single("boom.adp", 1));
}

TEST_F(FolderPass, AStopRequestEndsThePassBeforeItsNextFile) {
    for (const char* name : {"1.wad", "2.wad", "3.wad", "4.wad"}) Put(name, PackedOfKib(1, 300));
    recorder_.stopBefore = 3;
    EXPECT_EQ(Run(".wad", 1), 1);
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"1.wav", "2.wav"}));
    EXPECT_EQ(recorder_.events.back(), "file 3 of 4");
}

TEST_F(FolderPass, EveryFileIsDecodedWithThePassPresetWhateverRanInBetween) {
    Put("a.adx", PackedOfKib(3, 400));
    Put("b.adx", PackedOfKib(3, 500));
    recorder_.rewriteDescription = true;
    EXPECT_EQ(Run(".adx", 1), 1);  // forced mono
    EXPECT_EQ(Out("b.wav"), Single("b.adx", 1));
    EXPECT_EQ(ReadLe32(Out("b.wav").data() + 24), 44100u);
}

TEST_F(FolderPass, FailsForNothingToDoAndForFilesThatFail) {
    EXPECT_EQ(Run(".wad", 1), 0);  // nothing matches
    std::string missing = Path("missing");
    EXPECT_EQ(RunFolderPass(".wad", 1, missing.c_str(), destination_.c_str(), &run_, &hooks_), 0);
    EXPECT_TRUE(recorder_.events.empty());

    Put("small.wad", PackedOfKib(0, 10));  // under 1 KiB: the bar moves by count
    Put("tiny.wad", Bytes(3, 1));          // no sound data: fails, the others go on
    Put("zsmall.wad", PackedOfKib(0, 20));
    EXPECT_EQ(Run(".wad", 1), 0);
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"file 1 of 3", "small.wad ok", "file 2 of 3",
                                                          "tiny.wad failed", "file 3 of 3", "zsmall.wad ok"}));
    EXPECT_EQ(recorder_.progress.back(), 65535u);
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"small.wav", "zsmall.wav"}));
}

}  // namespace
