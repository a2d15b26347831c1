// Standard error and standard output for the command line.
#include "cli/output.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// text in the ANSI code page as UTF-16; empty when it does not convert.
std::wstring Widen(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int wide = text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wide <= 0) return std::wstring();
    std::wstring converted(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, &converted[0], wide);
    return converted;
}

// A console shows its own code page, not the ANSI one the paths are in:
// text for it goes through UTF-16.
bool WriteConsoleText(const std::string& text) {
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
    if (text.empty()) return true;
    const std::wstring converted = Widen(text);
    if (converted.empty()) return false;
    DWORD written;
    return WriteConsoleW(console, converted.data(), static_cast<DWORD>(converted.size()), &written, nullptr) != 0;
}
#endif

}  // namespace

bool ErrorIsTerminal() {
#ifdef _WIN32
    DWORD mode;
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

void WriteError(const std::string& text) {
#ifdef _WIN32
    if (WriteConsoleText(text)) return;
#endif
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void ErrorLine(const std::string& text) { WriteError("velkmar-cli: " + text + "\n"); }

void WriteOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string ToUtf8(const std::string& text) {
#ifdef _WIN32
    const std::wstring wide = Widen(text);
    const int length = static_cast<int>(wide.size());
    const int bytes = length ? WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr) : 0;
    if (bytes <= 0) return text;
    std::string converted(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &converted[0], bytes, nullptr, nullptr);
    return converted;
#else
    return text;
#endif
}
