// Bad input, and the promise that a failed conversion loses nothing.
// Files as editors, damaged downloads and mistakes make them: a WAV either
// packs exactly as the plain file it stands for, or is refused with the
// read message, the source as caption, and the destination kept; a packed
// file too large for a WAV fails before anything big is read. Sources and
// destinations that are not what a conversion expects: folders, pipes and
// devices, unreadable and read-only files, missing folders, a full disk,
// too little memory. Every failure leaves an existing destination as it
// was and nothing beside it; a packing failure shows the message for it.
// (That a packed file of any content decodes to its blocks' WAV is
// fuzz_extract's to check.)
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <future>

#include "conversion/codec/byte_order.h"
#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"
#include "tests/support/test_files.h"

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

const char OPEN_FAILED[] = "Не удалось открыть файл";
const char READ_FAILED[] = "Не удалось прочитать данные из файла";
const char WRITE_FAILED[] = "Не удалось записать данные в файл";

// Every conversion's destination exists before it runs, holding kept_.
class BadInputTest : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        messages_ = &CaptureMessages();
        for (int i = 0; i < 1500; ++i) kept_.push_back(static_cast<uint8_t>(i * 7 + 3));
    }
    void PlaceDestination(const std::string& path) { WriteFileBytes(path, kept_); }
    // The destination holds what PlaceDestination wrote, and its folder
    // exactly the names listed: no temporary file beside it.
    void ExpectNothingLost(const std::string& path, const std::vector<std::string>& names) {
        EXPECT_EQ(ReadFileBytes(path), kept_) << path << " changed";
        const size_t cut = path.find_last_of("/\\");
        EXPECT_EQ(ListFolder(cut == std::string::npos ? "." : path.substr(0, cut)), names);
    }
    // Writes wav to "in.wav" and packs it to "out.wad" (which exists);
    // PackSoundFile's result, its messages in messages_.
    int Pack(const Bytes& wav) {
        WriteFileBytes(Path("in.wav"), wav);
        PlaceDestination(Path("out.wad"));
        messages_->clear();
        return PackSoundFile(Path("in.wav").c_str(), Path("out.wad").c_str());
    }
    // Exactly one message, with this text and caption and the error icon.
    void ExpectMessage(const std::string& text, const std::string& caption) {
        ASSERT_EQ(messages_->size(), 1u);
        EXPECT_EQ(messages_->front().text, text);
        EXPECT_EQ(messages_->front().caption, caption);
        EXPECT_EQ(messages_->front().icon, MESSAGE_ERROR);
        messages_->clear();
    }
    std::vector<CapturedMessage>* messages_ = nullptr;
    Bytes kept_;
};

const size_t FRAMES = 200;

// frames of a quiet tone, interleaved, as little-endian 16-bit bytes.
Bytes ToneBytes(uint32_t channels, size_t frames) {
    Bytes bytes(frames * channels * 2);
    for (size_t i = 0; i < frames * channels; ++i)
        WriteLe16(&bytes[2 * i], static_cast<uint16_t>(static_cast<int16_t>(6000 * std::sin(0.02 * double(i)))));
    return bytes;
}

class BadWavFiles : public BadInputTest {
protected:
    void SetUp() override {
        BadInputTest::SetUp();
        plain_ = Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", ToneBytes(1, FRAMES))});
        ASSERT_EQ(Pack(plain_), 1);
        packed_ = ReadFileBytes(Path("out.wad"));
    }
    void ExpectRefused(const Bytes& wav, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Pack(wav), 0);
        ExpectMessage(READ_FAILED, Path("in.wav"));
        ExpectNothingLost(Path("out.wad"), {"in.wav", "out.wad"});
    }
    // Packs to the same bytes as the plain file, or as expected.
    void ExpectPacked(const Bytes& wav, const std::string& what, const Bytes* expected = nullptr) {
        SCOPED_TRACE(what);
        ASSERT_EQ(Pack(wav), 1);
        EXPECT_TRUE(messages_->empty());
        EXPECT_EQ(ReadFileBytes(Path("out.wad")), expected ? *expected : packed_);
        EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"in.wav", "out.wad"}));
    }
    Bytes Packed(const Bytes& wav) { return Pack(wav) ? ReadFileBytes(Path("out.wad")) : Bytes(); }
    Bytes plain_, packed_;
};

