// The channel mode the window chooses: the Extract page's "Режим" and its
// "Эффекты" radio button, read as they are when the choice is made.
#ifndef VELKMAR_CONVERSION_WINDOW_CHANNEL_CHOICE_H
#define VELKMAR_CONVERSION_WINDOW_CHANNEL_CHOICE_H

#include "conversion/files/presets.h"

// The choice forced on the Extract page; FORCE_NONE when "Режим" is not
// checked.
ChannelForce ForcedChannelMode();

// Applies the mono or the stereo preset: the one forced on the Extract
// page, otherwise the one that extension (from a path's last '.', or
// null) calls for.
void SelectChannelMode(const char* extension);

#endif
