// The two format presets and the rule that chooses between them.
#ifndef VELKMAR_CONVERSION_FILES_PRESETS_H
#define VELKMAR_CONVERSION_FILES_PRESETS_H

#include "conversion/files/paths.h"

// A forced channel choice, as the Extract page's "Режим" box and its two
// radio buttons (or the command line's --mono / --stereo) express it.
enum ChannelForce { FORCE_NONE, FORCE_MONO, FORCE_STEREO };

// Write the mono (1 channel, 36-byte blocks) or the stereo (2 channels,
// 72-byte blocks) preset into g_soundInfo: format 0x11, 44100 Hz, 4 bits.
// Data, data length and samples are left as they are.
void ApplyMonoPreset();
void ApplyStereoPreset();

// The channel rule: a forced choice wins; otherwise ".adx" (any letter
// case) is stereo and everything else, no extension included, is mono.
// extension runs from a path's last '.' to its end, or is null.
// Returns 1 or 2.
int ChannelsForExtension(ChannelForce force, const char* extension);

// Applies the preset that ChannelsForExtension chooses.
void ApplyChannelRule(ChannelForce force, const char* extension);

#endif
