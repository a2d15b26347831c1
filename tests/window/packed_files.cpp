// Packed tones and reference extractions for the window tests.
#include "tests/window/packed_files.h"

#include <cmath>
#include <cstring>
#include <map>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"

namespace {

// Packing is slow next to extraction: each tone is packed once per run and
// sliced.
Bytes LongPackedTone(int channels, size_t size, const std::string& workFolder) {
    static std::map<int, Bytes> packed;
    Bytes& tone = packed[channels];
    if (tone.size() >= size) return tone;
    std::vector<int16_t> samples;
    const size_t frames = 3 * size + 4096;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(8000.0 * std::sin(static_cast<double>(i) * (0.031 + 0.017 * c)) +
                                                   3000.0 * std::sin(static_cast<double>(i) * 0.0023)));
    const std::string wav = workFolder + "\\tone.wav";
    const std::string adpcm = workFolder + "\\tone.packed";
    WriteFileBytes(wav, MakePcmWav(channels, 44100, samples));
    EXPECT_EQ(PackSoundFileStatus(wav.c_str(), adpcm.c_str(), channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr), CONV_OK);
    tone = ReadFileBytes(adpcm);
    std::remove(wav.c_str());
    std::remove(adpcm.c_str());
    return tone;
}

}  // namespace

Bytes PackedTone(size_t size, int channels, int variant, const std::string& workFolder) {
    const size_t block = channels == 2 ? 72 : 36;
    const size_t start = static_cast<size_t>(variant) * block;
    Bytes tone = LongPackedTone(channels, start + size + 2 * block, workFolder);
    EXPECT_GE(tone.size(), start + size);
    if (tone.size() < start + size) return Bytes(size, 0x55);
    return Bytes(tone.begin() + static_cast<long>(start), tone.begin() + static_cast<long>(start + size));
}

Bytes SingleFileExtraction(const std::string& source, int channels, const std::string& workFolder) {
    const std::string destination = workFolder + "\\reference.wav";
    if (channels == 2)
        ApplyStereoPreset();
    else
        ApplyMonoPreset();
    Bytes wav;
    if (ExtractSoundFileStatus(source.c_str(), destination.c_str()) == CONV_OK) wav = ReadFileBytes(destination);
    std::remove(destination.c_str());
    return wav;
}

int ImageChannels(const Bytes& wav) {
    if (wav.size() < 44 || std::memcmp(wav.data(), "RIFF", 4) != 0 || std::memcmp(wav.data() + 8, "WAVE", 4) != 0)
        return 0;
    return static_cast<int>(ReadLe16(wav.data() + 22));
}

uint32_t ImageRate(const Bytes& wav) { return ImageChannels(wav) ? ReadLe32(wav.data() + 24) : 0; }
