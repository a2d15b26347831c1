// Folder passes: which files they take, where the WAVs go, the progress,
// stopping, and what a nested action must not disturb.
#include <filesystem>

#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/folder_passes.h"
#include "conversion/files/globals.h"
#include "conversion/files/presets.h"
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

// What the hooks saw. Before file stopBefore a stop is asked for; after
// every file the sound description is spoilt, as a packing run from the
// message pump would leave it.
struct Recorder {
    std::vector<std::string> events;
    std::vector<uint32_t> progress;
    int stopBefore = 0;
    int index = 0;
};

void Starting(void* context, int index, int count) {
    Recorder* r = static_cast<Recorder*>(context);
    r->index = index;
    r->events.push_back(std::to_string(index) + "/" + std::to_string(count));
}

int Stop(void* context) { return static_cast<Recorder*>(context)->index == static_cast<Recorder*>(context)->stopBefore; }

void Done(void* context, const char* name, ConvStatus status, uint32_t progress) {
    Recorder* r = static_cast<Recorder*>(context);
    r->events.push_back(std::string(name) + (status == CONV_OK ? " ok" : " failed"));
    r->progress.push_back(progress);
    g_soundInfo = {0, nullptr, 0, 8000, 16, 2, 0, 0};
}

TEST(FolderRules, ExtensionsProgressAndDestinations) {
    for (const char* name : {"boom.wad", "BOOM.WaD", "a.b.wad"}) EXPECT_TRUE(HasExtension(name, ".wad")) << name;
    for (const char* name : {"boom.wadx", "boom.wa", "boom.wad.bak", "wad"}) EXPECT_FALSE(HasExtension(name, ".wad")) << name;

    EXPECT_EQ(AdvanceProgress(0, 10, 40, 1, 2), 16383u);
    EXPECT_EQ(AdvanceProgress(16383, 30, 40, 2, 2), 65534u);
    EXPECT_EQ(AdvanceProgress(0, 0, 0, 1, 3), 21845u);  // files under 1 KiB: by count
    EXPECT_EQ(AdvanceProgress(21845, 0, 0, 3, 3), 65535u);
    EXPECT_EQ(AdvanceProgress(0, 200000, 400000, 1, 2), 32767u);  // no wrap-around

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
    ASSERT_EQ(FolderDestination(run, "OUT", "BOOM.adx", &path), CONV_OK);  // the file system ignores case
    EXPECT_EQ(path, "OUT\\BOOM.adx.wav");
#endif
    const std::string folder(PATH_LIMIT - 1 - 8, 'f');
    EXPECT_EQ(FolderDestination(run, folder.c_str(), "abcd.wad", &path), CONV_OK);
    EXPECT_EQ(path.size(), PATH_LIMIT);
    EXPECT_EQ(FolderDestination(run, folder.c_str(), "abcde.wad", &path), CONV_PATH_TOO_LONG);
}

TEST_F(ScratchFolderTest, PassesExtractTheirFilesLikeSingleExtractions) {
    const std::string in = Path("in"), out = Path("out");
    std::filesystem::create_directory(in);
    std::filesystem::create_directory(out);
    auto put = [&](const std::string& name, const Bytes& bytes) { WriteFileBytes(in + SEP + name, bytes); };
    put("a.wad", PackedOfKib(10, 1000));
    put("b.WAD", PackedOfKib(30, -1000));
    put("c.wadx", PackedOfKib(1, 5));
    put("boom.wad", Bytes(3, 1));  // no sound data: fails, the others go on
    put("a.adp", PackedOfKib(2, 200));
    put("s1.adx", PackedOfKib(3, 400));
    put("s2.adx", PackedOfKib(3, 500));
    put("s3.adx", PackedOfKib(3, 600));
    WriteFileBytes(out + SEP + "a.wav", Bytes(50, 9));  // from before the run: replaced
    Recorder recorder;
    FolderHooks hooks = {&recorder, Starting, Stop, Done, nullptr, nullptr, false};
    FolderRun run;
    auto pass = [&](const char* extension, int channels) {
        recorder = Recorder();
        recorder.stopBefore = std::string(extension) == ".adx" ? 3 : 0;
        std::vector<PassFile> files;
        EXPECT_EQ(ListPassFiles(in.c_str(), extension, &files), CONV_OK);
        return RunFolderPass(files, channels, in.c_str(), out.c_str(), &run, &hooks);
    };
    auto single = [&](const std::string& name, int channels) {
        ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFile((in + SEP + name).c_str(), Path("single.wav").c_str()), 1);
        return ReadFileBytes(Path("single.wav"));
    };

    EXPECT_EQ(pass(".wad", 1), 0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"1/3", "a.wad ok", "2/3", "b.WAD ok", "3/3", "boom.wad failed"}));
    EXPECT_EQ(recorder.progress, (std::vector<uint32_t>{16383, 65534, 65534}));
    EXPECT_EQ(pass(".adp", 1), 1);  // a.wav is this run's: a.adp.wav
    EXPECT_EQ(pass(".adx", 2), 1);  // stopped before its third file
    EXPECT_EQ(recorder.events.back(), "3/3");
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"a.adp.wav", "a.wav", "b.wav", "s1.wav", "s2.wav"}));
    EXPECT_EQ(ReadFileBytes(out + SEP + "a.wav"), single("a.wad", 1));
    EXPECT_EQ(ReadFileBytes(out + SEP + "a.adp.wav"), single("a.adp", 1));
    EXPECT_EQ(ReadFileBytes(out + SEP + "s2.wav"), single("s2.adx", 2));  // despite the spoilt description

    EXPECT_EQ(pass(".xyz", 1), 0);  // nothing matches
}

}  // namespace
