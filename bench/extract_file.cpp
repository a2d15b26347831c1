// Extracts one packed sound file to a WAV file through ExtractSoundFile,
// as the window does; for timing and memory measurements of the whole
// process.
//   extract_file mono|stereo SOURCE DESTINATION
#include <cstdio>
#include <cstring>

#include "conversion/files/extraction.h"
#include "conversion/files/presets.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: extract_file mono|stereo SOURCE DESTINATION\n");
        return 2;
    }
    if (std::strcmp(argv[1], "stereo") == 0)
        ApplyStereoPreset();
    else
        ApplyMonoPreset();
    return ExtractSoundFile(argv[2], argv[3]) == 1 ? 0 : 1;
}
