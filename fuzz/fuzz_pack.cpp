// Fuzz target: arbitrary bytes as a WAV file to pack. The chunk reader
// must stay inside the file; a 16-bit PCM file of one or two channels with
// at least one frame packs into whole game blocks that start on the input
// samples; anything else shows the read message once and leaves the
// destination alone.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "conversion/byte_order.h"
#include "conversion/globals.h"
#include "conversion/packing.h"
#include "fuzz/fuzz_support.h"

namespace {

const char READ_FAILED[] = "Не удалось прочитать данные из файла";

int g_messages;
std::string g_text;
std::string g_caption;

void Record(const char* text, const char* caption, MessageIcon icon) {
    ++g_messages;
    g_text = text;
    g_caption = caption;
    FuzzCheck(icon == MESSAGE_ERROR, "packing messages carry the error icon");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source = ScratchPath("in.wav");
    const std::string destination = ScratchPath("out.wad");
    WriteBytes(source, data, size);
    PlaceKeptDestination(destination);

    WavLayout layout;
    std::memset(&layout, 0, sizeof layout);
    const bool parsed = size > 0 && ParseWavFile(data, size, &layout) == CONV_OK;
    if (parsed) {
        FuzzCheck(layout.dataOffset >= 20 && layout.dataOffset <= size, "the data starts inside the file");
        FuzzCheck(layout.dataLength <= size - layout.dataOffset, "the data ends inside the file");
    }
    const uint32_t frames = parsed && (layout.channels == 1 || layout.channels == 2)
                                ? layout.dataLength / (2 * layout.channels) : 0;
    const bool packable = parsed && layout.format == 1 && layout.bits == 16 && frames > 0;

    g_messages = 0;
    g_messageHook = Record;
    const int result = PackSoundFile(source.c_str(), destination.c_str());
    g_messageHook = nullptr;

    if (!packable) {
        FuzzCheck(result == 0, "what is no 16-bit PCM WAV with a frame is refused");
        FuzzCheck(g_messages == 1 && g_text == READ_FAILED && g_caption == source,
                  "a refused WAV shows the read message once, captioned with the source");
        CheckNothingLost(destination, {"in.wav", "out.wad"});
        return 0;
    }
    FuzzCheck(result == 1 && g_messages == 0, "a 16-bit PCM WAV packs without a message");
    const Bytes packed = ReadBytes(destination);
    const uint32_t channels = layout.channels;
    const size_t block = 36u * channels;
    const size_t blocks = (frames + 64) / 65;
    FuzzCheck(packed.size() == blocks * block, "whole 36-byte blocks a channel, 65 frames each");
    const uint8_t* pcm = data + layout.dataOffset;
    for (size_t b = 0; b < blocks; ++b) {
        for (uint32_t c = 0; c < channels; ++c) {
            const uint8_t* header = packed.data() + b * block + 4 * c;
            FuzzCheck(ReadLe16(header) == ReadLe16(pcm + (b * 65 * channels + c) * 2),
                      "each block starts on the input sample");
            FuzzCheck(header[2] <= 88 && header[3] == 0, "a valid step index and a zero reserved byte");
        }
    }
    FuzzCheck(ScratchNames() == std::vector<std::string>({"in.wav", "out.wad"}), "no file left beside the output");
    return 0;
}
