// The presets and the channel rule.
#include <gtest/gtest.h>

#include "conversion/files/globals.h"
#include "conversion/files/presets.h"

namespace {

TEST(ChannelRule, ExtensionChoosesUnlessForced) {
    const struct {
        ChannelForce force;
        const char* path;
        int channels;
    } cases[] = {
        {FORCE_NONE, "D:\\snd\\boom.wad", 1}, {FORCE_NONE, "D:\\snd\\music.ADX", 2}, {FORCE_NONE, "music.aDx", 2},
        {FORCE_NONE, "boom.adp", 1},          {FORCE_NONE, "boom.adx.bak", 1},       {FORCE_NONE, "D:\\my.adx\\boom", 1},
        {FORCE_NONE, "boom", 1},              {FORCE_NONE, "boom.adxx", 1},          {FORCE_MONO, "music.adx", 1},
        {FORCE_STEREO, "boom.wad", 2},        {FORCE_STEREO, "boom", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(ChannelsForExtension(c.force, PathExtension(c.path)), c.channels) << c.path;
    EXPECT_STREQ(PathExtension("D:\\my.dir\\boom"), ".dir\\boom");
}

TEST(Presets, WriteTheFormatFieldsOnly) {
    int marker = 0;
    g_soundInfo = {0, &marker, 123, 22050, 16, 0, 456, 0};
    ApplyChannelRule(FORCE_NONE, ".adx");
    EXPECT_EQ(g_soundInfo.format, 0x11u);
    EXPECT_EQ(g_soundInfo.rate, 44100u);
    EXPECT_EQ(g_soundInfo.bits, 4u);
    EXPECT_EQ(g_soundInfo.channels, 2u);
    EXPECT_EQ(g_soundInfo.blockSize, 72u);
    ApplyChannelRule(FORCE_NONE, ".wad");
    EXPECT_EQ(g_soundInfo.channels, 1u);
    EXPECT_EQ(g_soundInfo.blockSize, 36u);
    EXPECT_EQ(g_soundInfo.data, &marker);
    EXPECT_EQ(g_soundInfo.dataLength, 123u);
    EXPECT_EQ(g_soundInfo.samples, 456u);
    g_soundInfo.data = nullptr;
}

}  // namespace
