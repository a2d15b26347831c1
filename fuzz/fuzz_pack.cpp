// Fuzz target: arbitrary bytes as a WAV file to pack into a mono ".wad".
// The chunk reader must stay inside the file; a WAV the format check takes
// packs into whole game blocks that start on the samples the conversion
// makes (the WAV's own for 16-bit mono at 44100 Hz); anything else shows
// the read message once and leaves the destination alone.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "conversion/codec/byte_order.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/messages.h"
#include "conversion/files/packing.h"
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
    const bool packable = parsed && CheckPackable(layout) == WAV_PACKABLE;

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
    GamePcm pcm = {};
    FuzzCheck(MakeGamePcm(data, layout, 1, &pcm) == CONV_OK, "the conversion succeeds again");
    const bool asItStands = layout.format == 1 && layout.bits == 16 && layout.rate == 44100 && layout.channels == 1;
    FuzzCheck(!asItStands || (pcm.samples == data + layout.dataOffset && pcm.frames == layout.dataLength / 2),
              "a WAV the game takes as it stands is packed as it stands");
    const size_t blocks = (pcm.frames + 64) / 65;
    FuzzCheck(packed.size() == blocks * 36, "whole 36-byte blocks, 65 frames each");
    for (size_t b = 0; b < blocks; ++b) {
        const uint8_t* header = packed.data() + b * 36;
        FuzzCheck(ReadLe16(header) == ReadLe16(pcm.samples + b * 65 * 2), "each block starts on the converted sample");
        FuzzCheck(header[2] <= 88 && header[3] == 0, "a valid step index and a zero reserved byte");
    }
    ReleaseGamePcm(&pcm);
    FuzzCheck(ScratchNames() == std::vector<std::string>({"in.wav", "out.wad"}), "no file left beside the output");
    return 0;
}
