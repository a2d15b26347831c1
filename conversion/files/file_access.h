// File access for the conversions: the size of a file read whole, and
// replace-on-success output. A conversion writes into a fresh temporary
// file beside the destination and moves it over the destination only when
// everything has been written; on every failure the temporary file is
// removed and an existing destination stays exactly as it was. Only a
// regular file is ever replaced.
#ifndef VELKMAR_CONVERSION_FILES_FILE_ACCESS_H
#define VELKMAR_CONVERSION_FILES_FILE_ACCESS_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "conversion/files/conversion_status.h"

// The temporary file a conversion is writing, null when none: what an
// interrupted command line removes before it ends.
extern const char* volatile g_pendingTemporary;

struct PendingOutput {
    FILE* file;               // the temporary file, open for writing
    std::string tempPath;     // its path; empty once committed or abandoned
    std::string destination;  // the file it will replace
};

// Checks that destination is missing or a regular file and creates the
// temporary file in its folder. On failure nothing is left behind.
ConvStatus BeginOutput(PendingOutput* output, const char* destination);

// Writes size bytes; CONV_WRITE_FAILED when not all were written.
ConvStatus WriteOutput(PendingOutput* output, const void* bytes, size_t size);

// Closes the temporary file and moves it over the destination. On failure
// the temporary file is removed and the destination is untouched.
ConvStatus CommitOutput(PendingOutput* output);

// Closes and removes the temporary file unless it was committed. Safe to
// call on every path, more than once, and after a failed BeginOutput.
void AbandonOutput(PendingOutput* output);

// Opens a conversion's source for binary reading. Null when it is missing
// or unreadable, or is no regular file (a folder, a pipe, a device): a
// pipe is refused at once, never waited on for a writer.
FILE* OpenSourceFile(const char* path);

// A file's size for reading it whole; -1 when it cannot be told. Leaves the
// file positioned at its start.
long long FileSizeOf(FILE* file);

#endif
