// Sources and destinations that are not what a conversion expects:
// folders, pipes and devices, unreadable and read-only files, missing
// folders, paths at the edge of the path buffer, a full disk, too little
// memory. Every failure leaves an existing destination as it was and
// nothing beside it; a packing failure shows the message for it.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/bad_input/bad_input.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Mono blocks at a steady level: each decodes to 130 bytes, none zero.
Bytes SteadyBlocks(size_t count) {
    Bytes blocks(36 * count, 0);
    for (size_t b = 0; b < count; ++b) WriteLe16(&blocks[36 * b], 0x0404);
    return blocks;
}

const Bytes SMALL_WAV = MakePcmWav(1, 44100, Samples(100, 1234));

class Conversions : public BadInputTest {
protected:
    // Extracts and packs from source into destinations that already exist,
    // expecting both to fail with status (and its message).
    void ExpectSourceRefused(const std::string& source) {
        SCOPED_TRACE(source);
        PlaceDestination(Path("out.wav"));
        PlaceDestination(Path("out.wad"));
        ApplyMonoPreset();
        EXPECT_EQ(ExtractSoundFileStatus(source.c_str(), Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE);
        EXPECT_EQ(PackSoundFile(source.c_str(), Path("out.wad").c_str()), 0);
        ExpectMessage(OPEN_FAILED, source);
        for (const char* name : {"out.wav", "out.wad"}) EXPECT_EQ(ReadFileBytes(Path(name)), kept_) << name;
    }
    // Extracts and packs good sources into destination, expecting both to
    // fail with status (extraction) and the message for it (packing).
    void ExpectDestinationRefused(const std::string& destination, ConvStatus status) {
        SCOPED_TRACE(destination);
        WriteFileBytes(Path("in.wad"), SteadyBlocks(2));
        WriteFileBytes(Path("in.wav"), SMALL_WAV);
        ApplyMonoPreset();
        EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), destination.c_str()), status);
        messages_->clear();
        EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), destination.c_str()), 0);
        if (status == CONV_WRITE_FAILED)
            ExpectMessage(WRITE_FAILED, destination);
        else
            ExpectMessage(OPEN_FAILED, Path("in.wav"));
    }
};

