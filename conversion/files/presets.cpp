// The mono and stereo presets and the channel rule.
#include "conversion/files/presets.h"

#include "conversion/files/globals.h"
#include "conversion/files/paths.h"

namespace {

const uint32_t PACKED_RATE = 44100;
const uint32_t PACKED_BITS = 4;
const uint32_t MONO_BLOCK = 36;
const uint32_t STEREO_BLOCK = 72;

void ApplyPreset(uint32_t channels, uint32_t blockSize) {
    g_soundInfo.format = WAVE_TAG_IMA_ADPCM;
    g_soundInfo.rate = PACKED_RATE;
    g_soundInfo.bits = PACKED_BITS;
    g_soundInfo.channels = channels;
    g_soundInfo.blockSize = blockSize;
}

}  // namespace

void ApplyMonoPreset() { ApplyPreset(1, MONO_BLOCK); }

void ApplyStereoPreset() { ApplyPreset(2, STEREO_BLOCK); }

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
