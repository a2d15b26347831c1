// The window's channel mode choice.
#include "conversion/window/channel_choice.h"

#include <windows.h>

#include "conversion/files/globals.h"
#include "resources/resource.h"

ChannelForce ForcedChannelMode() {
    if (IsDlgButtonChecked(g_extractPage, IDC_FORCE_MODE) != BST_CHECKED) return FORCE_NONE;
    return IsDlgButtonChecked(g_extractPage, IDC_EFFECTS) == BST_CHECKED ? FORCE_MONO : FORCE_STEREO;
}

void SelectChannelMode(const char* extension) { ApplyChannelRule(ForcedChannelMode(), extension); }
