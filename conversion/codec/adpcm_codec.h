// The IMA ADPCM codec: decodes packed sound data to a WAV image and
// encodes PCM to an IMA ADPCM WAV image.
//
// Both entry points read the sound description and hand back a complete
// RIFF WAVE file in one block of memory that the caller owns and releases
// with ReleaseCodecImage. Fixed positions the callers rely on:
//   decoded image: RIFF size at 4, data size at 40, samples from 44
//                  (canonical 44-byte header, 16-bit PCM);
//   encoded image: data size at 56, ADPCM data from 60 (20-byte fmt chunk,
//                  12-byte fact chunk).
#ifndef VELKMAR_CONVERSION_CODEC_ADPCM_CODEC_H
#define VELKMAR_CONVERSION_CODEC_ADPCM_CODEC_H

#include <cstdint>

#include "conversion/codec/sound_info.h"

// Offsets into the images.
const uint32_t PCM_IMAGE_RIFF_SIZE = 4;
const uint32_t PCM_IMAGE_DATA_SIZE = 40;
const uint32_t PCM_IMAGE_HEADER = 44;
const uint32_t ADPCM_IMAGE_DATA_SIZE = 56;
const uint32_t ADPCM_IMAGE_DATA = 60;

// Decodes info->dataLength bytes of IMA ADPCM (format 0x11, 4 bits, 1 or 2
// channels, blocks of info->blockSize bytes) into a 16-bit PCM WAV image.
// Decoding stops at the end of the data, whatever info->samples says; a
// final partial block is decoded as far as it goes. Returns nonzero and
// stores the image and its length on success, 0 on failure (bad
// parameters, a result too large for 32-bit RIFF sizes, no memory).
int AIL_decompress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize);

// Length of the WAV image that decoding length bytes of ADPCM with the
// layout in info (format, channels, block size) gives, whatever
// info->samples says; 0 when the layout is not one the decoder takes.
uint64_t DecodedImageLength(const SoundInfo* info, uint64_t length);

// Encodes info->samples frames of 16-bit PCM (format 1, 1 or 2 channels)
// into an IMA ADPCM WAV image with blocks of 36 bytes for one channel and
// 72 for two, whatever info->blockSize holds. Returns nonzero and stores
// the image on success, 0 for input it cannot encode.
int AIL_compress_ADPCM(const SoundInfo* info, void** image, uint32_t* imageSize);

// The encoders behind AIL_compress_ADPCM: the search encoder is the
// default; the plain one, the nearest code sample by sample, is the
// yardstick the search is measured against.
enum AdpcmEncoder { ADPCM_ENCODER_SEARCH, ADPCM_ENCODER_PLAIN };

// AIL_compress_ADPCM with the encoder chosen.
int CompressAdpcmWith(const SoundInfo* info, AdpcmEncoder encoder, void** image,
                      uint32_t* imageSize);

// Releases an image returned by either function (the process heap on
// Windows). A null image is ignored.
void ReleaseCodecImage(void* image);

#endif
