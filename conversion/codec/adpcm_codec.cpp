// The codec's entry points: sound description in, complete WAV image out.
// Checks the description, sizes the image before allocating it, writes
// the RIFF headers and leaves the blocks to the decoder and the encoders.
#include "conversion/codec/adpcm_codec.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

#include "conversion/codec/byte_order.h"
#include "conversion/codec/adpcm_decode.h"
#include "conversion/codec/adpcm_encode.h"

namespace {

// Offsets shared by both images: the RIFF header and the fmt chunk.
const uint32_t RIFF_TAG = 0;
const uint32_t RIFF_SIZE = 4;
const uint32_t WAVE_TAG = 8;
const uint32_t FMT_TAG = 12;
const uint32_t FMT_SIZE = 16;
const uint32_t FMT_FORMAT = 20;
const uint32_t FMT_CHANNELS = 22;
const uint32_t FMT_RATE = 24;
const uint32_t FMT_BYTE_RATE = 28;
const uint32_t FMT_BLOCK_ALIGN = 32;
const uint32_t FMT_BITS = 34;
const uint32_t FMT_BODY = 20;  // where the fmt chunk's body starts

// The decoded image: a 16-byte fmt body, then the data chunk.
const uint32_t PCM_FMT_BYTES = 16;
const uint32_t PCM_DATA_TAG = 36;

// The encoded image: a 20-byte fmt body (with the frames per block), a
// fact chunk with the frame count, then the data chunk.
const uint32_t ADPCM_FMT_BYTES = 20;
const uint32_t ADPCM_FMT_EXTRA = 36;
const uint32_t ADPCM_FMT_FRAMES_PER_BLOCK = 38;
const uint32_t ADPCM_FACT_TAG = 40;
const uint32_t ADPCM_FACT_SIZE = 44;
const uint32_t ADPCM_FACT_FRAMES = 48;
const uint32_t ADPCM_DATA_TAG = 52;
const uint32_t ADPCM_FMT_EXTRA_BYTES = 2;
const uint32_t ADPCM_FACT_BYTES = 4;
const uint32_t ADPCM_BITS = 4;

void* AllocateImage(uint64_t size) {
    if (size == 0 || size > SIZE_MAX) return nullptr;
#ifdef _WIN32
    return HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size));
#else
    return std::malloc(static_cast<size_t>(size));
#endif
}

// The RIFF header and the fmt chunk of an image of `total` bytes.
void WriteRiffAndFormat(uint8_t* out, uint64_t total, uint32_t fmtBytes, uint32_t format, uint32_t channels,
                        uint32_t rate, uint32_t byteRate, uint32_t blockAlign, uint32_t bits) {
    std::memcpy(out + RIFF_TAG, "RIFF", 4);
    WriteLe32(out + RIFF_SIZE, static_cast<uint32_t>(total - 8));
    std::memcpy(out + WAVE_TAG, "WAVE", 4);
    std::memcpy(out + FMT_TAG, "fmt ", 4);
    WriteLe32(out + FMT_SIZE, fmtBytes);
    WriteLe16(out + FMT_FORMAT, format);
    WriteLe16(out + FMT_CHANNELS, channels);
    WriteLe32(out + FMT_RATE, rate);
    WriteLe32(out + FMT_BYTE_RATE, byteRate);
    WriteLe16(out + FMT_BLOCK_ALIGN, blockAlign);
    WriteLe16(out + FMT_BITS, bits);
}

// The canonical 44-byte header of 16-bit PCM.
void WritePcmImageHeader(uint8_t* out, uint32_t channels, uint32_t rate, uint64_t dataBytes) {
    static_assert(FMT_BODY + PCM_FMT_BYTES == PCM_DATA_TAG && PCM_DATA_TAG + 8 == PCM_IMAGE_HEADER,
                  "PCM image layout");
    const uint32_t frameBytes = 2 * channels;
    WriteRiffAndFormat(out, PCM_IMAGE_HEADER + dataBytes, PCM_FMT_BYTES, WAVE_TAG_PCM, channels, rate,
                       static_cast<uint32_t>(static_cast<uint64_t>(rate) * frameBytes), frameBytes, 16);
    std::memcpy(out + PCM_DATA_TAG, "data", 4);
    WriteLe32(out + PCM_IMAGE_DATA_SIZE, static_cast<uint32_t>(dataBytes));
}

