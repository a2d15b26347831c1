// Preview playback. Not written yet: "Play" does nothing so far.
#include "conversion/preview.h"

void PlayPreview() {}
