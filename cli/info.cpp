// Describing packed and WAV files.
//
// A file whose first bytes say RIFF WAVE is described as a WAV file, any
// other as a packed file. Each is told on standard output: a few lines of
// text, or with --json one JSON object a line with these names:
//   both:   file (the path as given), kind ("packed" or "wav")
//   packed: size (bytes), extension_mode ("mono" or "stereo"), blocks_mode ("mono",
//           "stereo" or "undecided"), evidence {block_bytes, mono_blocks,
//           mono_fits, stereo_blocks, stereo_fits}, read_as, frames,
//           duration_s, peak_dbfs and rms_dbfs (null for digital silence),
//           cut_s (null when there is no cut), after_cut_s
//   wav:    format ("pcm", "float" or the tag), bits, rate, channels,
//           frames, duration_s, and packing {".wad", ".adx", ".adp"}: what
//           packing into each would do ("" for nothing), or refused: why
//           it cannot be packed
// The numbers in both forms are rounded alike: seconds to 3 places, dB to 1.
#include "cli/info.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/modes.h"
#include "cli/output.h"
#include "conversion/codec/byte_order.h"
#include "conversion/files/folder_passes.h"
#include "conversion/files/game_pcm.h"
#include "conversion/files/packed_info.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"

namespace {

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Seconds(uint64_t frames, uint32_t rate) { return Fixed(double(frames) / rate, 3); }

// A level for people ("-6.2 dBFS", "silence") or for JSON (a number or null).
std::string Level(double dbfs, bool json) {
    if (std::isinf(dbfs)) return json ? "null" : "silence";
    return Fixed(dbfs, 1) + (json ? "" : " dBFS");
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// One "name": value pair of a JSON object, value already in JSON.
std::string Field(const char* name, const std::string& value) { return std::string("\"") + name + "\":" + value; }

std::string Object(std::initializer_list<std::string> fields) {
    std::string out = "{";
    for (const std::string& field : fields) out += (out.size() > 1 ? "," : "") + field;
    return out + "}";
}

bool StartsAsWav(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    uint8_t head[12] = {};
    const bool wav = file && std::fread(head, 1, sizeof head, file) == sizeof head && TagIs(head, "RIFF") &&
                     TagIs(head + 8, "WAVE");
    if (file) std::fclose(file);
    return wav;
}

bool DescribePacked(const CliRequest& request, const std::string& path) {
    const int byExtension = ChannelsForExtension(FORCE_NONE, PathExtension(path.c_str()));
    const ModeChoice mode = ChooseMode(request, path, ChannelsForExtension(request.force, PathExtension(path.c_str())));
    PackedInfo info;
    const ConvStatus status = ReadPackedInfo(path.c_str(), static_cast<uint32_t>(mode.channels), &info);
    if (status != CONV_OK) {
        ErrorLine(path + ": " + DescribeConvStatus(status));
        return false;
    }
    const BlockEvidence& e = info.evidence;
    const std::string cutAt = info.cut.cut ? Seconds(info.cut.keptFrames, GAME_RATE) : "";
    const std::string after = Seconds(info.cut.framesAfter, GAME_RATE);
    if (request.json) {
        WriteOut(Object({Field("file", Quoted(path)), Field("kind", "\"packed\""), Field("size", std::to_string(info.size)),
                         Field("extension_mode", Quoted(ModeName(byExtension))),
                         Field("blocks_mode", Quoted(BlockModeName(info.blocks))),
                         Field("evidence", Object({Field("block_bytes", std::to_string(e.blockBytes)),
                                                   Field("mono_blocks", std::to_string(e.monoStarts)),
                                                   Field("mono_fits", std::to_string(e.monoFits)),
                                                   Field("stereo_blocks", std::to_string(e.stereoStarts)),
                                                   Field("stereo_fits", std::to_string(e.stereoFits))})),
                         Field("read_as", Quoted(ModeName(mode.channels))), Field("frames", std::to_string(info.cut.frames)),
                         Field("duration_s", Seconds(info.cut.frames, GAME_RATE)),
                         Field("peak_dbfs", Level(info.peakDbfs, true)), Field("rms_dbfs", Level(info.rmsDbfs, true)),
                         Field("cut_s", info.cut.cut ? cutAt : "null"), Field("after_cut_s", after)}) +
                 "\n");
        return true;
    }
    std::string text = path + ": packed sound, " + std::to_string(info.size) + " bytes\n";
    text += std::string("  mode: ") + ModeName(byExtension) + " by its extension, " + BlockModeName(info.blocks) +
            " by its blocks (" + std::to_string(e.monoFits) + " of " + std::to_string(e.monoStarts) +
            " blocks fit mono, " + std::to_string(e.stereoFits) + " of " + std::to_string(e.stereoStarts) +
            " fit stereo, at " + std::to_string(e.blockBytes) + " bytes a channel)\n";
    text += std::string("  read as ") + ModeName(mode.channels) + ": " + std::to_string(info.cut.frames) + " frames, " +
            Seconds(info.cut.frames, GAME_RATE) + " s\n";
    text += "  level: peak " + Level(info.peakDbfs, false) + ", RMS " + Level(info.rmsDbfs, false) + "\n";
    if (!info.cut.cut)
        text += "  silence cut: none\n";
    else
        text += "  silence cut: at " + cutAt + " s; " +
                (info.cut.framesAfter ? after + " s of sound after it" : std::string("only silence after it")) + "\n";
    WriteOut(text);
    return true;
}

std::string FormatName(const WavLayout& layout, bool json) {
    if (layout.format == WAVE_TAG_PCM) return json ? "pcm" : "PCM";
    if (layout.format == WAVE_TAG_IEEE_FLOAT) return "float";
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04X", static_cast<unsigned>(layout.format & 0xFFFF));
    return tag;
}

bool DescribeWav(const CliRequest& request, const std::string& path) {
    WavLayout layout;
    const ConvStatus status = ReadWavFormat(path.c_str(), &layout);
    if (status != CONV_OK) {
        ErrorLine(path + ": " + DescribeConvStatus(status));
        return false;
    }
    const WavRefusal refusal = CheckPackable(layout);
    const uint64_t frames = WavFrames(layout);
    const std::string duration = layout.rate ? Seconds(frames, layout.rate) : "0.000";
    std::string packing[FOLDER_PASS_COUNT];
    for (int kind = 0; kind < FOLDER_PASS_COUNT; ++kind) {
        const char* extension = FOLDER_PASSES[kind].extension;
        const int channels = ChannelsForExtension(request.force, extension);
        const std::string reason = request.force == FORCE_NONE ? std::string("for ") + extension
                                                                : std::string("as --") + ModeName(channels) + " asks";
        packing[kind] = DescribeGamePcm(layout, static_cast<uint32_t>(channels), reason);
    }
    const std::string refused = DescribeWavRefusal(layout, refusal);
    if (request.json) {
        std::string packs = refused.empty() ? Field("packing", Object({Field(".wad", Quoted(packing[0])),
                                                                        Field(".adx", Quoted(packing[1])),
                                                                        Field(".adp", Quoted(packing[2]))}))
                                            : Field("refused", Quoted(refused));
        WriteOut(Object({Field("file", Quoted(path)), Field("kind", "\"wav\""),
                         Field("format", Quoted(FormatName(layout, true))), Field("bits", std::to_string(layout.bits)),
                         Field("rate", std::to_string(layout.rate)), Field("channels", std::to_string(layout.channels)),
                         Field("frames", std::to_string(frames)), Field("duration_s", duration), packs}) +
                 "\n");
        return true;
    }
    std::string text = path + ": WAV, " + std::to_string(layout.bits) + "-bit " + FormatName(layout, false) + ", " +
                       std::to_string(layout.rate) + " Hz, " + std::to_string(layout.channels) +
                       (layout.channels == 1 ? " channel, " : " channels, ") + std::to_string(frames) + " frames, " +
                       duration + " s\n";
    if (!refused.empty()) {
        text += "  cannot be packed: " + refused + "\n";
    } else {
        for (int kind = 0; kind < FOLDER_PASS_COUNT; ++kind)
            text += std::string("  packed into ") + FOLDER_PASSES[kind].extension + ": " +
                    (packing[kind].empty() ? "as it stands" : packing[kind]) + "\n";
    }
    WriteOut(text);
    return true;
}

}  // namespace

int RunInfo(const CliRequest& request) {
    int result = EXIT_CONVERTED;
    for (const std::string& path : request.paths) {
        const bool described = StartsAsWav(path) ? DescribeWav(request, path) : DescribePacked(request, path);
        if (!described) result = EXIT_CONVERSION_FAILED;
    }
    return result;
}
