// Memory that cannot be had, as in the 32-bit build with a file too large
// for its address space: the conversion fails cleanly and loses nothing.
// Natively only, in a child process with a capped address space (not
// under AddressSanitizer, which needs a vast one).
#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/bad_input/bad_input.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VELKMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKMAR_ASAN 1
#endif
#endif

namespace {

#if !defined(_WIN32) && !defined(VELKMAR_ASAN)
const long long MIB = 1 << 20;

// Runs convert in a child whose address space may grow by 100 MiB only;
// returns the status the child ended with.
int StatusWithCappedMemory(int (*convert)(const char*, const char*), const std::string& source,
                           const std::string& destination) {
    pid_t child = fork();
    if (child == 0) {
        long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld", &pages) != 1) _exit(100);
        std::fclose(statm);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + 100 * MIB;
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(101);
        _exit(convert(source.c_str(), destination.c_str()));
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the conversion crashed";
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ExtractInChild(const char* source, const char* destination) {
    ApplyMonoPreset();
    return ExtractSoundFileStatus(source, destination);
}

int PackInChild(const char* source, const char* destination) {
    std::vector<CapturedMessage>& messages = CaptureMessages();
    if (PackSoundFile(source, destination) != 0) return 200;
    return messages.size() == 1 && messages[0].text == READ_FAILED ? 0 : 201;
}

class OutOfMemory : public BadInputTest {};

TEST_F(OutOfMemory, ExtractionFailsCleanly) {
    // 64 MiB packed (sparse) decodes to 231 MiB: the image cannot be had.
    WriteFileBytes(Path("in.wad"), Bytes());
    ASSERT_EQ(truncate(Path("in.wad").c_str(), 64 * MIB), 0);
    PlaceDestination(Path("out.wav"));
    EXPECT_EQ(StatusWithCappedMemory(ExtractInChild, Path("in.wad"), Path("out.wav")), CONV_NO_MEMORY);
    ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
}

TEST_F(OutOfMemory, PackingShowsTheReadMessage) {
    // A WAV of 150 MiB cannot even be read into memory.
    Bytes header = MakePcmWav(1, 44100, std::vector<int16_t>(2, 0));
    WriteLe32(header.data() + 40, 0xFFFFFFFF);
    WriteFileBytes(Path("in.wav"), header);
    ASSERT_EQ(truncate(Path("in.wav").c_str(), 150 * MIB), 0);
    PlaceDestination(Path("out.wad"));
    EXPECT_EQ(StatusWithCappedMemory(PackInChild, Path("in.wav"), Path("out.wad")), 0);
    ExpectNothingLost(Path("out.wad"), {"in.wav", "out.wad"});
}
#else
TEST(OutOfMemory, NeedsANativeBuildWithoutAddressSanitizer) {
    GTEST_SKIP() << "a capped address space needs a native build without AddressSanitizer";
}
#endif

}  // namespace
