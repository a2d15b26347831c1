// Packing: read a WAV file by its chunks, turn its samples into the game's
// PCM, have the codec encode them, write only the ADPCM data.
#include "conversion/files/packing.h"

#include <cstdlib>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/file_access.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/globals.h"
#include "conversion/files/messages.h"

namespace {

// Reads the source file whole. On success *file is the caller's to free.
ConvStatus ReadWholeFile(FILE* input, uint8_t** file, size_t* length) {
    long long size = FileSizeOf(input);
    if (size < 0) return CONV_READ_FAILED;
    if (size == 0) return CONV_NOT_PCM_WAV;
    if (static_cast<unsigned long long>(size) > SIZE_MAX) return CONV_NO_MEMORY;
    const size_t bytes = static_cast<size_t>(size);
    uint8_t* data = static_cast<uint8_t*>(std::malloc(bytes));
    if (!data) return CONV_NO_MEMORY;
    size_t got = std::fread(data, 1, bytes, input);
    if (got == 0) {
        std::free(data);
        return CONV_READ_FAILED;
    }
    *file = data;
    *length = got;
    return CONV_OK;
}

// Reads the WAV's format into report and checks it.
ConvStatus CheckSource(const uint8_t* file, size_t length, PackReport* report) {
    if (ParseWavFile(file, length, &report->layout) != CONV_OK) return CONV_NOT_PCM_WAV;
    report->parsed = true;
    report->refusal = CheckPackable(report->layout);
    if (report->refusal == WAV_REFUSED_NO_FRAMES) return CONV_EMPTY_SOURCE;
    return report->refusal == WAV_PACKABLE ? CONV_OK : CONV_UNSUPPORTED_FORMAT;
}

// Encodes the game PCM. *image is the caller's to release.
ConvStatus EncodeSamples(const GamePcm& pcm, void** image, uint32_t* imageSize) {
    g_soundInfo.format = WAVE_TAG_PCM;
    g_soundInfo.channels = pcm.channels;
    g_soundInfo.rate = GAME_RATE;
    g_soundInfo.bits = 16;
    g_soundInfo.data = pcm.samples;
    g_soundInfo.dataLength = pcm.frames * pcm.channels * 2;
    g_soundInfo.samples = pcm.frames;
    int encoded = AIL_compress_ADPCM(&g_soundInfo, image, imageSize);
    g_soundInfo.data = nullptr;
    // The format was checked before: what is left is memory.
    return encoded && *image ? CONV_OK : CONV_NO_MEMORY;
}

// Writes the ADPCM data of an encoded image; an image declaring no data
// counts as a failed write.
ConvStatus WriteAdpcmData(PendingOutput* output, const void* image, uint32_t imageSize) {
    const uint8_t* bytes = static_cast<const uint8_t*>(image);
    if (imageSize < ADPCM_IMAGE_DATA) return CONV_WRITE_FAILED;
    const uint32_t size = ReadLe32(bytes + ADPCM_IMAGE_DATA_SIZE);
    if (size == 0 || size > imageSize - ADPCM_IMAGE_DATA) return CONV_WRITE_FAILED;
    return WriteOutput(output, bytes + ADPCM_IMAGE_DATA, size);
}

}  // namespace

ConvStatus PackSoundFileStatus(const char* source, const char* destination, ChannelForce force,
                               PackReport* report) {
    PackReport unused;
    if (!report) report = &unused;
    report->parsed = false;
    report->refusal = WAV_PACKABLE;
    // The mode the destination will be read in.
    report->channels = static_cast<uint32_t>(ChannelsForExtension(force, PathExtension(destination)));
    FILE* input = OpenSourceFile(source);
    if (!input) return CONV_CANNOT_OPEN_SOURCE;
    PendingOutput output;
    uint8_t* file = nullptr;
    size_t length = 0;
    GamePcm pcm = {};
    void* image = nullptr;
    uint32_t imageSize = 0;
    ConvStatus status = BeginOutput(&output, destination);
    if (status == CONV_OK) status = ReadWholeFile(input, &file, &length);
    // Read whole: closed before the destination is replaced, which may be
    // this very file (Windows does not replace a file that is open).
    std::fclose(input);
    if (status == CONV_OK) status = CheckSource(file, length, report);
    if (status == CONV_OK) status = MakeGamePcm(file, report->layout, report->channels, &pcm);
    // Converted samples no longer need the file: the encoder's image takes
    // its place in memory.
    if (status == CONV_OK && pcm.owned) {
        std::free(file);
        file = nullptr;
    }
    if (status == CONV_OK) status = EncodeSamples(pcm, &image, &imageSize);
    if (status == CONV_OK) status = WriteAdpcmData(&output, image, imageSize);
    if (status == CONV_OK) status = CommitOutput(&output);
    AbandonOutput(&output);
    ReleaseCodecImage(image);
    ReleaseGamePcm(&pcm);
    std::free(file);
    return status;
}

ConvStatus ReadWavFormat(const char* path, WavLayout* layout) {
    FILE* input = OpenSourceFile(path);
    if (!input) return CONV_CANNOT_OPEN_SOURCE;
    uint8_t* file = nullptr;
    size_t length = 0;
    ConvStatus status = ReadWholeFile(input, &file, &length);
    std::fclose(input);
    if (status == CONV_OK) status = ParseWavFile(file, length, layout);
    std::free(file);
    return status;
}

int PackSoundFile(const char* source, const char* destination, ChannelForce force) {
    ConvStatus status = PackSoundFileStatus(source, destination, force, nullptr);
    switch (status) {
    case CONV_OK:
        return 1;
    case CONV_CANNOT_OPEN_SOURCE:
    case CONV_CANNOT_OPEN_DESTINATION:
    case CONV_NOT_REGULAR_FILE:
    case CONV_PATH_TOO_LONG:
        ShowConversionMessage("Не удалось открыть файл", source, MESSAGE_ERROR);
        break;
    case CONV_WRITE_FAILED:
        ShowConversionMessage("Не удалось записать данные в файл", destination, MESSAGE_ERROR);
        break;
    default:
        ShowConversionMessage("Не удалось прочитать данные из файла", source, MESSAGE_ERROR);
        break;
    }
    return 0;
}
