// Folder extraction from the Extract page, chosen through the real folder
// browser: the WAVs written, the status texts and the bar's positions in
// the order the window showed them (from the recording), the final
// message and its icon, Stop, actions run nested inside a pass, the rules
// that keep files apart, and closing the window in the middle.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/window/packed_files.h"
#include "tests/window/recording.h"
#include "tests/window/window_fixture.h"
#include "tests/window/window_folder.h"

namespace {

// The names FindFirstFileA delivers for pattern, in its order.
std::vector<std::string> DeliveredNames(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

}  // namespace

class FolderExtractionTest : public FolderWindowTest {
protected:
    // Writes a packed tone of size bytes as name into folder (the source
    // folder unless given).
    void AddPacked(const std::string& name, size_t size, int channels, int variant = 0, std::string folder = "") {
        if (folder.empty()) folder = source_;
        WriteFileBytes(folder + "\\" + name, PackedTone(size, channels, variant, work_));
    }

    // Starts the extraction of source into destination: folder mode, the
    // source typed into its field, the destination chosen in the browser.
    void StartFolderExtraction(const std::string& source, const std::string& destination) {
        std::string reason;
        ASSERT_TRUE(::StartFolderExtraction(program_, extractPage_, source, destination, &reason)) << reason;
    }

    // The final message box, once it shows.
    HWND WaitForSummary() { return WaitForDialog(program_, FOLDER_CAPTION); }

    // Presses OK in the final message and waits for the page to be idle.
    void CloseSummaryAndWait(HWND box) {
        EXPECT_TRUE(CloseSummary(box));
        EXPECT_TRUE(ExtractPageIdle());
    }

    // Runs a whole extraction of the source folder and returns the final
    // message's text and icon, closing it.
    std::pair<std::string, std::string> ExtractAll(const std::string& source, const std::string& destination) {
        StartFolderExtraction(source, destination);
        HWND box = WaitForSummary();
        EXPECT_NE(box, HWND(NULL)) << "no final message";
        if (!box) return {};
        std::vector<std::string> icons = SummaryIcons(recording_, box);
        std::pair<std::string, std::string> shown(SummaryText(box), icons.size() == 1 ? icons[0] : "?");
        CloseSummaryAndWait(box);
        return shown;
    }

    std::vector<std::string> StatusTexts() const {
        return RecordedValues(recording_, ExtractControl(IDC_STATUS), "text");
    }

    std::vector<std::string> FileNumbers() const { return ::FileNumbers(recording_, ExtractControl(IDC_STATUS)); }

    std::vector<int> Positions() const {
        std::vector<int> positions;
        for (const std::string& value : RecordedValues(recording_, ExtractControl(IDC_PROGRESS), "position"))
            positions.push_back(std::stoi(value));
        return positions;
    }

    // Polls the recording every millisecond until the bar has moved count
    // times: the moment to act in the middle of a pass.
    bool WaitForPositions(size_t count) const {
        const ULONGLONG end = GetTickCount64() + PATIENCE_MS;
        while (GetTickCount64() < end) {
            if (Positions().size() >= count) return true;
            Sleep(1);
        }
        return false;
    }

    // The WAV that extraction wrote as wavName equals a single-file
    // extraction of sourceName with channels.
    void ExpectExtracted(const std::string& sourceName, const std::string& wavName, int channels,
                         std::string source = "", std::string destination = "") {
        if (source.empty()) source = source_;
        if (destination.empty()) destination = destination_;
        const Bytes written = ReadFileBytes(destination + "\\" + wavName);
        EXPECT_EQ(ImageChannels(written), channels) << wavName;
        EXPECT_EQ(ImageRate(written), 44100u) << wavName;
        const Bytes expected = SingleFileExtraction(source + "\\" + sourceName, channels, work_);
        EXPECT_FALSE(expected.empty()) << sourceName;
        EXPECT_TRUE(written == expected) << wavName << " differs from a single-file extraction of " << sourceName;
    }

};

TEST_F(FolderExtractionTest, ExtractsEveryKindShowingEachFileAndTheSizeWeightedProgress) {
    // Two .wad files of 10 and 30 KiB, delivered in that order.
    WriteFileBytes(source_ + "\\boom.wad", Bytes());
    WriteFileBytes(source_ + "\\step.wad", Bytes());
    const std::vector<std::string> wads = DeliveredNames(source_ + "\\*.wad");
    ASSERT_EQ(wads.size(), 2u);
    AddPacked(wads[0], 10 * 1024, 1, 0);
    AddPacked(wads[1], 30 * 1024 + 700, 1, 3);
    AddPacked("music.adx", 20 * 1024, 2);
    AddPacked("click.ADP", 5 * 1024, 1, 7);
    WriteFileBytes(source_ + "\\notes.txt", Bytes(100, 'x'));

    StartFolderExtraction(source_, destination_);
    HWND box = WaitForSummary();
    ASSERT_NE(box, HWND(NULL));
    EXPECT_EQ(SummaryText(box), ALL_EXTRACTED);
    EXPECT_EQ(SummaryIcons(recording_, box), std::vector<std::string>{"information"});
    EXPECT_EQ(GetWindow(box, GW_OWNER), program_.sheet) << "owned by the Extract page's window";
    EXPECT_EQ(TextOf(ExtractControl(IDC_EXTRACT)), "Stop") << "the button reads Extract only at the end";
    CloseSummaryAndWait(box);

    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Extracting...", FileNumber(1, 2), FileNumber(2, 2),
                                                       FileNumber(1, 1), FileNumber(1, 1), "Ready"}));
    // 10 × 65535 ÷ 40, then 16383 + 30 × 65535 ÷ 40; each later pass has
    // one file, which fills the bar.
    EXPECT_EQ(Positions(), (std::vector<int>{16383, 65534, 65535, 65535}));

    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"boom.wav", "click.wav", "music.wav", "step.wav"}));
    ExpectExtracted("boom.wad", "boom.wav", 1);
    ExpectExtracted("step.wad", "step.wav", 1);
    ExpectExtracted("music.adx", "music.wav", 2);
    ExpectExtracted("click.ADP", "click.wav", 1);
}

