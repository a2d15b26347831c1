// The mono and stereo presets and the channel rule.
#include "conversion/presets.h"

#include <cstring>

#include "conversion/globals.h"

#ifdef _WIN32
#include "resources/resource.h"
#endif

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

bool IsAdxExtension(const char* extension) {
    const char ADX[] = ".adx";
    if (std::strlen(extension) != 4) return false;
    for (int i = 0; i < 4; ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ADX[i]) return false;
    }
    return true;
}

}  // namespace

void ApplyMonoPreset() { ApplyPreset(1, MONO_BLOCK); }

void ApplyStereoPreset() { ApplyPreset(2, STEREO_BLOCK); }

int ChannelsForExtension(ChannelForce force, const char* extension) {
    if (force == FORCE_MONO) return 1;
    if (force == FORCE_STEREO) return 2;
    return extension && IsAdxExtension(extension) ? 2 : 1;
}

void ApplyChannelRule(ChannelForce force, const char* extension) {
    if (ChannelsForExtension(force, extension) == 2)
        ApplyStereoPreset();
    else
        ApplyMonoPreset();
}

const char* PathExtension(const char* path) { return std::strrchr(path, '.'); }

#ifdef _WIN32
void SelectChannelMode(const char* extension) {
    ChannelForce force = FORCE_NONE;
    if (IsDlgButtonChecked(g_extractPage, IDC_FORCE_MODE) == BST_CHECKED)
        force = IsDlgButtonChecked(g_extractPage, IDC_EFFECTS) == BST_CHECKED ? FORCE_MONO : FORCE_STEREO;
    ApplyChannelRule(force, extension);
}
#endif
