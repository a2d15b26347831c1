// The Extract page: its start state, the mode switches, keyboard
// navigation, and extracting one file through the real save dialog.
#include <filesystem>

#include "tests/window/window_fixture.h"

class ExtractPageTest : public WindowTest {
protected:
    bool Checked(int id) const {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(ExtractControl(id), BM_GETCHECK, 0, 0, SMTO_NORMAL, PATIENCE_MS, &state);
        return state == BST_CHECKED;
    }
    bool Enabled(int id) const { return IsWindowEnabled(ExtractControl(id)) != FALSE; }

    // Starts an extraction of source and returns the save dialog.
    HWND StartExtraction(const std::string& source) {
        SetText(ExtractControl(IDC_SOURCE_FILE), source);
        PostClick(ExtractControl(IDC_EXTRACT));
        return WaitForDialog(program_);
    }

    // Waits for the save dialog's file name field to read name.
    bool Proposes(HWND dialog, const std::string& name) {
        return WaitUntil([&] { return TextOf(FileNameField(dialog)) == name; });
    }

    // Presses OK in the save dialog and waits for the page to be idle again.
    void Accept(HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        EXPECT_TRUE(ExtractPageIdle());
    }
};

TEST_F(ExtractPageTest, StartsInSingleFileModeWithEffectsCheckedButDisabled) {
    EXPECT_TRUE(Checked(IDC_SINGLE_FILE));
    EXPECT_FALSE(Checked(IDC_WHOLE_FOLDER));
    for (int id : {IDC_SOURCE_FILE, IDC_BROWSE_FILE, IDC_PLAY, IDC_EXTRACT, IDC_FORCE_MODE})
        EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {IDC_SOURCE_FOLDER, IDC_BROWSE_FOLDER, IDC_EFFECTS, IDC_MUSIC}) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Checked(IDC_EFFECTS));
    EXPECT_FALSE(Checked(IDC_MUSIC));
    EXPECT_FALSE(Checked(IDC_FORCE_MODE));
    EXPECT_EQ(TextOf(ExtractControl(IDC_STATUS)), "Ready");
    EXPECT_EQ(TextOf(ExtractControl(IDC_EXTRACT)), "Extract");
}

TEST_F(ExtractPageTest, ShowsItsCaptionsInCodePage1251) {
    EXPECT_EQ(TextOf(ExtractControl(IDC_SINGLE_FILE)), "Распаковать один файл");
    EXPECT_EQ(TextOf(ExtractControl(IDC_WHOLE_FOLDER)), "Распаковать всю папку");
    EXPECT_EQ(TextOf(ExtractControl(IDC_FORCE_MODE)), "Режим");
    EXPECT_EQ(TextOf(ExtractControl(IDC_EFFECTS)), "Эффекты");
    EXPECT_EQ(TextOf(ExtractControl(IDC_MUSIC)), "Музыка");
    EXPECT_EQ(TextOf(ExtractControl(IDC_BROWSE_FILE)), "Обзор...");
    EXPECT_EQ(TextOf(ExtractControl(IDC_BROWSE_FOLDER)), "Обзор...");
    EXPECT_EQ(TextOf(ExtractControl(IDC_PLAY)), "Play");
}

TEST_F(ExtractPageTest, ModeRadiosSwitchTheFieldsWithoutClearingThem) {
    SetText(ExtractControl(IDC_SOURCE_FILE), "C:\\snd\\boom.wad");
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_WHOLE_FOLDER)));
    EXPECT_TRUE(Checked(IDC_WHOLE_FOLDER));
    EXPECT_FALSE(Checked(IDC_SINGLE_FILE));
    for (int id : {IDC_SOURCE_FOLDER, IDC_BROWSE_FOLDER}) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {IDC_SOURCE_FILE, IDC_BROWSE_FILE, IDC_PLAY}) EXPECT_FALSE(Enabled(id)) << id;

    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_SINGLE_FILE)));
    EXPECT_TRUE(Checked(IDC_SINGLE_FILE));
    for (int id : {IDC_SOURCE_FILE, IDC_BROWSE_FILE, IDC_PLAY}) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {IDC_SOURCE_FOLDER, IDC_BROWSE_FOLDER}) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(TextOf(ExtractControl(IDC_SOURCE_FILE)), "C:\\snd\\boom.wad");
}

TEST_F(ExtractPageTest, ForceModeEnablesTheChannelRadiosWhichKeepTheirCheck) {
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_FORCE_MODE)));
    EXPECT_TRUE(Enabled(IDC_EFFECTS));
    EXPECT_TRUE(Enabled(IDC_MUSIC));
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_MUSIC)));
    EXPECT_TRUE(Checked(IDC_MUSIC));
    EXPECT_FALSE(Checked(IDC_EFFECTS));

    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_FORCE_MODE)));
    EXPECT_FALSE(Enabled(IDC_EFFECTS));
    EXPECT_FALSE(Enabled(IDC_MUSIC));
    EXPECT_TRUE(Checked(IDC_MUSIC));
}