TEST_F(BadWavFiles, EveryHeaderFieldAtZeroAndAtItsMaximumAndEveryCut) {
    // The RIFF size is not trusted, the byte rate and block align are not
    // read, and a data size beyond the file means the samples there are.
    const struct {
        size_t offset, width;
        bool packsAtZero, packsAtMaximum;
    } fields[] = {{0, 4, false, false},  {4, 4, true, true},   {8, 4, false, false},  {12, 4, false, false},
                  {16, 4, false, false}, {20, 2, false, false}, {22, 2, false, false}, {24, 4, false, false},
                  {28, 4, true, true},   {32, 2, true, true},   {34, 2, false, false}, {36, 4, false, false},
                  {40, 4, false, true}};
    for (const auto& field : fields) {
        for (bool maximum : {false, true}) {
            Bytes wav = plain_;
            std::memset(&wav[field.offset], maximum ? 0xFF : 0x00, field.width);
            const std::string what = "offset " + std::to_string(field.offset) + (maximum ? " at its maximum" : " at zero");
            if (maximum ? field.packsAtMaximum : field.packsAtZero)
                ExpectPacked(wav, what);
            else
                ExpectRefused(wav, what);
        }
    }
    for (size_t length = 0; length <= 45; ++length)
        ExpectRefused(Bytes(plain_.begin(), plain_.begin() + static_cast<long>(length)), "cut at " + std::to_string(length));
}

TEST_F(BadWavFiles, ShapesThatHoldTheSameSoundPackAlike) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16)), samples = ToneBytes(1, FRAMES);
    const Bytes data = Chunk("data", samples);
    Bytes oversized = Concat(plain_, Bytes(1, 0x12));  // half a frame more than the header admits
    WriteLe32(&oversized[4], 0x7FFFFFFF);
    WriteLe32(&oversized[40], 0xFFFFFFFF);
    Bytes narrow = ExtensibleBody(1, 16, 1);
    WriteLe16(&narrow[18], 12);  // valid bits below the container's: read by the container
    const std::pair<const char*, Bytes> shapes[] = {
        {"odd chunks with their pad bytes first",
         Riff({Chunk("LIST", Bytes(7, 'i')), Chunk("JUNK", Bytes(5, 0)), format, data})},
        {"an 18-byte fmt and a fact chunk", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 18)), Chunk("fact", Bytes(4, 1)), data})},
        {"a 17-byte fmt", Riff({Chunk("fmt ", FormatBody(1, 1, 16, 17)), data})},
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1, 16, 1)), data})},
        {"extensible PCM, 12 valid bits", Riff({Chunk("fmt ", narrow), data})},
        {"data before fmt", Riff({data, format, Chunk("LIST", Bytes(9, 'x'))})},
        {"sizes beyond the file", oversized},
        {"an odd data chunk, its pad byte and a chunk after it",
         Riff({format, Chunk("data", Concat(samples, Bytes(1, 0x7F))), Chunk("LIST", Bytes(4, 'x'))})},
        {"an odd data chunk ending the file without its pad byte",
         Riff({format, ChunkClaiming("data", 2 * FRAMES + 1, Concat(samples, Bytes(1, 0x7F)))})},
        {"a chunk of the largest size after both", Riff({format, data, ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(3, 0))})},
    };
    for (const auto& shape : shapes) ExpectPacked(shape.second, shape.first);
    // Data ending in the middle of a frame: its whole frames.
    for (uint32_t bits : {16u, 24u}) {
        const Bytes fmt = Chunk("fmt ", FormatBody(1, 2, bits));
        const Bytes whole = Packed(Riff({fmt, Chunk("data", Bytes(bits / 4 * 90, 0x35))}));
        ExpectPacked(Riff({fmt, ChunkClaiming("data", 0x7FFFFFFF, Bytes(bits / 4 * 90 + bits / 4 - 1, 0x35))}),
                     std::to_string(bits) + "-bit stereo ending mid-frame", &whole);
    }
}