// The header of IMA ADPCM in the game's blocks.
void WriteAdpcmImageHeader(uint8_t* out, uint32_t channels, uint32_t rate, uint32_t frames, uint64_t dataBytes) {
    static_assert(FMT_BODY + ADPCM_FMT_BYTES == ADPCM_FACT_TAG && ADPCM_DATA_TAG + 8 == ADPCM_IMAGE_DATA,
                  "ADPCM image layout");
    const uint32_t blockBytes = GAME_BLOCK_BYTES_PER_CHANNEL * channels;
    WriteRiffAndFormat(out, ADPCM_IMAGE_DATA + dataBytes, ADPCM_FMT_BYTES, WAVE_TAG_IMA_ADPCM, channels, rate,
                       static_cast<uint32_t>(static_cast<uint64_t>(rate) * blockBytes / GAME_FRAMES_PER_BLOCK),
                       blockBytes, ADPCM_BITS);
    WriteLe16(out + ADPCM_FMT_EXTRA, ADPCM_FMT_EXTRA_BYTES);
    WriteLe16(out + ADPCM_FMT_FRAMES_PER_BLOCK, GAME_FRAMES_PER_BLOCK);
    std::memcpy(out + ADPCM_FACT_TAG, "fact", 4);
    WriteLe32(out + ADPCM_FACT_SIZE, ADPCM_FACT_BYTES);
    WriteLe32(out + ADPCM_FACT_FRAMES, frames);
    std::memcpy(out + ADPCM_DATA_TAG, "data", 4);
    WriteLe32(out + ADPCM_IMAGE_DATA_SIZE, static_cast<uint32_t>(dataBytes));
}

bool ChannelsSupported(uint32_t channels) { return channels == 1 || channels == 2; }

bool DecodingLayoutSupported(const SoundInfo* info) {
    const uint32_t channels = info->channels;
    return info->format == WAVE_TAG_IMA_ADPCM && ChannelsSupported(channels) &&
           info->blockSize % (GROUP_BYTES * channels) == 0 && info->blockSize > CHANNEL_HEADER_BYTES * channels;
}

// Whole blocks and the final partial one, as far as its whole groups go.
uint64_t DecodedFrames(const SoundInfo* info, uint64_t length) {
    return length / info->blockSize * FramesInBlock(info->blockSize, info->channels) +
           FramesInBlock(static_cast<uint32_t>(length % info->blockSize), info->channels);
}

// Decodes `frames` frames of info's data into pcm. Whole blocks go
// straight into the image; the block that the frame count or the data's
// end cuts goes through a scratch buffer. False when that buffer cannot
// be had.
bool DecodeFrames(const SoundInfo* info, uint64_t frames, int16_t* pcm) {
    const uint32_t channels = info->channels;
    const uint32_t blockBytes = info->blockSize;
    const uint8_t* data = static_cast<const uint8_t*>(info->data);
    const uint32_t framesPerBlock = FramesInBlock(blockBytes, channels);
    const size_t direct = static_cast<size_t>(frames / framesPerBlock);
    DecodeBlocks(data, direct, blockBytes, channels, pcm);
    const uint32_t rest = static_cast<uint32_t>(frames - static_cast<uint64_t>(direct) * framesPerBlock);
    if (rest == 0) return true;
    const size_t offset = direct * static_cast<size_t>(blockBytes);
    const uint32_t bytes = offset + blockBytes <= info->dataLength ? blockBytes : info->dataLength % blockBytes;
    const size_t sampleBytes = sizeof(int16_t) * channels;
    int16_t* scratch = static_cast<int16_t*>(std::malloc(FramesInBlock(bytes, channels) * sampleBytes));
    if (!scratch) return false;
    DecodeBlockReference(data + offset, bytes, channels, scratch);
    std::memcpy(pcm + direct * framesPerBlock * channels, scratch, rest * sampleBytes);
    std::free(scratch);
    return true;
}

// Copies the input frames of one block into `input`, interleaved; the
// last block is completed by holding its last frame, so that the padding
// decodes to a flat line rather than a click.
void GatherBlock(const uint8_t* pcm, uint32_t channels, uint32_t frames, uint64_t first, int16_t* input) {
    for (uint32_t f = 0; f < GAME_FRAMES_PER_BLOCK; ++f) {
        const uint64_t source = first + f < frames ? first + f : frames - 1;
        for (uint32_t c = 0; c < channels; ++c)
            input[f * channels + c] =
                static_cast<int16_t>(ReadLe16(pcm + (static_cast<size_t>(source) * channels + c) * 2));
    }
}

