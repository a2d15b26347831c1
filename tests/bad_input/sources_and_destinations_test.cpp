// Sources and destinations that are not what a conversion expects:
// folders, pipes and devices, unreadable and read-only files and folders,
// paths at the edge of the path buffer, a full disk. Every failure leaves
// an existing destination as it was and nothing beside it.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>

#include <gtest/gtest.h>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/bad_input/bad_input.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Mono blocks at a steady level: they decode to 130 bytes each, none zero.
Bytes SteadyBlocks(size_t count) {
    Bytes blocks(36 * count, 0);
    for (size_t b = 0; b < count; ++b) WriteLe16(blocks.data() + 36 * b, 0x0404);
    return blocks;
}

const Bytes SMALL_WAV = MakePcmWav(1, 44100, std::vector<int16_t>(100, 1234));

class Sources : public BadInputTest {};

TEST_F(Sources, AFolderIsNoSource) {
    ASSERT_TRUE(fs::create_directory(fs::u8path(Path("folder.wad"))));
    PlaceDestination(Path("out.wav"));
    ApplyMonoPreset();
    EXPECT_EQ(ExtractSoundFileStatus(Path("folder.wad").c_str(), Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE);
    ExpectNothingLost(Path("out.wav"), {"folder.wad", "out.wav"});

    PlaceDestination(Path("out.wad"));
    EXPECT_EQ(PackSoundFile(Path("folder.wad").c_str(), Path("out.wad").c_str()), 0);
    ExpectMessage(OPEN_FAILED, Path("folder.wad"));
    ExpectNothingLost(Path("out.wad"), {"folder.wad", "out.wad", "out.wav"});
}

#ifndef _WIN32
TEST_F(Sources, APipeIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(mkfifo(Path("pipe.wad").c_str(), 0600), 0);
    PlaceDestination(Path("out.wav"));
    PlaceDestination(Path("out.wad"));
    ApplyMonoPreset();
    const std::string pipe = Path("pipe.wad");
    // Run where a wait for a writer cannot stall the suite: after a while
    // the test opens the pipe's other end itself, which ends any wait.
    auto both = std::async(std::launch::async, [pipe, this] {
        ConvStatus extracted = ExtractSoundFileStatus(pipe.c_str(), Path("out.wav").c_str());
        int packed = PackSoundFile(pipe.c_str(), Path("out.wad").c_str());
        return std::make_pair(extracted, packed);
    });
    while (both.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "a conversion waits for a writer on a pipe";
        int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    auto results = both.get();
    EXPECT_EQ(results.first, CONV_CANNOT_OPEN_SOURCE);
    EXPECT_EQ(results.second, 0);
    ExpectMessage(OPEN_FAILED, pipe);
    ExpectNothingLost(Path("out.wav"), {"out.wad", "out.wav", "pipe.wad"});
    ExpectNothingLost(Path("out.wad"), {"out.wad", "out.wav", "pipe.wad"});
}

TEST_F(Sources, ADeviceIsNoSource) {
    PlaceDestination(Path("out.wav"));
    ApplyMonoPreset();
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
        EXPECT_EQ(ExtractSoundFileStatus(device, Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE) << device;
        ExpectNothingLost(Path("out.wav"), {"out.wav"});
    }
}

TEST_F(Sources, AnUnreadableSourceCannotBeOpened) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads files whatever their permissions";
    WriteFileBytes(Path("in.wad"), SteadyBlocks(2));
    ASSERT_EQ(chmod(Path("in.wad").c_str(), 0), 0);
    PlaceDestination(Path("out.wav"));
    ApplyMonoPreset();
    EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), Path("out.wav").c_str()), CONV_CANNOT_OPEN_SOURCE);
    ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
}
#endif

TEST_F(Sources, ConvertingAFileOntoItselfReplacesItWithTheResult) {
    // The source is read whole before the destination is replaced, so a
    // file converted onto itself is not truncated first.
    WriteFileBytes(Path("same"), SteadyBlocks(3));
    ApplyMonoPreset();
    ASSERT_EQ(ExtractSoundFileStatus(Path("same").c_str(), Path("same").c_str()), CONV_OK);
    EXPECT_EQ(ReadFileBytes(Path("same")).size(), 44u + 3 * 130);

    WriteFileBytes(Path("same"), SMALL_WAV);
    ASSERT_EQ(PackSoundFile(Path("same").c_str(), Path("same").c_str()), 1);
    EXPECT_EQ(ReadFileBytes(Path("same")).size(), 2u * 36);
    EXPECT_EQ(ListFolder(folder_), std::vector<std::string>{"same"});
}

