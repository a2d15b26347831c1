// Paths and names: the separators, joining a folder and a name, the folder
// of a path, where its file name starts, how long a path may be, and the
// extensions.
//
// Two rules say what a path's "extension" is, and both are kept:
//   - a file name's extension runs from the last '.' of the file name
//     (HasExtension, WavPathFor): the folder's dots do not count;
//   - the channel rule reads the whole path's text from its last '.'
//     (PathExtension): "D:\my.dir\boom" gives ".dir\boom", which is no
//     ".adx" and so reads as mono, as the window always has.
// Letter case never matters in an extension.
#ifndef VELKMAR_CONVERSION_FILES_PATHS_H
#define VELKMAR_CONVERSION_FILES_PATHS_H

#include <cstddef>
#include <string>

#include "conversion/files/conversion_status.h"

// The separator put between a folder and a name.
#ifdef _WIN32
const char PATH_SEPARATOR = '\\';
#else
const char PATH_SEPARATOR = '/';
#endif

// Capacity of every path buffer of the window, terminating zero included.
const int PATH_TEXT_SIZE = 260;

// The longest path a conversion takes, in bytes: what fits a path buffer
// on Windows, the system's limit elsewhere.
#ifdef _WIN32
const size_t PATH_LIMIT = PATH_TEXT_SIZE - 1;
#else
const size_t PATH_LIMIT = 4095;
#endif

// True for a character that ends a folder in a path: '\', '/' and ':' on
// Windows, '/' elsewhere.
bool IsPathSeparator(char c);

// True when path's length is within PATH_LIMIT.
bool FitsPathLimit(const std::string& path);

// Where the file name of path starts: just after its last separator, or 0.
size_t FileNameStart(const std::string& path);

// The folder part of path, its last separator included ("" for a bare name).
std::string FolderOf(const std::string& path);

// folder and name joined with PATH_SEPARATOR (none added when folder ends
// in a separator already); CONV_PATH_TOO_LONG when it does not fit.
ConvStatus JoinPath(const char* folder, const char* name, std::string* path);

// True when the file name's extension is exactly extension (".wad"),
// ignoring ASCII letter case.
bool HasExtension(const char* name, const char* extension);

// True when a and b are the same text apart from ASCII letter case.
bool SameIgnoringCase(const char* a, const char* b);

// text with its ASCII capitals made small: a key that compares as
// SameIgnoringCase does.
std::string LowerAsciiText(std::string text);

// The channel rule's extension: the text from the last '.' of the whole
// path to its end, or null when the path has no '.'. Points into path.
const char* PathExtension(const char* path);

// The WAV path proposed for a packed file: the file name's extension
// replaced by ".wav", or ".wav" appended when it has none. A dot in a
// folder name is no extension: my.dir/boom gives my.dir/boom.wav.
std::string WavPathFor(const std::string& packedPath);

#endif