TEST_F(BadWavFiles, WhatIsNoPackableWavIsRefused) {
    const Bytes format = Chunk("fmt ", FormatBody(1, 1, 16)), samples = ToneBytes(1, FRAMES);
    const Bytes data = Chunk("data", samples);
    Bytes unknown = ExtensibleBody(1, 16, 1), rifx = plain_, rf64 = plain_, packed(360, 0);
    unknown[39] ^= 0xFF;
    std::memcpy(rifx.data(), "RIFX", 4);
    std::memcpy(rf64.data(), "RF64", 4);
    WriteLe16(packed.data(), 999);
    const char* text = "RIFF is a container; this is a note about it.";
    const auto wav = [&](const Bytes& body) { return Riff({Chunk("fmt ", body), data}); };
    const std::pair<const char*, Bytes> files[] = {
        {"a pad byte missing before fmt", Riff({ChunkClaiming("LIST", 5, Bytes(5, 'i')), format, data})},
        {"a LIST chunk before fmt claiming more than the file", Riff({ChunkClaiming("LIST", 100000, Bytes(10, 'i')), format, data})},
        {"a chunk of the largest size before fmt", Riff({ChunkClaiming("JUNK", 0xFFFFFFFF, Bytes(10, 0)), format, data})},
        {"a chunk of the largest even size before data", Riff({ChunkClaiming("JUNK", 0xFFFFFFFE, Bytes(10, 0)), data, format})},
        {"fmt cut inside its chunk header", Concat(Riff({data}), Bytes{'f', 'm', 't', ' ', 16, 0})},
        {"data that claims samples and has none", Riff({format, ChunkClaiming("data", 400, Bytes())})},
        {"three channels", Riff({Chunk("fmt ", FormatBody(1, 3, 16)), Chunk("data", ToneBytes(3, 50))})},
        {"extensible, six channels", Riff({Chunk("fmt ", ExtensibleBody(6, 16, 1)), Chunk("data", ToneBytes(6, 50))})},
        {"3999 Hz", wav(FormatBody(1, 1, 16, 16, 3999))},
        {"384001 Hz", wav(FormatBody(1, 1, 16, 16, 384001))},
        {"12 bits", wav(FormatBody(1, 1, 12))},
        {"16-bit float", wav(FormatBody(3, 1, 16))},
        {"extensible, unknown sub-format", wav(unknown)},
        {"IMA ADPCM", Riff({Chunk("fmt ", FormatBody(0x11, 1, 4, 20)), Chunk("data", Bytes(72, 0x21))})},
        {"A-law", wav(FormatBody(6, 1, 8))},
        {"big-endian RIFX", rifx},
        {"RF64", rf64},
        {"a packed sound file", packed},
        {"text beginning with RIFF", Bytes(text, text + std::strlen(text))},
    };
    for (const auto& file : files) ExpectRefused(file.second, file.first);
}

TEST_F(BadWavFiles, FloatsBeyondFullScaleAndNotNumbersClampToTheRails) {
    const float specials[] = {NAN, INFINITY, -INFINITY, 2.0f, -2.0f, 0.5f, -0.25f};
    const int16_t rails[] = {0, 32767, -32768, 32767, -32768, 16384, -8192};
    Bytes floats(40 * sizeof specials), integers(40 * sizeof rails);
    for (size_t i = 0; i < 40 * 7; ++i) {
        std::memcpy(&floats[4 * i], &specials[i % 7], 4);  // little-endian, as the file's
        WriteLe16(&integers[2 * i], static_cast<uint16_t>(rails[i % 7]));
    }
    const Bytes expected = Packed(Riff({Chunk("fmt ", FormatBody(1, 1, 16)), Chunk("data", integers)}));
    ExpectPacked(Riff({Chunk("fmt ", FormatBody(3, 1, 32)), Chunk("data", floats)}), "at 44100 Hz", &expected);
    // Through the resampler they stay finite.
    EXPECT_EQ(Pack(Riff({Chunk("fmt ", FormatBody(3, 1, 32, 16, 48000)), Chunk("data", floats)})), 1);
}

#ifndef _WIN32
TEST_F(BadInputTest, APackedSoundPastTheRiffLimitFailsWithoutReadingIt) {
    // The smallest sizes whose WAV passes 4 GiB - 1 bytes, mono and stereo,
    // and sizes that a 32-bit cut would make small. Sparse files: no disk
    // space, and reading them would show in the peak memory.
    const std::pair<long long, int> sizes[] = {{33038209ll * 36 + 24, 1}, {16519104ll * 72 + 64, 2},
                                               {(1ll << 32) + 36, 1},     {(1ll << 32) + 72, 2}, {1ll << 33, 1}};
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    for (const auto& size : sizes) {
        WriteFileBytes(Path("in.wad"), Bytes());
        ASSERT_EQ(truncate(Path("in.wad").c_str(), size.first), 0);
        PlaceDestination(Path("out.wav"));
        ApplyChannelRule(size.second == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
        EXPECT_EQ(ExtractSoundFileStatus(Path("in.wad").c_str(), Path("out.wav").c_str()), CONV_TOO_LARGE) << size.first;
        ExpectNothingLost(Path("out.wav"), {"in.wad", "out.wav"});
    }
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64l << 10) << "the sparse sources were read";
}
#endif


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
}

#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer's shadow memory needs far more address space
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
