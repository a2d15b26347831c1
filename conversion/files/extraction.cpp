// Single-file extraction: read a packed file whole, decode it with the
// preset in the sound description, cut it at the first long silence and
// write the WAV image.
#include "conversion/files/extraction.h"

#include <cstdlib>
#include <cstring>

#include "conversion/codec/adpcm_codec.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/file_access.h"
#include "conversion/files/globals.h"

namespace {

const uint64_t RIFF_LIMIT = 0xFFFFFFFFull;

// Reads the source whole, its length rounded down to a multiple of 4 (the
// trailing one to three bytes are never read). The part a short read does
// not deliver is zero; a read that does not even deliver the first quarter
// fails. On success *buffer is the caller's to free.
ConvStatus ReadPackedSource(FILE* source, uint8_t** buffer, uint32_t* length) {
    long long size = FileSizeOf(source);
    if (size < 0) return CONV_READ_FAILED;
    const uint64_t whole = static_cast<uint64_t>(size) & ~3ull;
    if (whole == 0) return CONV_EMPTY_SOURCE;
    const uint64_t decoded = DecodedImageLength(&g_soundInfo, whole);
    if (decoded == 0) return CONV_UNSUPPORTED_FORMAT;  // no preset applied
    if (whole > RIFF_LIMIT || decoded > RIFF_LIMIT) return CONV_TOO_LARGE;
    if (whole > SIZE_MAX) return CONV_NO_MEMORY;
    const size_t bytes = static_cast<size_t>(whole);
    uint8_t* data = static_cast<uint8_t*>(std::malloc(bytes));
    if (!data) return CONV_NO_MEMORY;
    size_t got = std::fread(data, 1, bytes, source);
    if (got < bytes / 4) {
        std::free(data);
        return CONV_READ_FAILED;
    }
    std::memset(data + got, 0, bytes - got);
    *buffer = data;
    *length = static_cast<uint32_t>(whole);
    return CONV_OK;
}

// Decodes with the preset in g_soundInfo. *image is the caller's to
// release; *imageLength is taken from the image's RIFF size field.
ConvStatus DecodePacked(const uint8_t* data, uint32_t length, void** image, uint32_t* imageLength) {
    g_soundInfo.data = data;
    g_soundInfo.dataLength = length;
    // The count of 4-bit codes a channel: an upper bound on the frames.
    const uint64_t codes = g_soundInfo.channels == 2 ? length : 2ull * length;
    g_soundInfo.samples = static_cast<uint32_t>(codes > RIFF_LIMIT ? RIFF_LIMIT : codes);
    uint32_t reported = 0;
    int decoded = AIL_decompress_ADPCM(&g_soundInfo, image, &reported);
    g_soundInfo.data = nullptr;
    // The layout and the size were checked before reading: what is left is memory.
    if (!decoded || !*image) return CONV_NO_MEMORY;
    const uint64_t declared = ReadLe32(static_cast<const uint8_t*>(*image) + PCM_IMAGE_RIFF_SIZE) + 8ull;
    if (declared > reported || declared < PCM_IMAGE_HEADER) return CONV_UNSUPPORTED_FORMAT;
    *imageLength = static_cast<uint32_t>(declared);
    return CONV_OK;
}

// Reads the source whole and decodes it with the preset in g_soundInfo.
// *image is the caller's to release.
ConvStatus ReadAndDecode(FILE* input, void** image, uint32_t* imageLength) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ConvStatus status = ReadPackedSource(input, &data, &length);
    if (status == CONV_OK) status = DecodePacked(data, length, image, imageLength);
    std::free(data);
    return status;
}

// True when the 8 bytes at p are all zero.
bool ZeroWord(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word == 0;
}

// Where the zero bytes before `at` begin, looking no further back than
// `floor`.
uint32_t ZeroRunStart(const uint8_t* image, uint32_t at, uint32_t floor) {
    while (at >= floor + 8 && ZeroWord(image + at - 8)) at -= 8;
    while (at > floor && image[at - 1] == 0) --at;
    return at;
}

// Where the zero bytes from `at` on end, looking no further than `limit`.
uint32_t ZeroRunEnd(const uint8_t* image, uint32_t at, uint32_t limit) {
    while (at + 8 <= limit && ZeroWord(image + at)) at += 8;
    while (at < limit && image[at] == 0) ++at;
    return at;
}

}  // namespace