TEST_F(FolderExtractionTest, FolderLackingAKindEndsWithTheWarning) {
    AddPacked("boom.wad", 4000, 1);
    AddPacked("voice.adp", 3000, 1, 2);
    EXPECT_EQ(ExtractAll(source_, destination_), std::make_pair(std::string(SOME_FAILED), std::string("warning")));
    EXPECT_EQ(ListFolder(destination_), (std::vector<std::string>{"boom.wav", "voice.wav"}));
    ExpectExtracted("boom.wad", "boom.wav", 1);
    ExpectExtracted("voice.adp", "voice.wav", 1);
    // The "*.adx" pass found nothing and showed nothing.
    EXPECT_EQ(FileNumbers(), (std::vector<std::string>{FileNumber(1, 1), FileNumber(1, 1)}));
}

TEST_F(FolderExtractionTest, PassOfFilesUnderOneKibAdvancesByCountAndCompletes) {
    AddPacked("a.wad", 600, 1);
    AddPacked("b.wad", 1023, 1, 1);
    AddPacked("c.wad", 300, 1, 2);
    AddPacked("music.adx", 900, 2);
    AddPacked("click.adp", 2048, 1, 3);
    EXPECT_EQ(ExtractAll(source_, destination_),
              std::make_pair(std::string(ALL_EXTRACTED), std::string("information")));
    EXPECT_EQ(Positions(), (std::vector<int>{21845, 43690, 65535, 65535, 65535}));
    EXPECT_EQ(ListFolder(destination_),
              (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "click.wav", "music.wav"}));
    ExpectExtracted("b.wad", "b.wav", 1);
    ExpectExtracted("music.adx", "music.wav", 2);
}

TEST_F(FolderExtractionTest, StopEndsTheWadPassAndTheOtherPassesRunInFull) {
    const int wadCount = 200;
    for (int i = 0; i < wadCount; ++i) AddPacked("s" + std::to_string(i) + ".wad", 40 * 1024, 1, i % 5);
    AddPacked("music.adx", 8 * 1024, 2);
    AddPacked("theme.adx", 9 * 1024, 2, 1);
    AddPacked("click.adp", 3 * 1024, 1);

    StartFolderExtraction(source_, destination_);
    ASSERT_TRUE(WaitForPositions(1)) << "the first file was not extracted";
    EXPECT_EQ(TextOf(ExtractControl(IDC_EXTRACT)), "Stop");
    PostClick(ExtractControl(IDC_EXTRACT));
    HWND box = WaitForSummary();
    ASSERT_NE(box, HWND(NULL));
    EXPECT_EQ(SummaryText(box), ALL_EXTRACTED) << "a stopped pass reports what it converted";
    EXPECT_EQ(RecordedValues(recording_, ExtractControl(IDC_EXTRACT), "text"), std::vector<std::string>{"Stop"});
    CloseSummaryAndWait(box);

    // The pass showed files 1 to k and stopped before converting file k.
    std::vector<std::string> numbers = FileNumbers();
    ASSERT_GE(numbers.size(), 4u);
    const std::vector<std::string> later = {FileNumber(1, 2), FileNumber(2, 2), FileNumber(1, 1)};
    EXPECT_EQ(std::vector<std::string>(numbers.end() - 3, numbers.end()), later);
    const int shown = static_cast<int>(numbers.size()) - 3;
    for (int i = 0; i < shown; ++i) EXPECT_EQ(numbers[static_cast<size_t>(i)], FileNumber(i + 1, wadCount));
    ASSERT_LT(shown, wadCount) << "Stop came too late to stop the *.wad pass; use more files";

    int wadsWritten = 0;
    for (int i = 0; i < wadCount; ++i) wadsWritten += FileExists(destination_ + "\\s" + std::to_string(i) + ".wav");
    EXPECT_EQ(wadsWritten, shown - 1);
    EXPECT_GE(wadsWritten, 1);
    ExpectExtracted("music.adx", "music.wav", 2);
    ExpectExtracted("theme.adx", "theme.wav", 2);
    ExpectExtracted("click.adp", "click.wav", 1);
    EXPECT_EQ(ListFolder(destination_).size(), static_cast<size_t>(wadsWritten + 3));
}

