// The mono and stereo presets and the channel rule.
#include "conversion/files/presets.h"

#include "conversion/files/globals.h"
#include "conversion/files/paths.h"

namespace {

void ApplyPreset(uint32_t channels) {
    g_soundInfo.format = WAVE_TAG_IMA_ADPCM;
    g_soundInfo.rate = GAME_RATE;
    g_soundInfo.bits = GAME_BITS;
    g_soundInfo.channels = channels;
    g_soundInfo.blockSize = GAME_BLOCK_BYTES_PER_CHANNEL * channels;
}

}  // namespace

void ApplyMonoPreset() { ApplyPreset(1); }

void ApplyStereoPreset() { ApplyPreset(2); }

int ChannelsForExtension(ChannelForce force, const char* extension) {
    if (force == FORCE_MONO) return 1;
    if (force == FORCE_STEREO) return 2;
    return extension && SameIgnoringCase(extension, ".adx") ? 2 : 1;
}

void ApplyChannelRule(ChannelForce force, const char* extension) {
    if (ChannelsForExtension(force, extension) == 2)
        ApplyStereoPreset();
    else
        ApplyMonoPreset();
}