uint32_t FindSilenceRun(const uint8_t* image, uint32_t imageLength) {
    // The first SILENCE_RUN zero bytes begin where the first run of zero
    // bytes at least that long begins (the run fits in the image, so it
    // starts below imageLength - 8). Such a run covers an offset that is
    // a multiple of SILENCE_RUN, so only those offsets are looked at; a
    // zero byte there is widened to its run. Every byte is read a bounded
    // number of times, and a sound without silence costs one read in
    // SILENCE_RUN.
    if (imageLength < 8) return imageLength;
    uint32_t floor = 0;  // no run of interest starts before it
    for (uint64_t probe = 0; probe < imageLength; probe += SILENCE_RUN) {
        const uint32_t at = static_cast<uint32_t>(probe);
        if (image[at] != 0) continue;
        const uint32_t start = ZeroRunStart(image, at, floor);
        const uint64_t want = static_cast<uint64_t>(start) + SILENCE_RUN;
        const uint32_t limit = want < imageLength ? static_cast<uint32_t>(want) : imageLength;
        const uint32_t end = ZeroRunEnd(image, at, limit);
        if (end - start == SILENCE_RUN) return start;
        floor = end;
    }
    return imageLength;
}

uint32_t CutTrailingSilence(uint8_t* image, uint32_t imageLength) {
    const uint32_t i = FindSilenceRun(image, imageLength);
    if (i == imageLength) return imageLength;
    WriteLe32(image + PCM_IMAGE_RIFF_SIZE, i);
    WriteLe32(image + PCM_IMAGE_DATA_SIZE, i - 36);
    return i + 8;
}

SilenceCut MeasureSilenceCut(const uint8_t* image, uint32_t imageLength, uint32_t channels) {
    const uint32_t frameBytes = 2 * channels;
    const auto frameAt = [&](uint32_t offset) {
        return offset <= PCM_IMAGE_HEADER ? 0 : (offset - PCM_IMAGE_HEADER) / frameBytes;
    };
    SilenceCut cut;
    cut.frames = frameAt(imageLength);
    const uint32_t run = FindSilenceRun(image, imageLength);
    cut.cut = run < imageLength;
    cut.keptFrames = cut.cut ? frameAt(run) : cut.frames;
    // The last sound: the frame of the last byte that is not zero.
    uint32_t last = imageLength;
    while (last > PCM_IMAGE_HEADER && image[last - 1] == 0) --last;
    const uint64_t soundEnd = last > PCM_IMAGE_HEADER ? frameAt(last - 1) + 1 : 0;
    cut.framesAfter = cut.cut && soundEnd > cut.keptFrames ? soundEnd - cut.keptFrames : 0;
    return cut;
}

ConvStatus DecodePackedFile(const char* source, void** image, uint32_t* imageLength) {
    *image = nullptr;
    FILE* input = OpenSourceFile(source);
    if (!input) return CONV_CANNOT_OPEN_SOURCE;
    ConvStatus status = ReadAndDecode(input, image, imageLength);
    std::fclose(input);
    return status;
}

ConvStatus ExtractSoundFileWith(const char* source, const char* destination, bool whole, SilenceCut* cut) {
    FILE* input = OpenSourceFile(source);
    if (!input) return CONV_CANNOT_OPEN_SOURCE;
    PendingOutput output;
    void* image = nullptr;
    uint32_t imageLength = 0;
    ConvStatus status = BeginOutput(&output, destination);
    if (status == CONV_OK) status = ReadAndDecode(input, &image, &imageLength);
    // Read whole: closed before the destination is replaced, which may be
    // this very file (Windows does not replace a file that is open).
    std::fclose(input);
    if (status == CONV_OK) {
        uint8_t* bytes = static_cast<uint8_t*>(image);
        if (cut) *cut = MeasureSilenceCut(bytes, imageLength, g_soundInfo.channels);
        const uint32_t keep = whole ? imageLength : CutTrailingSilence(bytes, imageLength);
        status = WriteOutput(&output, image, keep);
    }
    if (status == CONV_OK) status = CommitOutput(&output);
    AbandonOutput(&output);
    ReleaseCodecImage(image);
    return status;
}

ConvStatus ExtractSoundFileStatus(const char* source, const char* destination) {
    return ExtractSoundFileWith(source, destination, false, nullptr);
}

int ExtractSoundFile(const char* source, const char* destination) {
    return ExtractSoundFileStatus(source, destination) == CONV_OK ? 1 : 0;
}