TEST_F(Conversions, NothingButARegularFileIsASource) {
    ASSERT_TRUE(fs::create_directory(fs::u8path(Path("folder.wad"))));
    std::vector<std::string> sources = {Path("missing.wad"), Path("folder.wad")};
#ifndef _WIN32
    ASSERT_EQ(mkfifo(Path("pipe.wad").c_str(), 0600), 0);
    sources.insert(sources.end(), {"/dev/zero", "/dev/null"});
    if (geteuid() != 0) {
        WriteFileBytes(Path("secret.wad"), SteadyBlocks(2));
        ASSERT_EQ(chmod(Path("secret.wad").c_str(), 0), 0);
        sources.push_back(Path("secret.wad"));
    }
    // A pipe is refused at once, never waited on for a writer: should the
    // conversion wait, the test opens the other end itself.
    const std::string pipe = Path("pipe.wad");
    auto refused = std::async(std::launch::async, [this, pipe] { ExpectSourceRefused(pipe); });
    while (refused.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "a conversion waits for a writer on a pipe";
        int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
#endif
    for (const std::string& source : sources) ExpectSourceRefused(source);
}

TEST_F(Conversions, ConvertingAFileOntoItselfReplacesItWithTheResult) {
    WriteFileBytes(Path("same"), SteadyBlocks(3));
    ApplyMonoPreset();
    ASSERT_EQ(ExtractSoundFileStatus(Path("same").c_str(), Path("same").c_str()), CONV_OK);
    EXPECT_EQ(ReadFileBytes(Path("same")).size(), 44u + 3 * 130);
    WriteFileBytes(Path("same"), SMALL_WAV);
    ASSERT_EQ(PackSoundFile(Path("same").c_str(), Path("same").c_str()), 1);
    EXPECT_EQ(ReadFileBytes(Path("same")).size(), 2u * 36);
    EXPECT_EQ(ListFolder(folder_), std::vector<std::string>{"same"});
}

TEST_F(Conversions, NothingButARegularFileIsReplaced) {
    ASSERT_TRUE(fs::create_directory(fs::u8path(Path("folder.wav"))));
    PlaceDestination(Path("folder.wav") + "/kept");
    std::vector<std::string> refused = {Path("folder.wav")};
#ifdef _WIN32
    refused.insert(refused.end(), {"NUL", Path("nul.wav")});
#else
    ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/null", Path("null-link.wav").c_str()), 0);
    ASSERT_EQ(symlink(Path("folder.wav").c_str(), Path("folder-link.wav").c_str()), 0);
    refused.insert(refused.end(), {Path("pipe.wav"), Path("null-link.wav"), Path("folder-link.wav")});
    // A device node of our own, never a system one: a fault would replace it.
    if (geteuid() == 0 && mknod(Path("device.wav").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        refused.push_back(Path("device.wav"));
#endif
    for (const std::string& destination : refused) ExpectDestinationRefused(destination, CONV_NOT_REGULAR_FILE);
    ExpectNothingLost(Path("folder.wav") + "/kept", {"kept"});
#ifndef _WIN32
    struct stat info;
    ASSERT_EQ(lstat(Path("null-link.wav").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays";
#endif
}

TEST_F(Conversions, AMissingFolderOrAReadOnlyFileIsNotWrittenTo) {
    ExpectDestinationRefused(Path("missing") + "/out.wav", CONV_CANNOT_OPEN_DESTINATION);
#ifndef _WIN32
    if (geteuid() == 0) return;  // root writes files whatever their permissions (see SmallDisk)
#endif
    PlaceDestination(Path("out.wav"));
    fs::permissions(fs::u8path(Path("out.wav")), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ExpectDestinationRefused(Path("out.wav"), CONV_CANNOT_OPEN_DESTINATION);
    fs::permissions(fs::u8path(Path("out.wav")), fs::perms::owner_write, fs::perm_options::add);
    ExpectNothingLost(Path("out.wav"), {"in.wad", "in.wav", "out.wav"});
}

TEST_F(Conversions, PathsAtTheEdgeOfThePathBuffer) {
    // The path buffer holds 259 bytes and the terminating zero; natively
    // there is no such limit.
    const auto pathOf = [&](size_t length, const std::string& ending) {
        return Path(std::string(length - folder_.size() - 1 - ending.size(), 'p') + ending);
    };
    WriteFileBytes(pathOf(259, ".wad"), SteadyBlocks(2));
    ApplyMonoPreset();
    for (size_t length : {259, 260}) {
        const ConvStatus status = ExtractSoundFileStatus(pathOf(259, ".wad").c_str(), pathOf(length, ".wav").c_str());
#ifdef _WIN32
        EXPECT_EQ(status, length == 259 ? CONV_OK : CONV_PATH_TOO_LONG) << length;
#else
        EXPECT_EQ(status, CONV_OK) << length;
#endif
    }
}

#ifndef _WIN32
// A small tmpfs mounted for the test in a mount namespace of the test
// process's own, so that nothing outside sees it. Needs root.
class SmallDisk : public Conversions {
protected:
    bool Mount(const char* options) {
        static bool isolated = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        disk_ = Path("disk");
        fs::create_directory(disk_);
        mounted_ = isolated && mount("tmpfs", disk_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) == 0;
        if (mounted_) PlaceDestination(disk_ + "/out.wav");
        return mounted_;
    }
    void TearDown() override {
        if (mounted_) umount2(disk_.c_str(), MNT_DETACH);
        Conversions::TearDown();
    }
    std::string disk_;
    bool mounted_ = false;
};

TEST_F(SmallDisk, FullReadOnlyOrOutOfFiles) {
    const struct {
        const char* options;
        bool readOnly;
        ConvStatus status;
    } disks[] = {{"size=4k,nr_inodes=16", false, CONV_WRITE_FAILED},         // the destination fills it
                 {"size=64k,nr_inodes=2", false, CONV_CANNOT_OPEN_DESTINATION},  // no room for another file
                 {"size=64k", true, CONV_CANNOT_OPEN_DESTINATION}};
    for (const auto& disk : disks) {
        if (!Mount(disk.options)) GTEST_SKIP() << "mounting a small tmpfs needs root: " << std::strerror(errno);
        if (disk.readOnly) {
            ASSERT_EQ(mount(nullptr, disk_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr), 0);
        }
        ExpectDestinationRefused(disk_ + "/out.wav", disk.status);
        ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
        umount2(disk_.c_str(), MNT_DETACH);
        mounted_ = false;
    }
    // The disk fills in the middle of writing: its room comes back.
    ASSERT_TRUE(Mount("size=16k,nr_inodes=16"));
    WriteFileBytes(Path("in.wad"), SteadyBlocks(400));  // 52 KB of WAV for 12 KB of room
    EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), (disk_ + "/out.wav").c_str()), CONV_WRITE_FAILED);
    ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
}

#if defined(__SANITIZE_ADDRESS__)
#define VELKMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKMAR_ASAN 1
#endif
#endif
#ifndef VELKMAR_ASAN
// Runs convert in a child whose address space may grow by 100 MiB only,
// as the 32-bit build's does with a file too large for it; returns what
// the child exits with.
int StatusWithCappedMemory(int (*convert)(const char*, const char*), const std::string& source,
                           const std::string& destination) {
    pid_t child = fork();
    if (child == 0) {
        long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld", &pages) != 1) _exit(100);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (100 << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(101);
        _exit(convert(source.c_str(), destination.c_str()));
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the conversion crashed";
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Conversions, TooLittleMemoryFailsCleanly) {
    // 64 MiB packed decode to 231 MiB; a WAV of 150 MiB cannot even be read.
    WriteFileBytes(Path("in.wad"), Bytes());
    ASSERT_EQ(truncate(Path("in.wad").c_str(), 64 << 20), 0);
    Bytes header = SMALL_WAV;
    WriteLe32(&header[40], 0xFFFFFFFF);
    WriteFileBytes(Path("in.wav"), header);
    ASSERT_EQ(truncate(Path("in.wav").c_str(), 150 << 20), 0);
    PlaceDestination(Path("out.wav"));
    PlaceDestination(Path("out.wad"));
    EXPECT_EQ(StatusWithCappedMemory([](const char* in, const char* out) { ApplyMonoPreset();
                                         return int(ExtractSoundFileStatus(in, out)); },
                                     Path("in.wad"), Path("out.wav")),
              CONV_NO_MEMORY);
    EXPECT_EQ(StatusWithCappedMemory([](const char* in, const char* out) {
                  std::vector<CapturedMessage>& messages = CaptureMessages();
                  return PackSoundFile(in, out) == 0 && messages.size() == 1 && messages[0].text == READ_FAILED ? 0 : 1;
              },
                                     Path("in.wav"), Path("out.wad")),
              0);
    for (const char* name : {"out.wav", "out.wad"}) EXPECT_EQ(ReadFileBytes(Path(name)), kept_) << name;
}
#endif
#endif

}  // namespace
