// Fuzz target: the trailing-silence cut on arbitrary images. The first
// input byte chooses how the rest becomes an image: as it is, or as runs
// (a byte and a length from the next two bytes), so that long zero runs
// near 4096 bytes are easy to reach. The cut must agree, byte for byte,
// with the plain rule: the first offset below the RIFF size at which 4096
// zero bytes start inside the image.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "fuzz/fuzz_support.h"

namespace {

const size_t MAX_IMAGE = 1 << 17;

Bytes MakeImage(const uint8_t* data, size_t size) {
    if (size == 0) return Bytes();
    if (data[0] & 1) return Bytes(data + 1, data + size);
    Bytes image;
    for (size_t at = 1; at < size && image.size() < MAX_IMAGE; at += 3) {
        const uint8_t value = data[at];
        const size_t run = at + 2 < size ? ReadLe16(data + at + 1) % 8200 + 1 : 1;
        image.insert(image.end(), run, value);
    }
    if (image.size() > MAX_IMAGE) image.resize(MAX_IMAGE);
    return image;
}

// The rule, directly: zeros[i] counts the zero bytes from offset i on.
uint32_t PlainCut(Bytes* image) {
    const size_t length = image->size();
    if (length < 8) return static_cast<uint32_t>(length);
    std::vector<size_t> zeros(length + 1, 0);
    for (size_t i = length; i-- > 0;) zeros[i] = (*image)[i] == 0 ? zeros[i + 1] + 1 : 0;
    for (size_t i = 0; i < length - 8; ++i) {
        if (zeros[i] >= SILENCE_RUN) {
            WriteLe32(image->data() + 4, static_cast<uint32_t>(i));
            WriteLe32(image->data() + 40, static_cast<uint32_t>(i - 36));
            return static_cast<uint32_t>(i + 8);
        }
    }
    return static_cast<uint32_t>(length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes image = MakeImage(data, size);
    Bytes expected = image;
    const uint32_t expectedLength = PlainCut(&expected);
    // A copy of exactly the image's length, so that AddressSanitizer sees
    // any read past its end.
    uint8_t* exact = new uint8_t[image.size()];
    std::copy(image.begin(), image.end(), exact);
    const uint32_t length = CutTrailingSilence(exact, static_cast<uint32_t>(image.size()));
    const bool same = length == expectedLength && std::equal(expected.begin(), expected.end(), exact);
    delete[] exact;
    FuzzCheck(same, "the cut agrees with the plain rule");
    return 0;
}
