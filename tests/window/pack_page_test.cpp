// The Pack page: packing a WAV file, the three failure messages and the
// status line, and the empty fields.
#include <cmath>

#include "conversion/files/packing.h"
#include "tests/support/wav_builders.h"
#include "tests/window/window_fixture.h"

class PackPageTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(PackControl(IDC_PACK), HWND(NULL));
    }

    void WriteTone(const std::string& path, int channels) {
        std::vector<int16_t> samples;
        for (int i = 0; i < 8820 * channels; ++i) samples.push_back(static_cast<int16_t>(8000.0 * std::sin(i * 0.07)));
        WriteFileBytes(path, MakePcmWav(channels, 44100, samples));
    }

    void FillFields(const std::string& source, const std::string& destination) {
        SetText(PackControl(IDC_PACK_SOURCE), source);
        SetText(PackControl(IDC_PACK_DESTINATION), destination);
    }

    // Presses "Pack", expects a message box with text and caption while the
    // status reads "Packing...", closes it and waits for "Ready".
    void ExpectMessage(const std::string& text, const std::string& caption) {
        PostClick(PackControl(IDC_PACK));
        HWND box = WaitForDialog(program_);
        ASSERT_NE(box, HWND(NULL));
        EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), text);
        EXPECT_EQ(TextOf(box), caption);
        EXPECT_EQ(TextOf(PackControl(IDC_STATUS)), "Packing...");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(PackControl(IDC_STATUS)) == "Ready"; }));
    }
};

// An editor's WAV (48000 Hz, 24 bits, stereo) packs to the command line's
// bytes, in the mode an extraction with the same settings reads.
TEST_F(PackPageTest, PacksAsTheCommandLineInTheModeAnExtractionReads) {
    const std::string source = Path("voice.wav");
    Bytes samples(6 * 12000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(40.0 * std::sin(static_cast<double>(i) * 0.01) + static_cast<double>(i % 3) * 9);
    WriteFileBytes(source, Riff({Chunk("fmt ", FormatBody(1, 2, 24, 16, 48000)), Chunk("data", samples)}));
    const std::pair<const char*, ChannelForce> cases[] = {{"voice.wad", FORCE_NONE}, {"music.wad", FORCE_STEREO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        if (c.second == FORCE_STEREO) {
            ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_FORCE_MODE)));
            ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_MUSIC)));
        }
        FillFields(source, Path(c.first));
        ASSERT_TRUE(ClickAndWait(PackControl(IDC_PACK))) << "a message box opened";
        EXPECT_EQ(TextOf(PackControl(IDC_STATUS)), "Ready");
        ASSERT_EQ(PackSoundFileStatus(source.c_str(), Path("core.wad").c_str(), c.second, nullptr), CONV_OK);
        EXPECT_EQ(ReadFileBytes(Path(c.first)), ReadFileBytes(Path("core.wad")));
    }
}

TEST_F(PackPageTest, MissingSourceSaysTheFileCannotBeOpened) {
    FillFields(Path("missing.wav"), Path("out.wad"));
    ExpectMessage("Не удалось открыть файл", Path("missing.wav"));
}

TEST_F(PackPageTest, UnencodableSourceSaysTheDataCannotBeRead) {
    const std::string source = Path("adpcm.wav");
    Bytes wav = MakePcmWav(1, 44100, std::vector<int16_t>(4000, 1000));
    wav[20] = 0x11;  // compressed already
    WriteFileBytes(source, wav);
    FillFields(source, Path("out.wad"));
    ExpectMessage("Не удалось прочитать данные из файла", source);
}

TEST_F(PackPageTest, LockedDestinationSaysTheDataCannotBeWritten) {
    const std::string source = Path("voice.wav");
    const std::string destination = Path("locked.wad");
    WriteTone(source, 1);
    WriteFileBytes(destination, Bytes(10, 7));
    // Held open without sharing, the file cannot be replaced.
    HANDLE lock = CreateFileA(destination.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    FillFields(source, destination);
    ExpectMessage("Не удалось записать данные в файл", destination);
    CloseHandle(lock);
}

// The Pack page takes its own keys: Tab walks its fields and buttons.
TEST_F(PackPageTest, TabMovesThroughThePackPage) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(packPage_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(PackControl(IDC_PACK_SOURCE)), TRUE,
                        SMTO_NORMAL, PATIENCE_MS, &result);
    ASSERT_TRUE(WaitUntil([&] { return IdOf(FocusOf(program_)) == IDC_PACK_SOURCE; }));
    EXPECT_EQ(TabThrough(3), (std::vector<int>{IDC_BROWSE_PACK_SOURCE, IDC_PACK_DESTINATION, IDC_BROWSE_PACK_DESTINATION}));
}

TEST_F(PackPageTest, OneEmptyFieldDoesNothing) {
    const std::string source = Path("voice.wav");
    WriteTone(source, 1);
    FillFields(source, "");
    ASSERT_TRUE(ClickAndWait(PackControl(IDC_PACK))) << "a message box opened";
    EXPECT_EQ(TextOf(PackControl(IDC_STATUS)), "Ready");

    FillFields("", Path("out.wad"));
    ASSERT_TRUE(ClickAndWait(PackControl(IDC_PACK))) << "a message box opened";
    EXPECT_EQ(TextOf(PackControl(IDC_STATUS)), "Ready");
    EXPECT_FALSE(FileExists(Path("out.wad")));
    EXPECT_EQ(ListFolder(folder_), (std::vector<std::string>{"voice.wav"}));
}