// A packing and a preview run from the message pump in the middle of the
// "*.adx" pass rewrite the shared sound description; the pass's remaining
// files are still read as stereo.
TEST_F(FolderExtractionTest, PackingAndPreviewNestedInAPassDoNotChangeHowItReads) {
    const int adxCount = 40;
    for (int i = 0; i < adxCount; ++i) AddPacked("m" + std::to_string(i) + ".adx", 30 * 1024, 2, i % 4);
    std::vector<int16_t> samples(8000, 1200);
    for (size_t i = 0; i < samples.size(); i += 7) samples[i] = -900;
    WriteFileBytes(Path("voice.wav"), MakePcmWav(1, 8000, samples));
    AddPacked("boom.wad", 6 * 1024, 1, 0, folder_);
    SetText(PackControl(IDC_PACK_SOURCE), Path("voice.wav"));
    SetText(PackControl(IDC_PACK_DESTINATION), Path("voice.wad"));
    ShowPage(program_.sheet, 0);
    SetText(ExtractControl(IDC_SOURCE_FILE), Path("boom.wad"));
    std::string tmp = std::filesystem::temp_directory_path().string();
    if (!tmp.empty() && tmp.back() == '\\') tmp.pop_back();
    const size_t previewsBefore = DeliveredNames(tmp + "\\mervane*.wav").size();

    StartFolderExtraction(source_, destination_);
    ASSERT_TRUE(WaitForPositions(1));
    PostClick(PackControl(IDC_PACK));
    PostClick(ExtractControl(IDC_SINGLE_FILE));
    PostClick(ExtractControl(IDC_PLAY));
    HWND box = WaitForSummary();
    ASSERT_NE(box, HWND(NULL));
    CloseSummaryAndWait(box);

    // Both ran, in the middle of the pass.
    EXPECT_TRUE(FileExists(Path("voice.wad")));
    EXPECT_EQ(DeliveredNames(tmp + "\\mervane*.wav").size(), previewsBefore + 1);
    std::vector<WindowEvent> events = RecordedEvents(recording_);
    size_t packing = events.size(), filesAfter = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].window == PackControl(IDC_STATUS) && events[i].value == "Packing...") packing = i;
        if (i > packing && events[i].window == ExtractControl(IDC_STATUS) && StartsWith(events[i].value, "Файл "))
            ++filesAfter;
    }
    ASSERT_LT(packing, events.size()) << "the packing did not run";
    ASSERT_GE(filesAfter, 1u) << "the nested actions came after the last file; use more files";

    for (int i = 0; i < adxCount; ++i)
        ExpectExtracted("m" + std::to_string(i) + ".adx", "m" + std::to_string(i) + ".wav", 2);

    // The preview file goes when the program ends.
    PostClick(SheetButton(IDCANCEL));
    EXPECT_EQ(WaitForExit(program_), 0u);
    EXPECT_EQ(DeliveredNames(tmp + "\\mervane*.wav").size(), previewsBefore);
}

TEST_F(FolderExtractionTest, LaterPassesDoNotOverwriteWhatEarlierOnesWrote) {
    AddPacked("boom.wad", 5000, 1);
    AddPacked("boom.adp", 7000, 1, 4);
    AddPacked("Boom.adx", 9000, 2);
    AddPacked("voice.adx", 6000, 2, 1);
    // A file that was there before the run is overwritten.
    WriteFileBytes(destination_ + "\\voice.wav", Bytes(64, 'x'));
    EXPECT_EQ(ExtractAll(source_, destination_),
              std::make_pair(std::string(ALL_EXTRACTED), std::string("information")));
    EXPECT_EQ(ListFolder(destination_),
              (std::vector<std::string>{"Boom.adx.wav", "boom.adp.wav", "boom.wav", "voice.wav"}));
    ExpectExtracted("boom.wad", "boom.wav", 1);
    ExpectExtracted("Boom.adx", "Boom.adx.wav", 2);
    ExpectExtracted("boom.adp", "boom.adp.wav", 1);
    ExpectExtracted("voice.adx", "voice.wav", 2);
}