class Destinations : public BadInputTest {
protected:
    // Extracts and packs good sources into destination, expecting both
    // to fail with status (extraction) and the message for it (packing).
    void ExpectBothRefused(const std::string& destination, ConvStatus status) {
        WriteFileBytes(Path("in.wad"), SteadyBlocks(2));
        WriteFileBytes(Path("in.wav"), SMALL_WAV);
        ApplyMonoPreset();
        EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), destination.c_str()), status) << destination;
        messages_->clear();
        EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), destination.c_str()), 0) << destination;
        if (status == CONV_WRITE_FAILED)
            ExpectMessage(WRITE_FAILED, destination);
        else
            ExpectMessage(OPEN_FAILED, Path("in.wav"));
    }
};

TEST_F(Destinations, NothingButARegularFileIsReplaced) {
    ASSERT_TRUE(fs::create_directory(fs::u8path(Path("folder.wav"))));
    PlaceDestination(Path("folder.wav") + "/kept");
    ExpectBothRefused(Path("folder.wav"), CONV_NOT_REGULAR_FILE);
    ExpectNothingLost(Path("folder.wav") + "/kept", {"kept"});
#ifdef _WIN32
    ExpectBothRefused("NUL", CONV_NOT_REGULAR_FILE);
    ExpectBothRefused(Path("nul.wav"), CONV_NOT_REGULAR_FILE);
    // Devices that cannot even be looked at are refused as unopenable.
    for (const char* device : {"CON", "COM1", "LPT1"}) {
        const ConvStatus status = ExtractSoundFileStatus(Path("in.wad").c_str(), device);
        EXPECT_TRUE(status == CONV_NOT_REGULAR_FILE || status == CONV_CANNOT_OPEN_DESTINATION) << device << status;
        EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), device), 0) << device;
        ExpectMessage(OPEN_FAILED, Path("in.wav"));
    }
