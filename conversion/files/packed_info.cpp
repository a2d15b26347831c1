// Describing a packed file: its blocks, then its decoded sound.
#include "conversion/files/packed_info.h"

#include <cmath>
#include <limits>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/file_access.h"
#include "conversion/files/presets.h"

namespace {

double Decibels(double ratio) {
    return ratio > 0 ? 20.0 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

// Peak and RMS of the 16-bit samples of a decoded image.
void MeasureLevels(const uint8_t* image, uint32_t imageLength, PackedInfo* info) {
    int peak = 0;
    double energy = 0;
    const uint64_t samples = (imageLength - PCM_IMAGE_HEADER) / 2;
    for (uint64_t i = 0; i < samples; ++i) {
        const int sample = static_cast<int16_t>(ReadLe16(image + PCM_IMAGE_HEADER + 2 * i));
        const int magnitude = sample < 0 ? -sample : sample;
        if (magnitude > peak) peak = magnitude;
        energy += double(sample) * sample;
    }
    info->peakDbfs = Decibels(peak / FULL_SCALE);
    info->rmsDbfs = Decibels(samples ? std::sqrt(energy / double(samples)) / FULL_SCALE : 0.0);
}

}  // namespace

ConvStatus ReadPackedInfo(const char* path, uint32_t channels, PackedInfo* info) {
    FILE* file = OpenSourceFile(path);
    if (!file) return CONV_CANNOT_OPEN_SOURCE;
    const long long size = FileSizeOf(file);
    std::fclose(file);
    if (size < 0) return CONV_READ_FAILED;
    info->size = static_cast<uint64_t>(size);
    info->channels = channels;
    ConvStatus status = DetectFileBlockMode(path, &info->blocks, &info->evidence);
    ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
    void* image = nullptr;
    uint32_t imageLength = 0;
    if (status == CONV_OK) status = DecodePackedFile(path, &image, &imageLength);
    if (status == CONV_OK) {
        const uint8_t* bytes = static_cast<const uint8_t*>(image);
        info->cut = MeasureSilenceCut(bytes, imageLength, channels);
        MeasureLevels(bytes, imageLength, info);
    }
    ReleaseCodecImage(image);
    return status;
}
