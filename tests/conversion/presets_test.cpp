// The presets and the channel rule.
#include <gtest/gtest.h>

#include "conversion/globals.h"
#include "conversion/presets.h"

namespace {

int ChannelsForPath(ChannelForce force, const char* path) {
    return ChannelsForExtension(force, PathExtension(path));
}

TEST(ChannelRule, ExtensionChoosesUnlessForced) {
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "D:\\snd\\boom.wad"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "D:\\snd\\boom.adp"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "D:\\snd\\music.ADX"), 2);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "music.aDx"), 2);
    // The last '.' of the whole path wins, also inside a folder name.
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "boom.adx.bak"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "D:\\my.adx\\boom"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "boom"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_NONE, "boom.adxx"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_MONO, "music.adx"), 1);
    EXPECT_EQ(ChannelsForPath(FORCE_STEREO, "boom.wad"), 2);
    EXPECT_EQ(ChannelsForPath(FORCE_STEREO, "boom"), 2);
}

TEST(ChannelRule, PathExtensionRunsFromTheLastDot) {
    EXPECT_STREQ(PathExtension("D:\\my.dir\\boom"), ".dir\\boom");
    EXPECT_STREQ(PathExtension("a.b.wad"), ".wad");
    EXPECT_EQ(PathExtension("boom"), nullptr);
}

TEST(Presets, WriteTheFormatFieldsOnly) {
    int marker = 0;
    g_soundInfo.data = &marker;
    g_soundInfo.dataLength = 123;
    g_soundInfo.samples = 456;
    g_soundInfo.rate = 22050;
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
