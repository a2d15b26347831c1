// Packed sound files for the window tests, and what a single-file
// extraction makes of them, computed in the test program with the same
// core.
#ifndef VELKMAR_TESTS_WINDOW_PACKED_FILES_H
#define VELKMAR_TESTS_WINDOW_PACKED_FILES_H

#include <string>

#include "tests/support/test_files.h"

// A packed tone with 1 or 2 channels, exactly size bytes long; variant
// shifts the start by whole blocks, so that files of the same size differ.
// workFolder holds the WAV it is packed from.
Bytes PackedTone(size_t size, int channels, int variant, const std::string& workFolder);

// The WAV file that the extraction of the packed file at source makes with
// the mono (1) or the stereo (2) preset; empty when it fails.
Bytes SingleFileExtraction(const std::string& source, int channels, const std::string& workFolder);

// The channel count and the sample rate that a WAV image declares; 0 when
// it is no RIFF WAVE image.
int ImageChannels(const Bytes& wav);
uint32_t ImageRate(const Bytes& wav);

#endif