#else
    ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0600), 0);
    ExpectBothRefused(Path("pipe.wav"), CONV_NOT_REGULAR_FILE);
    // Links are followed: to a device or a folder they are refused, and the
    // link stays.
    ASSERT_EQ(symlink("/dev/null", Path("null-link.wav").c_str()), 0);
    ExpectBothRefused(Path("null-link.wav"), CONV_NOT_REGULAR_FILE);
    ASSERT_EQ(symlink(Path("folder.wav").c_str(), Path("folder-link.wav").c_str()), 0);
    ExpectBothRefused(Path("folder-link.wav"), CONV_NOT_REGULAR_FILE);
    struct stat info;
    ASSERT_EQ(lstat(Path("null-link.wav").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    // A device node of our own (never a system one: a fault here would
    // replace it).
    if (geteuid() == 0 && mknod(Path("device.wav").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        ExpectBothRefused(Path("device.wav"), CONV_NOT_REGULAR_FILE);
        ASSERT_EQ(lstat(Path("device.wav").c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
#endif
    ExpectNothingLost(Path("folder.wav") + "/kept", {"kept"});
}

TEST_F(Destinations, AMissingFolderIsReportedAndNothingIsCreated) {
    ExpectBothRefused(Path("missing") + "/out.wav", CONV_CANNOT_OPEN_DESTINATION);
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wad", "in.wav"}));
}

TEST_F(Destinations, AReadOnlyFileIsNotReplaced) {
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root writes files whatever their permissions (see ReadOnlyDisk)";
#endif
    PlaceDestination(Path("out.wav"));
    fs::permissions(fs::u8path(Path("out.wav")), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ExpectBothRefused(Path("out.wav"), CONV_CANNOT_OPEN_DESTINATION);
    fs::permissions(fs::u8path(Path("out.wav")), fs::perms::owner_write, fs::perm_options::add);
    ExpectNothingLost(Path("out.wav"), {"in.wad", "in.wav", "out.wav"});
}

// A path of exactly length bytes: the scratch folder and a padded name.
std::string PathOfLength(const std::string& folder, size_t length, const std::string& ending) {
    const size_t used = folder.size() + 1 + ending.size();
    EXPECT_LT(used, length);
    std::string name = std::string(length - used, 'p') + ending;
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

TEST_F(Destinations, PathsAtTheEdgeOfThePathBuffer) {
    // The path buffer holds 259 bytes and the terminating zero.
    const std::string source259 = PathOfLength(folder_, 259, ".wad");
    WriteFileBytes(source259, SteadyBlocks(2));
    ApplyMonoPreset();
    for (size_t length : {259, 260, 261}) {
        const std::string destination = PathOfLength(folder_, length, ".wav");
        const ConvStatus status = ExtractSoundFileStatus(source259.c_str(), destination.c_str());
#ifdef _WIN32
        if (length == 259) {
            EXPECT_EQ(status, CONV_OK) << length;
            EXPECT_EQ(ReadFileBytes(destination).size(), 44u + 2 * 130) << length;
        } else {
            EXPECT_EQ(status, CONV_PATH_TOO_LONG) << length;
            EXPECT_EQ(ListFolder(folder_).size(), 2u) << length;  // the source and the 259-byte result
        }
#else
        // No such limit natively.
        EXPECT_EQ(status, CONV_OK) << length;
        EXPECT_EQ(ReadFileBytes(destination).size(), 44u + 2 * 130) << length;
#endif
    }
#ifdef _WIN32
    // An existing 259-byte destination is replaced; packing into a longer
    // path shows the open message.
    WriteFileBytes(Path("in.wav"), SMALL_WAV);
    const std::string packed259 = PathOfLength(folder_, 259, ".wad");
    PlaceDestination(packed259);
    ASSERT_EQ(PackSoundFile(Path("in.wav").c_str(), packed259.c_str()), 1);
    EXPECT_EQ(ReadFileBytes(packed259).size(), 2u * 36);
    EXPECT_EQ(PackSoundFile(Path("in.wav").c_str(), PathOfLength(folder_, 260, ".wad").c_str()), 0);
    ExpectMessage(OPEN_FAILED, Path("in.wav"));
#endif
}

#ifndef _WIN32
// A small tmpfs mounted for the test in a mount namespace of the test
// process's own, so that nothing outside sees it and it goes with the
// process. Needs root; skipped otherwise (each test returns when
// nothing was mounted).
class SmallDisk : public Destinations {
protected:
    void Mount(const char* options) {
        if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
        static bool isolated = unshare(CLONE_NEWNS) == 0 &&
                               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!isolated) GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
        disk_ = Path("disk");
        ASSERT_TRUE(fs::create_directory(disk_));
        if (mount("tmpfs", disk_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) umount2(disk_.c_str(), MNT_DETACH);
        Destinations::TearDown();
    }
    unsigned long FreeBlocks() {
        struct statvfs info;
        EXPECT_EQ(statvfs(disk_.c_str(), &info), 0);
        return info.f_bfree;
    }
    std::string disk_;
    bool mounted_ = false;
};

TEST_F(SmallDisk, TheDiskFillsWhileWriting) {
    Mount("size=16k,nr_inodes=16");
    if (!mounted_) return;
    PlaceDestination(disk_ + "/out.wav");
    const unsigned long free = FreeBlocks();
    WriteFileBytes(Path("in.wad"), SteadyBlocks(400));  // 52 KB of WAV for 12 KB of room
    ApplyMonoPreset();
    EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), (disk_ + "/out.wav").c_str()), CONV_WRITE_FAILED);
    ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
    EXPECT_EQ(FreeBlocks(), free);
}

TEST_F(SmallDisk, TheDiskIsAlreadyFull) {
    Mount("size=4k,nr_inodes=16");
    if (!mounted_) return;
    PlaceDestination(disk_ + "/out.wav");  // takes the one page there is
    ASSERT_EQ(FreeBlocks(), 0u);
    ExpectBothRefused(disk_ + "/out.wav", CONV_WRITE_FAILED);
    ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
}

TEST_F(SmallDisk, NoRoomForAnotherFile) {
    Mount("size=64k,nr_inodes=2");  // the root folder and the destination
    if (!mounted_) return;
    PlaceDestination(disk_ + "/out.wav");
    ExpectBothRefused(disk_ + "/out.wav", CONV_CANNOT_OPEN_DESTINATION);
    ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
}

TEST_F(SmallDisk, ReadOnlyDisk) {
    Mount("size=64k");
    if (!mounted_) return;
    PlaceDestination(disk_ + "/out.wav");
    ASSERT_EQ(mount(nullptr, disk_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr), 0)
        << std::strerror(errno);
    ExpectBothRefused(disk_ + "/out.wav", CONV_CANNOT_OPEN_DESTINATION);
    ExpectBothRefused(disk_ + "/new.wav", CONV_CANNOT_OPEN_DESTINATION);
    ExpectNothingLost(disk_ + "/out.wav", {"out.wav"});
}
#endif

}  // namespace
