// The codec's entry points: sound description in, complete WAV image out.
// Checks the description, sizes the image before allocating it, lays out
// the RIFF headers and leaves the blocks to adpcm_block.
#include "conversion/adpcm_codec.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

#include "conversion/adpcm_block.h"
#include "conversion/byte_order.h"

static void* AllocateImage(uint64_t size) {
    if (size == 0 || size > SIZE_MAX) return nullptr;
#ifdef _WIN32
    return HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size));
#else
    return std::malloc(static_cast<size_t>(size));
#endif
}

void ReleaseCodecImage(void* image) {
    if (!image) return;
#ifdef _WIN32
    HeapFree(GetProcessHeap(), 0, image);
#else
    std::free(image);
#endif
}

static bool ChannelsSupported(uint32_t channels) { return channels == 1 || channels == 2; }

static bool DecodingLayoutSupported(const SoundInfo* info) {
    const uint32_t channels = info->channels;
    return info->format == WAVE_TAG_IMA_ADPCM && ChannelsSupported(channels) &&
           info->blockSize % (4 * channels) == 0 && info->blockSize > 4 * channels;
}

// Whole blocks and the final partial one, as far as its whole groups go.
static uint64_t DecodedFrames(const SoundInfo* info, uint64_t length) {
    return length / info->blockSize * FramesInBlock(info->blockSize, info->channels) +
           FramesInBlock(static_cast<uint32_t>(length % info->blockSize), info->channels);
}

uint64_t DecodedImageLength(const SoundInfo* info, uint64_t length) {
    if (!info || !DecodingLayoutSupported(info)) return 0;
    return PCM_IMAGE_HEADER + DecodedFrames(info, length) * 2 * info->channels;
}

int AIL_decompress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize) {
    if (!info || !image || !imageSize || !DecodingLayoutSupported(info)) return 0;
    if (info->dataLength > 0 && !info->data) return 0;
    const uint32_t channels = info->channels;
    const uint32_t blockBytes = info->blockSize;
    const uint8_t* data = static_cast<const uint8_t*>(info->data);
    const uint32_t framesPerBlock = FramesInBlock(blockBytes, channels);
    const uint32_t wholeBlocks = info->dataLength / blockBytes;
    const uint32_t tailBytes = info->dataLength % blockBytes;
    uint64_t frames = DecodedFrames(info, info->dataLength);
    if (frames > info->samples) frames = info->samples;

    const uint64_t dataBytes = frames * 2 * channels;
    const uint64_t total = PCM_IMAGE_HEADER + dataBytes;
    if (total > UINT32_MAX) return 0;
    uint8_t* out = static_cast<uint8_t*>(AllocateImage(total));
    if (!out) return 0;

    std::memcpy(out, "RIFF", 4);
    WriteLe32(out + PCM_IMAGE_RIFF_SIZE, static_cast<uint32_t>(total - 8));
    std::memcpy(out + 8, "WAVEfmt ", 8);
    WriteLe32(out + 16, 16);
    WriteLe16(out + 20, WAVE_TAG_PCM);
    WriteLe16(out + 22, channels);
    WriteLe32(out + 24, info->rate);
    WriteLe32(out + 28, static_cast<uint32_t>(static_cast<uint64_t>(info->rate) * 2 * channels));
    WriteLe16(out + 32, 2 * channels);
    WriteLe16(out + 34, 16);
    std::memcpy(out + 36, "data", 4);
    WriteLe32(out + PCM_IMAGE_DATA_SIZE, static_cast<uint32_t>(dataBytes));

    // Whole blocks straight into the image; the block that the frame count
    // or the data's end cuts goes through a scratch buffer.
    int16_t* pcm = reinterpret_cast<int16_t*>(out + PCM_IMAGE_HEADER);
    const size_t direct = static_cast<size_t>(frames / framesPerBlock);
    DecodeBlocks(data, direct, blockBytes, channels, pcm);
    const uint32_t rest = static_cast<uint32_t>(frames - static_cast<uint64_t>(direct) * framesPerBlock);
    if (rest > 0) {
        const size_t offset = direct * static_cast<size_t>(blockBytes);
        const uint32_t bytes = direct < wholeBlocks ? blockBytes : tailBytes;
        const uint32_t have = FramesInBlock(bytes, channels);
        int16_t* scratch = static_cast<int16_t*>(std::malloc(static_cast<size_t>(have) * channels * 2));
        if (!scratch) {
            ReleaseCodecImage(out);
            return 0;
        }
        DecodeBlockScalar(data + offset, bytes, channels, scratch);
        std::memcpy(pcm + direct * framesPerBlock * channels, scratch,
                    static_cast<size_t>(rest) * channels * 2);
        std::free(scratch);
    }

    *image = out;
    *imageSize = static_cast<uint32_t>(total);
    return 1;
}

