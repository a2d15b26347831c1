// A small command-line tool for the comparison script: encodes a PCM WAV
// with either of our encoders, and measures the SNR of one WAV against
// another.
//   codec_tool encode search|plain IN.wav OUT.wav   (prints seconds taken)
//   codec_tool snr ORIGINAL.wav DECODED.wav          (prints dB)
//   codec_tool wrap 1|2 PACKED OUT.wav               (the game's blocks in a
//                                                     44100 Hz IMA ADPCM WAV)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_wav.h"
#include "conversion/codec/byte_order.h"
#include "conversion/codec/adpcm_codec.h"

namespace {

int Encode(const char* which, const char* in, const char* out) {
    uint32_t channels = 0, rate = 0;
    std::vector<int16_t> pcm;
    if (!ReadPcmWav(ReadAll(in), &channels, &rate, &pcm) || channels == 0) {
        std::fprintf(stderr, "%s: not a 16-bit PCM WAV\n", in);
        return 1;
    }
    const SoundInfo info = {WAVE_TAG_PCM, pcm.data(), static_cast<uint32_t>(pcm.size() * 2), rate, 16,
                            channels, static_cast<uint32_t>(pcm.size() / channels), 0};
    void* image = nullptr;
    uint32_t size = 0;
    const auto start = std::chrono::steady_clock::now();
    const int ok = CompressAdpcmWith(&info, std::strcmp(which, "plain") == 0 ? ADPCM_ENCODER_PLAIN
                                                                              : ADPCM_ENCODER_SEARCH,
                                     &image, &size);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) return 1;
    FILE* file = std::fopen(out, "wb");
    if (!file || std::fwrite(image, 1, size, file) != size) return 1;
    std::fclose(file);
    ReleaseCodecImage(image);
    std::printf("%.4f\n", seconds);
    return 0;
}

int Snr(const char* original, const char* decoded) {
    uint32_t c1 = 0, c2 = 0, r1 = 0, r2 = 0;
    std::vector<int16_t> a, b;
    if (!ReadPcmWav(ReadAll(original), &c1, &r1, &a) || !ReadPcmWav(ReadAll(decoded), &c2, &r2, &b) || c1 != c2) {
        std::fprintf(stderr, "cannot compare %s and %s\n", original, decoded);
        return 1;
    }
    double signal = 0, noise = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double e = i < b.size() ? double(a[i]) - b[i] : double(a[i]);
        signal += double(a[i]) * a[i];
        noise += e * e;
    }
    std::printf("%.2f\n", noise > 0 ? 10 * std::log10(signal / noise) : 200.0);
    return 0;
}

// Puts a packed file's blocks behind the header our encoder writes.
int Wrap(const char* channelsText, const char* in, const char* out) {
    const uint32_t channels = channelsText[0] == '2' ? 2 : 1;
    const std::vector<uint8_t> data = ReadAll(in);
    const uint32_t blockBytes = 36 * channels;
    const uint32_t blocks = static_cast<uint32_t>(data.size() / blockBytes);
    std::vector<int16_t> one(channels, 0);
    const SoundInfo info = {WAVE_TAG_PCM, one.data(), 2 * channels, 44100, 16, channels, 1, 0};
    void* image = nullptr;
    uint32_t size = 0;
    if (blocks == 0 || !CompressAdpcmWith(&info, ADPCM_ENCODER_PLAIN, &image, &size)) return 1;
    uint8_t header[ADPCM_IMAGE_DATA];
    std::memcpy(header, image, sizeof header);
    ReleaseCodecImage(image);
    WriteLe32(header + 4, ADPCM_IMAGE_DATA - 8 + blocks * blockBytes);
    WriteLe32(header + 48, blocks * 65);
    WriteLe32(header + ADPCM_IMAGE_DATA_SIZE, blocks * blockBytes);
    FILE* file = std::fopen(out, "wb");
    if (!file) return 1;
    const bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                    std::fwrite(data.data(), 1, size_t(blocks) * blockBytes, file) == size_t(blocks) * blockBytes;
    return std::fclose(file) == 0 && ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "encode") == 0) return Encode(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "snr") == 0) return Snr(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "wrap") == 0) return Wrap(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: codec_tool encode search|plain IN OUT | snr ORIGINAL DECODED | wrap 1|2 PACKED OUT\n");
    return 2;
}
