// Choosing the mode of a packed file, and the notes about it.
#include "cli/modes.h"

#include <cstdio>

#include "conversion/files/game_pcm.h"

namespace {

std::string Seconds(uint64_t frames, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, double(frames) / GAME_RATE);
    return text;
}

}  // namespace

const char* ModeName(int channels) { return channels == 2 ? "stereo" : "mono"; }

ModeChoice ChooseMode(const CliRequest& request, const std::string& path, int ruleChannels) {
    ModeChoice choice = {ruleChannels, ruleChannels, false, BLOCKS_UNDECIDED, BlockEvidence()};
    if (!request.autoMode && request.quiet) return choice;
    choice.looked = DetectFileBlockMode(path.c_str(), &choice.blocks, &choice.evidence) == CONV_OK;
    if (request.autoMode && choice.blocks != BLOCKS_UNDECIDED) choice.channels = choice.blocks == BLOCKS_STEREO ? 2 : 1;
    return choice;
}

std::string ModeNote(const CliRequest& request, const std::string& path, const ModeChoice& choice) {
    if (request.quiet || choice.blocks == BLOCKS_UNDECIDED) return std::string();
    const int shown = choice.blocks == BLOCKS_STEREO ? 2 : 1;
    if (request.autoMode) {
        if (shown == choice.ruleChannels) return std::string();
        return path + ": read as " + ModeName(shown) + ", as its blocks show (its extension says " +
               ModeName(choice.ruleChannels) + ")";
    }
    if (shown == choice.channels) return std::string();
    return path + ": its blocks are " + ModeName(shown) + "; read as " + ModeName(choice.channels) + " (use --" +
           ModeName(shown) + " or --auto)";
}

std::string CutNote(const CliRequest& request, const std::string& path, const SilenceCut& cut) {
    if (request.quiet || request.whole || !cut.cut || cut.framesAfter == 0) return std::string();
    return path + ": " + Seconds(cut.framesAfter, 1) + " s of sound after the cut at " + Seconds(cut.keptFrames, 1) +
           " s were dropped (--whole keeps them)";
}