int CompressAdpcmWith(const SoundInfo* info, AdpcmEncoder encoder, void** image,
                      uint32_t* imageSize) {
    if (!info || !image || !imageSize) return 0;
    const uint32_t channels = info->channels;
    if (info->format != WAVE_TAG_PCM || info->bits != 16 || !ChannelsSupported(channels)) return 0;
    if (info->samples == 0 || !info->data) return 0;
    uint32_t frames = info->dataLength / (2 * channels);
    if (frames > info->samples) frames = info->samples;
    if (frames == 0) return 0;

    const uint32_t blockBytes = GAME_BLOCK_BYTES_PER_CHANNEL * channels;
    const uint64_t blocks = (static_cast<uint64_t>(frames) + GAME_FRAMES_PER_BLOCK - 1) / GAME_FRAMES_PER_BLOCK;
    const uint64_t dataBytes = blocks * blockBytes;
    const uint64_t total = ADPCM_IMAGE_DATA + dataBytes;
    if (total > UINT32_MAX) return 0;
    uint8_t* out = static_cast<uint8_t*>(AllocateImage(total));
    if (!out) return 0;

    std::memcpy(out, "RIFF", 4);
    WriteLe32(out + 4, static_cast<uint32_t>(total - 8));
    std::memcpy(out + 8, "WAVEfmt ", 8);
    WriteLe32(out + 16, 20);
    WriteLe16(out + 20, WAVE_TAG_IMA_ADPCM);
    WriteLe16(out + 22, channels);
    WriteLe32(out + 24, info->rate);
    WriteLe32(out + 28, static_cast<uint32_t>(static_cast<uint64_t>(info->rate) * blockBytes /
                                              GAME_FRAMES_PER_BLOCK));
    WriteLe16(out + 32, blockBytes);
    WriteLe16(out + 34, 4);
    WriteLe16(out + 36, 2);
    WriteLe16(out + 38, GAME_FRAMES_PER_BLOCK);
    std::memcpy(out + 40, "fact", 4);
    WriteLe32(out + 44, 4);
    WriteLe32(out + 48, frames);
    std::memcpy(out + 52, "data", 4);
    WriteLe32(out + ADPCM_IMAGE_DATA_SIZE, static_cast<uint32_t>(dataBytes));
    std::memset(out + ADPCM_IMAGE_DATA, 0, static_cast<size_t>(dataBytes));

    // Each block's input is gathered into a buffer of 65 frames; the last
    // block is completed by holding its last sample, so the padding
    // decodes to a flat line rather than a click.
    const uint8_t* pcm = static_cast<const uint8_t*>(info->data);
    int16_t input[GAME_FRAMES_PER_BLOCK * 2];
    AdpcmChannelState states[2] = {{0, 0}, {0, 0}};
    uint8_t* block = out + ADPCM_IMAGE_DATA;
    for (uint64_t b = 0; b < blocks; ++b, block += blockBytes) {
        const uint64_t first = b * GAME_FRAMES_PER_BLOCK;
        for (uint32_t f = 0; f < GAME_FRAMES_PER_BLOCK; ++f) {
            const uint64_t src = first + f < frames ? first + f : frames - 1;
            for (uint32_t c = 0; c < channels; ++c)
                input[f * channels + c] = static_cast<int16_t>(
                    ReadLe16(pcm + (static_cast<size_t>(src) * channels + c) * 2));
        }
        for (uint32_t c = 0; c < channels; ++c) {
            uint8_t* header = block + 4 * c;
            uint8_t* codes = block + 4 * channels + 4 * c;
            if (encoder == ADPCM_ENCODER_PLAIN)
                EncodeChannelBlockPlain(input + c, channels, &states[c], header, codes, 4 * channels,
                                        nullptr);
            else
                EncodeChannelBlockSearch(input + c, channels, &states[c], header, codes, 4 * channels,
                                        nullptr);
        }
    }

    *image = out;
    *imageSize = static_cast<uint32_t>(total);
    return 1;
}

int AIL_compress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize) {
    return CompressAdpcmWith(info, ADPCM_ENCODER_SEARCH, image, imageSize);
}
