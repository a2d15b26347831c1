// Paths and names.
#include "conversion/files/paths.h"

#include <cstring>

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

bool FitsPathLimit(const std::string& path) { return path.size() <= PATH_LIMIT; }

size_t FileNameStart(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1])) return i;
    return 0;
}

std::string FolderOf(const std::string& path) { return path.substr(0, FileNameStart(path)); }

ConvStatus JoinPath(const char* folder, const char* name, std::string* path) {
    *path = folder;
    if (path->empty() || !IsPathSeparator(path->back())) path->push_back(PATH_SEPARATOR);
    path->append(name);
    return FitsPathLimit(*path) ? CONV_OK : CONV_PATH_TOO_LONG;
}

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
    return *a == *b;
}

std::string LowerAsciiText(std::string text) {
    for (char& c : text) c = LowerAscii(c);
    return text;
}

bool HasExtension(const char* name, const char* extension) {
    const char* dot = std::strrchr(name + FileNameStart(name), '.');
    return dot && SameIgnoringCase(dot, extension);
}

const char* PathExtension(const char* path) { return std::strrchr(path, '.'); }

std::string WavPathFor(const std::string& packedPath) {
    const size_t dot = packedPath.rfind('.');
    const bool dotInName = dot != std::string::npos && dot >= FileNameStart(packedPath);
    return (dotInName ? packedPath.substr(0, dot) : packedPath) + ".wav";
}
