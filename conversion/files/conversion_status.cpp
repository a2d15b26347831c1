// English reasons for the conversion statuses.
#include "conversion/files/conversion_status.h"

const char* DescribeConvStatus(ConvStatus status) {
    switch (status) {
    case CONV_OK: return "converted";
    case CONV_CANNOT_OPEN_SOURCE: return "cannot open";
    case CONV_CANNOT_OPEN_DESTINATION: return "cannot create the output file";
    case CONV_NOT_REGULAR_FILE: return "the output exists and is not a regular file";
    case CONV_EMPTY_SOURCE: return "no sound data";
    case CONV_READ_FAILED: return "cannot read";
    case CONV_NOT_PCM_WAV: return "not a PCM WAV file";
    case CONV_UNSUPPORTED_FORMAT: return "unsupported sound format";
    case CONV_TOO_LARGE: return "too large to convert";
    case CONV_NO_MEMORY: return "out of memory";
    case CONV_WRITE_FAILED: return "cannot write";
    case CONV_PATH_TOO_LONG: return "path too long";
    }
    return "unknown failure";
}