// Tab visits the enabled tab stops in template order; a radio group is
// reached through its checked button, which the button control gives the
// tab stop.
TEST_F(ExtractPageTest, TabMovesThroughTheEnabledControlsInOrder) {
    ASSERT_EQ(IdOf(FocusOf(program_)), IDC_EXTRACT);
    EXPECT_EQ(TabThrough(5), (std::vector<int>{IDC_PLAY, IDC_SOURCE_FILE, IDC_BROWSE_FILE, IDC_SINGLE_FILE,
                                               IDC_FORCE_MODE}));
    // On through the sheet's buttons and tabs, and back into the page.
    EXPECT_EQ(TabThrough(4), (std::vector<int>{IDCANCEL, IDHELP, SHEET_TABS, IDC_EXTRACT}));

    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_WHOLE_FOLDER)));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(extractPage_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ExtractControl(IDC_EXTRACT)), TRUE,
                        SMTO_NORMAL, PATIENCE_MS, &result);
    ASSERT_TRUE(WaitUntil([&] { return IdOf(FocusOf(program_)) == IDC_EXTRACT; }));
    EXPECT_EQ(TabThrough(4), (std::vector<int>{IDC_SOURCE_FOLDER, IDC_BROWSE_FOLDER, IDC_WHOLE_FOLDER,
                                               IDC_FORCE_MODE}));
}

TEST_F(ExtractPageTest, ExtractsOneFileThroughTheSaveDialog) {
    const std::string source = Path("boom.wad");
    WritePackedSound(source, 1);
    HWND dialog = StartExtraction(source);
    ASSERT_NE(dialog, HWND(NULL));
    EXPECT_TRUE(Proposes(dialog, "boom.wav"));
    EXPECT_EQ(TextOf(ExtractControl(IDC_EXTRACT)), "Stop");
    EXPECT_EQ(TextOf(ExtractControl(IDC_STATUS)), "Extracting...");
    SetText(FileNameField(dialog), "chosen.wav");
    Accept(dialog);
    EXPECT_EQ(WavChannels(Path("chosen.wav")), 1);
    EXPECT_FALSE(FileExists(Path("boom.wav")));
}

TEST_F(ExtractPageTest, AdxFileIsReadAsStereo) {
    const std::string source = Path("music.ADX");
    WritePackedSound(source, 2);
    HWND dialog = StartExtraction(source);
    ASSERT_NE(dialog, HWND(NULL));
    EXPECT_TRUE(Proposes(dialog, "music.wav"));
    Accept(dialog);
    EXPECT_EQ(WavChannels(Path("music.wav")), 2);
}

TEST_F(ExtractPageTest, ProposalKeepsADottedFolderAndTheFileName) {
    ASSERT_TRUE(std::filesystem::create_directory(Path("my.dir")));
    const std::string source = Path("my.dir\\boom");
    WritePackedSound(source, 1);
    HWND dialog = StartExtraction(source);
    ASSERT_NE(dialog, HWND(NULL));
    EXPECT_TRUE(Proposes(dialog, "boom.wav"));
    Accept(dialog);
    EXPECT_EQ(WavChannels(Path("my.dir\\boom.wav")), 1);
    EXPECT_FALSE(FileExists(Path("my.wav")));
}

TEST_F(ExtractPageTest, ForceModeChoosesTheChannelsWhateverTheExtension) {
    WritePackedSound(Path("boom.wad"), 1);
    WritePackedSound(Path("music.adx"), 2);
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_FORCE_MODE)));
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_MUSIC)));
    HWND dialog = StartExtraction(Path("boom.wad"));
    ASSERT_NE(dialog, HWND(NULL));
    Accept(dialog);
    EXPECT_EQ(WavChannels(Path("boom.wav")), 2);

    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_EFFECTS)));
    dialog = StartExtraction(Path("music.adx"));
    ASSERT_NE(dialog, HWND(NULL));
    Accept(dialog);
    EXPECT_EQ(WavChannels(Path("music.wav")), 1);
}

TEST_F(ExtractPageTest, EmptyFieldDoesNothing) {
    ASSERT_TRUE(ClickAndWait(ExtractControl(IDC_EXTRACT))) << "a dialog opened";
    EXPECT_EQ(TextOf(ExtractControl(IDC_EXTRACT)), "Extract");
    EXPECT_EQ(TextOf(ExtractControl(IDC_STATUS)), "Ready");
    EXPECT_EQ(VisibleWindows(program_.info.dwProcessId), (std::vector<HWND>{program_.sheet}));
}

TEST_F(ExtractPageTest, CancelledSaveDialogWritesNothing) {
    const std::string source = Path("boom.wad");
    WritePackedSound(source, 1);
    HWND dialog = StartExtraction(source);
    ASSERT_NE(dialog, HWND(NULL));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(ExtractPageIdle());
    EXPECT_FALSE(FileExists(Path("boom.wav")));
    EXPECT_EQ(TextOf(ExtractControl(IDC_SOURCE_FILE)), source);
}