TEST_F(FolderExtractionTest, PathTooLongFailsThatFileAndThePassGoesOn) {
    // The source paths fit in 260 bytes; one destination path does not.
    const std::string deep = Path(std::string(80, 'd'));
    ASSERT_TRUE(std::filesystem::create_directory(deep));
    const std::string longName = std::string(258 - deep.size(), 'n') + ".wad";
    ASSERT_LE(source_.size() + 1 + longName.size(), 259u);
    ASSERT_GT(deep.size() + 1 + longName.size(), 259u);
    AddPacked("a.wad", 3000, 1);
    AddPacked(longName, 3000, 1, 1);
    AddPacked("z.wad", 3000, 1, 2);
    AddPacked("music.adx", 3000, 2);
    AddPacked("click.adp", 3000, 1);
    EXPECT_EQ(ExtractAll(source_, deep), std::make_pair(std::string(SOME_FAILED), std::string("warning")));
    EXPECT_EQ(ListFolder(deep), (std::vector<std::string>{"a.wav", "click.wav", "music.wav", "z.wav"}));
    ExpectExtracted("z.wad", "z.wav", 1, source_, deep);
    EXPECT_EQ(FileNumbers().size(), 5u);
}

TEST_F(FolderExtractionTest, MissingSourceFolderFailsAndTakesNoFilesFromTheCurrentOne) {
    // A first run leaves its source folder the current directory.
    AddPacked("boom.wad", 3000, 1);
    AddPacked("music.adx", 3000, 2);
    AddPacked("click.adp", 3000, 1);
    EXPECT_EQ(ExtractAll(source_, destination_),
              std::make_pair(std::string(ALL_EXTRACTED), std::string("information")));
    const size_t numbersBefore = FileNumbers().size();

    const std::string second = Path("second");
    ASSERT_TRUE(std::filesystem::create_directory(second));
    EXPECT_EQ(ExtractAll(Path("missing"), second), std::make_pair(std::string(SOME_FAILED), std::string("warning")));
    EXPECT_TRUE(ListFolder(second).empty());
    EXPECT_EQ(FileNumbers().size(), numbersBefore) << "a pass took files";
}

// How the window is closed: "Закрыть" or the close box.
enum CloseBy { CLOSE_BUTTON, CLOSE_BOX };

class ClosingDuringFolderExtractionTest : public FolderExtractionTest, public ::testing::WithParamInterface<CloseBy> {};

// "Закрыть" or the close box while a pass runs: the program ends with exit
// code 0 before the next file, shows no final message, and every WAV in
// the destination is whole.
TEST_P(ClosingDuringFolderExtractionTest, EndsTheProgramBetweenFiles) {
    const int wadCount = 200;
    for (int i = 0; i < wadCount; ++i) AddPacked("s" + std::to_string(i) + ".wad", 40 * 1024, 1, i % 5);
    AddPacked("music.adx", 4000, 2);
    StartFolderExtraction(source_, destination_);
    ASSERT_TRUE(WaitForPositions(1));
    if (GetParam() == CLOSE_BOX)
        PostMessageA(program_.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        PostClick(SheetButton(IDCANCEL));
    EXPECT_EQ(WaitForExit(program_), 0u);

    for (const WindowEvent& event : RecordedEvents(recording_)) {
        EXPECT_NE(event.value, FOLDER_CAPTION);
        EXPECT_NE(event.value, ALL_EXTRACTED);
        EXPECT_NE(event.value, SOME_FAILED);
    }
    // Stopped before file k, with files 1 to k - 1 written whole.
    const std::vector<std::string> numbers = FileNumbers();
    ASSERT_FALSE(numbers.empty());
    const int shown = static_cast<int>(numbers.size());
    EXPECT_EQ(numbers.back(), FileNumber(shown, wadCount));
    ASSERT_LT(shown, wadCount) << "the close came too late; use more files";
    const std::vector<std::string> written = ListFolder(destination_);
    EXPECT_EQ(written.size(), static_cast<size_t>(shown - 1));
    for (const std::string& name : written) {
        ASSERT_EQ(name.substr(name.size() - 4), ".wav") << name;
        ExpectExtracted(name.substr(0, name.size() - 4) + ".wad", name, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(FolderExtraction, ClosingDuringFolderExtractionTest, ::testing::Values(CLOSE_BUTTON, CLOSE_BOX),
                         [](const ::testing::TestParamInfo<CloseBy>& closing) {
                             return std::string(closing.param == CLOSE_BOX ? "CloseBox" : "CloseButton");
                         });