// Encodes `frames` frames of 16-bit PCM into `blocks` game blocks at out.
void EncodeFrames(const uint8_t* pcm, uint32_t channels, uint32_t frames, uint64_t blocks, AdpcmEncoder encoder,
                  uint8_t* out) {
    const uint32_t blockBytes = GAME_BLOCK_BYTES_PER_CHANNEL * channels;
    int16_t input[GAME_FRAMES_PER_BLOCK * 2];
    AdpcmChannelState states[2] = {{0, 0}, {0, 0}};
    for (uint64_t b = 0; b < blocks; ++b, out += blockBytes) {
        GatherBlock(pcm, channels, frames, b * GAME_FRAMES_PER_BLOCK, input);
        for (uint32_t c = 0; c < channels; ++c) {
            const ChannelBlock block = {input + c, channels, out + CHANNEL_HEADER_BYTES * c,
                                        out + CHANNEL_HEADER_BYTES * channels + GROUP_BYTES * c,
                                        GROUP_BYTES * channels, nullptr};
            if (encoder == ADPCM_ENCODER_PLAIN)
                EncodeChannelBlockPlain(block, &states[c]);
            else
                EncodeChannelBlockSearch(block, &states[c]);
        }
    }
}

}  // namespace

void ReleaseCodecImage(void* image) {
    if (!image) return;
#ifdef _WIN32
    HeapFree(GetProcessHeap(), 0, image);
#else
    std::free(image);
#endif
}

uint64_t DecodedImageLength(const SoundInfo* info, uint64_t length) {
    if (!info || !DecodingLayoutSupported(info)) return 0;
    return PCM_IMAGE_HEADER + DecodedFrames(info, length) * 2 * info->channels;
}

int AIL_decompress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize) {
    if (!info || !image || !imageSize || !DecodingLayoutSupported(info)) return 0;
    if (info->dataLength > 0 && !info->data) return 0;
    uint64_t frames = DecodedFrames(info, info->dataLength);
    if (frames > info->samples) frames = info->samples;
    const uint64_t dataBytes = frames * 2 * info->channels;
    const uint64_t total = PCM_IMAGE_HEADER + dataBytes;
    if (total > UINT32_MAX) return 0;
    uint8_t* out = static_cast<uint8_t*>(AllocateImage(total));
    if (!out) return 0;
    WritePcmImageHeader(out, info->channels, info->rate, dataBytes);
    if (!DecodeFrames(info, frames, reinterpret_cast<int16_t*>(out + PCM_IMAGE_HEADER))) {
        ReleaseCodecImage(out);
        return 0;
    }
    *image = out;
    *imageSize = static_cast<uint32_t>(total);
    return 1;
}

int CompressAdpcmWith(const SoundInfo* info, AdpcmEncoder encoder, void** image, uint32_t* imageSize) {
    if (!info || !image || !imageSize) return 0;
    const uint32_t channels = info->channels;
    if (info->format != WAVE_TAG_PCM || info->bits != 16 || !ChannelsSupported(channels)) return 0;
    if (info->samples == 0 || !info->data) return 0;
    uint32_t frames = info->dataLength / (2 * channels);
    if (frames > info->samples) frames = info->samples;
    if (frames == 0) return 0;
    const uint64_t blocks = (static_cast<uint64_t>(frames) + GAME_FRAMES_PER_BLOCK - 1) / GAME_FRAMES_PER_BLOCK;
    const uint64_t dataBytes = blocks * GAME_BLOCK_BYTES_PER_CHANNEL * channels;
    const uint64_t total = ADPCM_IMAGE_DATA + dataBytes;
    if (total > UINT32_MAX) return 0;
    uint8_t* out = static_cast<uint8_t*>(AllocateImage(total));
    if (!out) return 0;
    WriteAdpcmImageHeader(out, channels, info->rate, frames, dataBytes);
    EncodeFrames(static_cast<const uint8_t*>(info->data), channels, frames, blocks, encoder, out + ADPCM_IMAGE_DATA);
    *image = out;
    *imageSize = static_cast<uint32_t>(total);
    return 1;
}

int AIL_compress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize) {
    return CompressAdpcmWith(info, ADPCM_ENCODER_SEARCH, image, imageSize);
}
