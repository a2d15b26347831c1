// File access: whole-file sizes, temporary files and the atomic move.
#include "conversion/files/file_access.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

#include "conversion/files/paths.h"

#ifndef O_BINARY
#define O_BINARY 0
#endif

const char* volatile g_pendingTemporary;

namespace {

// The number of the next temporary file's name; 0 until the first one.
unsigned g_temporaryNumber;

#ifdef _WIN32

// Refuses an existing destination that is a folder or a device (NUL, CON,
// COM1, ...). Missing destinations are fine.
ConvStatus CheckDestination(std::string* destination) {
    if (!FitsPathLimit(*destination)) return CONV_PATH_TOO_LONG;
    DWORD attributes = GetFileAttributesA(destination->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CONV_OK : CONV_CANNOT_OPEN_DESTINATION;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return CONV_NOT_REGULAR_FILE;
    // A read-only file cannot be opened for writing, and is not replaced.
    if (attributes & FILE_ATTRIBUTE_READONLY) return CONV_CANNOT_OPEN_DESTINATION;
    HANDLE handle = CreateFileA(destination->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return CONV_CANNOT_OPEN_DESTINATION;
    DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? CONV_OK : CONV_NOT_REGULAR_FILE;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

int CreateExclusive(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

void KeepMode(int, const std::string&) {}

#else

// Refuses an existing destination that is not a regular file, or that
// could not be opened for writing (a read-only file). A symbolic link to a
// regular file is followed, so that the file it names is replaced and the
// link stays.
ConvStatus CheckDestination(std::string* destination) {
    struct stat info;
    if (lstat(destination->c_str(), &info) != 0)
        return errno == ENOENT ? CONV_OK : CONV_CANNOT_OPEN_DESTINATION;
    if (S_ISLNK(info.st_mode)) {
        if (stat(destination->c_str(), &info) != 0) return errno == ENOENT ? CONV_OK : CONV_CANNOT_OPEN_DESTINATION;
        if (!S_ISREG(info.st_mode)) return CONV_NOT_REGULAR_FILE;
        char* target = realpath(destination->c_str(), nullptr);
        if (!target) return CONV_CANNOT_OPEN_DESTINATION;
        *destination = target;
        std::free(target);
    } else if (!S_ISREG(info.st_mode)) {
        return CONV_NOT_REGULAR_FILE;
    }
    return access(destination->c_str(), W_OK) == 0 ? CONV_OK : CONV_CANNOT_OPEN_DESTINATION;
}

bool ReplaceFile(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

int CreateExclusive(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, 0666);
}

// A replaced file keeps its permission bits.
void KeepMode(int descriptor, const std::string& destination) {
    struct stat info;
    if (stat(destination.c_str(), &info) == 0) (void)fchmod(descriptor, info.st_mode & 07777);
}

#endif

// Creates a new temporary file in folder: "~vk<n>.tmp", or "~<n>" where the
// longer name would not fit the path buffer. Returns its descriptor or -1.
int CreateTemporary(const std::string& folder, std::string* path) {
    if (g_temporaryNumber == 0) g_temporaryNumber = static_cast<unsigned>(std::rand() % 9000) + 1;
    for (int attempt = 0; attempt < 1000; ++attempt, ++g_temporaryNumber) {
        std::string number = std::to_string(g_temporaryNumber % 100000);
        std::string candidate = folder + "~vk" + number + ".tmp";
        if (!FitsPathLimit(candidate)) candidate = folder + "~" + number;
        if (!FitsPathLimit(candidate)) return -1;
        int descriptor = CreateExclusive(candidate);
        if (descriptor >= 0) {
            *path = candidate;
            ++g_temporaryNumber;
            return descriptor;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

}  // namespace

ConvStatus BeginOutput(PendingOutput* output, const char* destination) {
    output->file = nullptr;
    output->tempPath.clear();
    output->destination = destination;
    ConvStatus status = CheckDestination(&output->destination);
    if (status != CONV_OK) return status;
    std::string tempPath;
    int descriptor = CreateTemporary(FolderOf(output->destination), &tempPath);
    if (descriptor < 0)
        return FitsPathLimit(FolderOf(output->destination) + "~0") ? CONV_CANNOT_OPEN_DESTINATION : CONV_PATH_TOO_LONG;
    KeepMode(descriptor, output->destination);
    output->tempPath = tempPath;
    g_pendingTemporary = output->tempPath.c_str();
#ifdef _WIN32
    output->file = _fdopen(descriptor, "wb");
    if (!output->file) _close(descriptor);
#else
    output->file = fdopen(descriptor, "wb");
    if (!output->file) close(descriptor);
#endif
    if (!output->file) {
        AbandonOutput(output);
        return CONV_CANNOT_OPEN_DESTINATION;
    }
    return CONV_OK;
}

ConvStatus WriteOutput(PendingOutput* output, const void* bytes, size_t size) {
    if (!output->file) return CONV_WRITE_FAILED;
    return std::fwrite(bytes, 1, size, output->file) == size ? CONV_OK : CONV_WRITE_FAILED;
}

ConvStatus CommitOutput(PendingOutput* output) {
    if (!output->file) return CONV_WRITE_FAILED;
    bool written = std::fflush(output->file) == 0 && !std::ferror(output->file);
    written = std::fclose(output->file) == 0 && written;
    output->file = nullptr;
    g_pendingTemporary = nullptr;
    if (!written || !ReplaceFile(output->tempPath, output->destination)) {
        AbandonOutput(output);
        return CONV_WRITE_FAILED;
    }
    output->tempPath.clear();
    return CONV_OK;
}

void AbandonOutput(PendingOutput* output) {
    if (output->file) std::fclose(output->file);
    output->file = nullptr;
    g_pendingTemporary = nullptr;
    if (!output->tempPath.empty()) std::remove(output->tempPath.c_str());
    output->tempPath.clear();
}

FILE* OpenSourceFile(const char* path) {
#ifdef _WIN32
    FILE* file = std::fopen(path, "rb");
    if (file && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        file = nullptr;
    }
    return file;
#else
    // Without O_NONBLOCK, opening a pipe waits for a writer.
    int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat info;
    FILE* file = nullptr;
    if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
        fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) == 0)
        file = fdopen(descriptor, "rb");
    if (!file) close(descriptor);
    return file;
#endif
}

long long FileSizeOf(FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    long long size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    long long size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return size;
}
