// Why a conversion failed. The specified operations return 1 or 0; their
// inner forms return one of these so that every front end (the window's
// fixed messages, the command line's reasons) tells the same story.
#ifndef VELKMAR_CONVERSION_FILES_CONVERSION_STATUS_H
#define VELKMAR_CONVERSION_FILES_CONVERSION_STATUS_H

enum ConvStatus {
    CONV_OK = 0,
    CONV_CANNOT_OPEN_SOURCE,       // missing or unreadable source
    CONV_CANNOT_OPEN_DESTINATION,  // folder missing or not writable
    CONV_NOT_REGULAR_FILE,         // destination exists and is no regular file
    CONV_EMPTY_SOURCE,             // nothing to convert
    CONV_READ_FAILED,              // the source could not be read
    CONV_NOT_PCM_WAV,              // no RIFF WAVE, or lacks "fmt " or "data"
    CONV_UNSUPPORTED_FORMAT,       // the codec refuses the format
    CONV_TOO_LARGE,                // the result would not fit 32-bit sizes
    CONV_NO_MEMORY,
    CONV_WRITE_FAILED,             // writing or replacing the destination
    CONV_PATH_TOO_LONG             // a path does not fit the path buffer
};

// Short English reason, for the command line ("cannot open", ...).
const char* DescribeConvStatus(ConvStatus status);

#endif
