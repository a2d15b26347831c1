// Packing: read a PCM WAV file by its chunks, have the codec encode the
// samples, write only the ADPCM data.
#include "conversion/packing.h"

#include <cstdlib>
#include <cstring>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/byte_order.h"
#include "conversion/file_access.h"
#include "conversion/globals.h"
#include "conversion/messages.h"

namespace {

const uint32_t WAVE_TAG_EXTENSIBLE = 0xFFFE;

// The KSDATAFORMAT_SUBTYPE GUID of an extensible header, after its first
// two bytes (the sub-format's own tag): -0000-0010-8000-00aa00389b71.
const uint8_t SUBFORMAT_GUID_TAIL[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

const uint32_t FMT_MINIMUM = 16;     // tag, channels, rate, byte rate, align, bits
const uint32_t FMT_EXTENSIBLE = 40;  // ... cbSize, valid bits, mask, sub-format GUID

// Reads a "fmt " chunk body of size bytes into layout. False when it is too
// short to hold the basic fields.
bool ReadFormatChunk(const uint8_t* body, uint32_t size, WavLayout* layout) {
    if (size < FMT_MINIMUM) return false;
    layout->format = ReadLe16(body);
    layout->channels = ReadLe16(body + 2);
    layout->rate = ReadLe32(body + 4);
    layout->bits = ReadLe16(body + 14);
    if (layout->format == WAVE_TAG_EXTENSIBLE && size >= FMT_EXTENSIBLE &&
        std::memcmp(body + 26, SUBFORMAT_GUID_TAIL, sizeof SUBFORMAT_GUID_TAIL) == 0)
        layout->format = ReadLe16(body + 24);
    return true;
}

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

// Fills the sound description from the WAV layout and encodes its whole
// frames. *image is the caller's to release.
ConvStatus EncodeSamples(const uint8_t* file, const WavLayout& layout, void** image, uint32_t* imageSize) {
    g_soundInfo.format = layout.format;
    g_soundInfo.channels = layout.channels;
    g_soundInfo.rate = layout.rate;
    g_soundInfo.bits = layout.bits;
    if (layout.channels == 0 || layout.dataLength == 0) return CONV_EMPTY_SOURCE;
    g_soundInfo.data = file + layout.dataOffset;
    g_soundInfo.dataLength = layout.dataLength;
    g_soundInfo.samples = layout.dataLength / layout.channels / 2;
    int encoded = AIL_compress_ADPCM(&g_soundInfo, image, imageSize);
    g_soundInfo.data = nullptr;
    return encoded && *image ? CONV_OK : CONV_UNSUPPORTED_FORMAT;
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

ConvStatus ParseWavFile(const uint8_t* file, size_t length, WavLayout* layout) {
    if (length < 12 || !TagIs(file, "RIFF") || !TagIs(file + 8, "WAVE")) return CONV_NOT_PCM_WAV;
    bool haveFormat = false;
    bool haveData = false;
    // The RIFF size is not trusted: chunks are walked to the file's end.
    size_t at = 12;
    while (length - at >= 8 && !(haveFormat && haveData)) {
        const uint8_t* chunk = file + at;
        const uint32_t size = ReadLe32(chunk + 4);
        const size_t available = length - at - 8;
        if (TagIs(chunk, "fmt ") && !haveFormat) {
            if (size > available || !ReadFormatChunk(chunk + 8, size, layout)) return CONV_NOT_PCM_WAV;
            haveFormat = true;
        } else if (TagIs(chunk, "data") && !haveData) {
            // A data chunk may claim more than the file holds: take what is there.
            layout->dataOffset = at + 8;
            layout->dataLength = static_cast<uint32_t>(size < available ? size : available);
            haveData = true;
        }
        const uint64_t next = at + 8ull + size + (size & 1u);
        if (next > length) break;
        at = static_cast<size_t>(next);
    }
    return haveFormat && haveData ? CONV_OK : CONV_NOT_PCM_WAV;
}

ConvStatus PackSoundFileStatus(const char* source, const char* destination) {
    FILE* input = OpenSourceFile(source);
    if (!input) return CONV_CANNOT_OPEN_SOURCE;
    PendingOutput output;
    uint8_t* file = nullptr;
    size_t length = 0;
    WavLayout layout;
    void* image = nullptr;
    uint32_t imageSize = 0;
    ConvStatus status = BeginOutput(&output, destination);
    if (status == CONV_OK) status = ReadWholeFile(input, &file, &length);
    // Read whole: closed before the destination is replaced, which may be
    // this very file (Windows does not replace a file that is open).
    std::fclose(input);
    if (status == CONV_OK) status = ParseWavFile(file, length, &layout);
    if (status == CONV_OK) status = EncodeSamples(file, layout, &image, &imageSize);
    if (status == CONV_OK) status = WriteAdpcmData(&output, image, imageSize);
    if (status == CONV_OK) status = CommitOutput(&output);
    AbandonOutput(&output);
    ReleaseCodecImage(image);
    std::free(file);
    return status;
}

int PackSoundFile(const char* source, const char* destination) {
    ConvStatus status = PackSoundFileStatus(source, destination);
    switch (status) {
    case CONV_OK:
        return 1;
    case CONV_CANNOT_OPEN_SOURCE:
    case CONV_CANNOT_OPEN_DESTINATION:
    case CONV_NOT_REGULAR_FILE:
    case CONV_PATH_TOO_LONG:
        ShowConversionMessage(nullptr, "Не удалось открыть файл", source, MESSAGE_ERROR);
        break;
    case CONV_WRITE_FAILED:
        ShowConversionMessage(nullptr, "Не удалось записать данные в файл", destination, MESSAGE_ERROR);
        break;
    default:
        ShowConversionMessage(nullptr, "Не удалось прочитать данные из файла", source, MESSAGE_ERROR);
        break;
    }
    return 0;
}
