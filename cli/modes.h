// The mode a packed file is read in from the command line, and the notes
// that tell when its blocks disagree or the silence cut drops sound.
#ifndef VELKMAR_CLI_MODES_H
#define VELKMAR_CLI_MODES_H

#include <string>

#include "cli/arguments.h"
#include "conversion/files/block_mode.h"
#include "conversion/files/extraction.h"

struct ModeChoice {
    int channels;       // the mode to read in: 1 or 2
    int ruleChannels;   // the mode the channel rule gives (--mono, --stereo or the extension)
    bool looked;        // the blocks were looked at
    BlockMode blocks;   // what they show
    BlockEvidence evidence;
};

// The mode to read path in, given the channel rule's ruleChannels: with
// --auto the mode its blocks show where they show one clearly. The blocks
// are looked at with --auto, and otherwise unless --quiet (for the note).
ModeChoice ChooseMode(const CliRequest& request, const std::string& path, int ruleChannels);

// A note when the blocks decide against the channel rule: "boom.wad: its
// blocks are stereo; read as mono (use --stereo or --auto)", or with
// --auto "boom.wad: read as stereo, as its blocks show (its extension says
// mono)". Empty when there is nothing to say.
std::string ModeNote(const CliRequest& request, const std::string& path, const ModeChoice& choice);

// A note when the silence cut dropped sound: "voice.wad: 1.8 s of sound
// after the cut at 2.4 s were dropped (--whole keeps them)". Empty when
// nothing was dropped, or with --whole.
std::string CutNote(const CliRequest& request, const std::string& path, const SilenceCut& cut);

// "mono" or "stereo".
const char* ModeName(int channels);

#endif
