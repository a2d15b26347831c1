// The window tests' fixture and main.
#include "tests/window/window_fixture.h"

#include <cmath>
#include <filesystem>
#include <vector>

#include "conversion/files/packing.h"

void WindowTest::SetUp() {
    ScratchFolderTest::SetUp();
    ASSERT_EQ(GetACP(), 1251u) << "Wine needs LANG and LC_ALL=ru_RU.UTF-8 (scripts/wine-env.sh)";
    ASSERT_TRUE(StartProgram(ProgramPath(), &program_)) << ProgramPath();
    extractPage_ = CurrentPage(program_.sheet);
    ASSERT_NE(extractPage_, HWND(NULL));
}

void WindowTest::TearDown() {
    StopProgram(&program_);
    ScratchFolderTest::TearDown();
}

HWND WindowTest::PackControl(int id) {
    if (!packPage_) packPage_ = ShowPage(program_.sheet, 1);
    return GetDlgItem(packPage_, id);
}

bool WindowTest::ExtractPageIdle() const {
    return WaitUntil([&] {
        return TextOf(ExtractControl(IDC_EXTRACT)) == "Extract" && TextOf(ExtractControl(IDC_STATUS)) == "Ready";
    });
}

std::vector<int> WindowTest::TabThrough(int count) {
    std::vector<int> visited;
    for (int i = 0; i < count; ++i) {
        HWND before = FocusOf(program_);
        PressKey(before, VK_TAB);
        WaitUntil([&] { return FocusOf(program_) != before; });
        visited.push_back(IdOf(FocusOf(program_)));
    }
    return visited;
}

void WindowTest::WritePackedSound(const std::string& path, int channels) {
    std::vector<int16_t> samples;
    const int frames = 13230;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(9000.0 * std::sin(i * (0.05 + 0.02 * c))));
    const std::string wav = path + ".source.wav";
    WriteFileBytes(wav, MakePcmWav(channels, 44100, samples));
    ASSERT_EQ(PackSoundFileStatus(wav.c_str(), path.c_str(), channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr), CONV_OK) << path;
}

int WavChannels(const std::string& path) {
    Bytes wav = ReadFileBytes(path);
    if (wav.size() < 44 || wav[0] != 'R' || wav[1] != 'I' || wav[2] != 'F' || wav[3] != 'F') return 0;
    return wav[22] | (wav[23] << 8);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_tests PATH-OF-velkmar.exe\n");
        return 2;
    }
    SetProgramPath(argv[1]);
    return RUN_ALL_TESTS();
}

void FolderWindowTest::SetUp() {
    WindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(StartRecording(program_, &recording_)) << "the recorder's hook library";
    source_ = Path("source");
    destination_ = Path("out");
    work_ = Path("work");
    for (const std::string& folder : {source_, destination_, work_})
        ASSERT_TRUE(std::filesystem::create_directory(folder)) << folder;
}

void FolderWindowTest::TearDown() {
    StopRecording(&recording_);
    WindowTest::TearDown();
}
