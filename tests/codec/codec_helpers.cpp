// Implementation of the codec test helpers.
#include "tests/codec/codec_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "conversion/codec/byte_order.h"

WavFile ParseWav(const Bytes& bytes) {
    WavFile wav;
    if (bytes.size() < 12 || !TagIs(bytes.data(), "RIFF") || !TagIs(bytes.data() + 8, "WAVE"))
        return wav;
    bool haveFmt = false, haveData = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + at;
        const size_t size = ReadLe32(chunk + 4);
        const size_t body = at + 8;
        const size_t have = std::min(size, bytes.size() - body);
        if (TagIs(chunk, "fmt ") && have >= 16) {
            wav.format = ReadLe16(chunk + 8);
            wav.channels = ReadLe16(chunk + 10);
            wav.rate = ReadLe32(chunk + 12);
            wav.blockAlign = ReadLe16(chunk + 20);
            haveFmt = true;
        } else if (TagIs(chunk, "data")) {
            wav.data.assign(bytes.begin() + static_cast<long>(body),
                            bytes.begin() + static_cast<long>(body + have));
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFmt || !haveData) wav.format = 0;
    return wav;
}

Samples FixtureSamples(const std::string& name) {
    const WavFile wav = ParseWav(ReadFileBytes(FixturePath(name)));
    Samples samples(wav.data.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(ReadLe16(wav.data.data() + 2 * i));
    return samples;
}

Samples DecodePacked(const Bytes& packed, uint32_t channels, uint32_t blockSize) {
    SoundInfo info = {WAVE_TAG_IMA_ADPCM, packed.data(), static_cast<uint32_t>(packed.size()),
                      44100, 4, channels, UINT32_MAX, blockSize};
    void* image = nullptr;
    uint32_t size = 0;
    if (!AIL_decompress_ADPCM(&info, &image, &size)) return Samples();
    const uint8_t* p = static_cast<const uint8_t*>(image);
    Samples samples(ReadLe32(p + PCM_IMAGE_DATA_SIZE) / 2);
    std::memcpy(samples.data(), p + PCM_IMAGE_HEADER, samples.size() * 2);
    ReleaseCodecImage(image);
    return samples;
}

Bytes EncodePcm(const Samples& pcm, uint32_t channels, AdpcmEncoder encoder) {
    SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), 44100, 16,
                      channels, static_cast<uint32_t>(pcm.size() / channels), 0};
    void* image = nullptr;
    uint32_t size = 0;
    if (!CompressAdpcmWith(&info, encoder, &image, &size)) return Bytes();
    const uint8_t* p = static_cast<const uint8_t*>(image);
    Bytes bytes(p, p + size);
    ReleaseCodecImage(image);
    return bytes;
}

Bytes PackedData(const Bytes& image) {
    if (image.size() < ADPCM_IMAGE_DATA) return Bytes();
    return Bytes(image.begin() + ADPCM_IMAGE_DATA, image.end());
}

Samples Channel(const Samples& interleaved, uint32_t channels, uint32_t channel) {
    Samples out;
    for (size_t i = channel; i < interleaved.size(); i += channels) out.push_back(interleaved[i]);
    return out;
}

Samples Excerpt(const Samples& interleaved, uint32_t channels, size_t first, size_t count) {
    const size_t begin = std::min(first * channels, interleaved.size());
    const size_t end = std::min((first + count) * channels, interleaved.size());
    return Samples(interleaved.begin() + static_cast<long>(begin), interleaved.begin() + static_cast<long>(end));
}
