// The rules under every conversion: the channel rule and its presets, the
// path rules, where a folder pass writes and how far its bar moves, which
// packed file a WAV goes back into, and a pass itself.
#include <filesystem>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/folder_passes.h"
#include "conversion/files/globals.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

namespace {

const std::string SEP(1, PATH_SEPARATOR);

TEST(Rules, ChannelRuleAndPresets) {
    const struct {
        ChannelForce force;
        const char* path;
        int channels;
    } cases[] = {
        {FORCE_NONE, "D:\\snd\\music.ADX", 2}, {FORCE_NONE, "boom.adp", 1},     {FORCE_NONE, "boom.adx.bak", 1},
        {FORCE_NONE, "D:\\my.adx\\boom", 1},   {FORCE_NONE, "boom", 1},         {FORCE_NONE, "boom.adxx", 1},
        {FORCE_MONO, "music.adx", 1},          {FORCE_STEREO, "boom.wad", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(ChannelsForExtension(c.force, PathExtension(c.path)), c.channels) << c.path;
    int marker = 0;
    g_soundInfo = {0, &marker, 123, 22050, 16, 0, 456, 0};
    ApplyChannelRule(FORCE_NONE, ".adx");
    const auto fields = [] {
        const SoundInfo& i = g_soundInfo;
        return std::vector<uint32_t>{i.format, i.dataLength, i.rate, i.bits, i.channels, i.samples, i.blockSize};
    };
    EXPECT_EQ(fields(), (std::vector<uint32_t>{0x11, 123, 44100, 4, 2, 456, 72})) << "only the format fields change";
    EXPECT_EQ(g_soundInfo.data, &marker);
    ApplyChannelRule(FORCE_NONE, ".wad");
    EXPECT_EQ(fields(), (std::vector<uint32_t>{0x11, 123, 44100, 4, 1, 456, 36}));
    g_soundInfo.data = nullptr;
}

TEST(Rules, Paths) {
    for (const char* name : {"boom.wad", "BOOM.WaD", "a.b.wad"}) EXPECT_TRUE(HasExtension(name, ".wad")) << name;
    for (const char* name : {"boom.wadx", "boom.wad.bak", "wad", "my.wad/boom"}) EXPECT_FALSE(HasExtension(name, ".wad")) << name;
    EXPECT_EQ(WavPathFor("sounds/boom.wad"), "sounds/boom.wav");
    EXPECT_EQ(WavPathFor("my.dir/boom"), "my.dir/boom.wav");
    EXPECT_EQ(FolderOf("a/b/c.wad") + "|" + FolderOf("c.wad"), "a/b/|");
    EXPECT_STREQ(PathExtension("D:\\my.dir\\boom"), ".dir\\boom");
    std::string path;
    EXPECT_EQ(JoinPath(("out" + SEP).c_str(), "a.wav", &path), CONV_OK);
    EXPECT_EQ(path, "out" + SEP + "a.wav");
    EXPECT_EQ(JoinPath(std::string(PATH_LIMIT - 6, 'f').c_str(), "a.wav", &path), CONV_OK);
    EXPECT_EQ(JoinPath(std::string(PATH_LIMIT - 5, 'f').c_str(), "a.wav", &path), CONV_PATH_TOO_LONG);
}

TEST(Rules, FolderDestinationsProgressAndCounterparts) {
    FolderRun run;
    std::string path;
    const std::pair<const char*, const char*> names[] = {
        {"boom.wad", "boom.wav"}, {"boom.adp", "boom.adp.wav"}, {"BOOM.adp", "BOOM.adp.2.wav"}};
    for (const auto& name : names) {
        ASSERT_EQ(FolderDestination(run, "out", name.first, &path), CONV_OK);
#ifndef _WIN32
        if (name.first[0] == 'B') continue;  // the Linux file system minds letter case
#endif
        EXPECT_EQ(path, "out" + SEP + name.second);
        NoteWritten(&run, path);
    }
    EXPECT_EQ(AdvanceProgress(0, 10, 40, 1, 2), 16383u);
    EXPECT_EQ(AdvanceProgress(16383, 30, 40, 2, 2), 65534u);
    EXPECT_EQ(AdvanceProgress(21845, 0, 0, 3, 3), 65535u);        // files under 1 KiB: by count
    EXPECT_EQ(AdvanceProgress(0, 200000, 400000, 1, 2), 32767u);  // no wrap-around
    const std::vector<std::string> packed = {"BOOM.WAD", "two.wad", "two.adx", "step.adp", "x.adp"};
    EXPECT_EQ(PackCounterparts(packed, "Boom.wav"), std::vector<std::string>{"BOOM.WAD"});
    EXPECT_EQ(PackCounterparts(packed, "step.adp.wav"), std::vector<std::string>{"step.adp"});
    EXPECT_EQ(PackCounterparts(packed, "two.wav").size(), 2u);
    EXPECT_TRUE(PackCounterparts(packed, "lone.wav").empty());
}

// Kib KiB of mono blocks at a level, the last one partial.
Bytes PackedOfKib(size_t kib, int16_t level) {
    Bytes data(kib * 1024 + 100, 0);
    for (size_t at = 0; at + 4 <= data.size(); at += 36) WriteLe16(&data[at], static_cast<uint16_t>(level));
    return data;
}

// What a pass's hooks saw; before file stopBefore a stop is asked for, and
// after every file the sound description is spoilt, as an action run from
// the window's message pump may leave it.
struct Recorder {
    std::vector<std::string> events;
    int stopBefore = 0, index = 0;
};

TEST_F(ScratchFolderTest, FolderPassesExtractTheirFilesLikeSingleExtractions) {
    const std::string in = Path("in"), out = Path("out");
    std::filesystem::create_directory(in);
    std::filesystem::create_directory(out);
    const std::pair<const char*, Bytes> files[] = {
        {"a.wad", PackedOfKib(10, 1000)}, {"b.WAD", PackedOfKib(30, -1000)}, {"c.wadx", PackedOfKib(1, 5)},
        {"boom.wad", Bytes(3, 1)},        {"a.adp", PackedOfKib(2, 200)},    {"s1.adx", PackedOfKib(3, 400)},
        {"s2.adx", PackedOfKib(3, 500)},  {"s3.adx", PackedOfKib(3, 600)}};
    for (const auto& file : files) WriteFileBytes(in + SEP + file.first, file.second);
    Recorder recorder;
    FolderHooks hooks = {&recorder,
                         [](void* r, int index, int count) {
                             static_cast<Recorder*>(r)->index = index;
                             static_cast<Recorder*>(r)->events.push_back(std::to_string(index) + "/" + std::to_string(count));
                         },
                         [](void* r) { return int(static_cast<Recorder*>(r)->index == static_cast<Recorder*>(r)->stopBefore); },
                         [](void* r, const char* name, ConvStatus status, uint32_t progress) {
                             static_cast<Recorder*>(r)->events.push_back(std::string(name) + (status ? " failed " : " ok ") +
                                                                         std::to_string(progress));
                             g_soundInfo = {0, nullptr, 0, 8000, 16, 2, 0, 0};
                         },
                         nullptr, nullptr, false};
    FolderRun run;
    const auto pass = [&](const char* extension, int channels, int stopBefore) {
        recorder = Recorder();
        recorder.stopBefore = stopBefore;
        std::vector<PassFile> list;
        EXPECT_EQ(ListPassFiles(in.c_str(), extension, &list), CONV_OK);
        return RunFolderPass(list, channels, in.c_str(), out.c_str(), &run, &hooks);
    };
    EXPECT_EQ(pass(".wad", 1, 0), 0);  // the empty file fails; the others go on
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"1/3", "a.wad ok 16383", "2/3", "b.WAD ok 65534", "3/3",
                                                         "boom.wad failed 65534"}));
    EXPECT_EQ(pass(".adp", 1, 0), 1);  // a.wav is this run's: a.adp.wav
    EXPECT_EQ(pass(".adx", 2, 3), 1);  // stopped before its third file
    EXPECT_EQ(recorder.events.back(), "3/3");
    EXPECT_EQ(pass(".xyz", 1, 0), 0);  // nothing matches
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"a.adp.wav", "a.wav", "b.wav", "s1.wav", "s2.wav"}));
    const struct {
        const char *source, *written;
        ChannelForce mode;
    } made[] = {{"a.adp", "a.adp.wav", FORCE_MONO}, {"s2.adx", "s2.wav", FORCE_STEREO}};
    for (const auto& m : made) {
        ApplyChannelRule(m.mode, nullptr);
        ASSERT_EQ(ExtractSoundFile((in + SEP + m.source).c_str(), Path("single.wav").c_str()), 1);
        EXPECT_EQ(ReadFileBytes(out + SEP + m.written), ReadFileBytes(Path("single.wav")))
            << m.source << ": the pass's own mode, whatever the description held";
    }
}

}  // namespace
