// The two pages: the controls' states and texts, extracting one file, and
// packing. (How the sheet looks, its caption, buttons and tabs: the
// screenshots.)
#include "conversion/files/packing.h"
#include "tests/window/window_test.h"

// The Extract page's start state and texts, then its state after each
// click: the mode radios switch the fields without clearing them, and
// "Режим" enables the channel radios, which keep their check.
TEST_F(WindowTest, ExtractPageStatesAndTexts) {
    SetText(Extract(IDC_SOURCE_FILE), "C:\\snd\\boom.wad");
    SetText(Extract(IDC_SOURCE_FOLDER), "C:\\snd");
    const std::pair<int, const char*> controls[] = {
        {IDC_SOURCE_FILE, "C:\\snd\\boom.wad"}, {IDC_BROWSE_FILE, "Обзор..."}, {IDC_PLAY, "Play"},
        {IDC_SOURCE_FOLDER, "C:\\snd"}, {IDC_BROWSE_FOLDER, "Обзор..."}, {IDC_SINGLE_FILE, "Распаковать один файл"},
        {IDC_WHOLE_FOLDER, "Распаковать всю папку"}, {IDC_FORCE_MODE, "Режим"}, {IDC_EFFECTS, "Эффекты"},
        {IDC_MUSIC, "Музыка"}};
    // A letter for each control: "e" enabled, "-" disabled; "E" and "_" checked.
    const std::pair<int, const char*> steps[] = {
        {0, "eee--Eee_-"},              {IDC_WHOLE_FOLDER, "---eeeEe_-"}, {IDC_SINGLE_FILE, "eee--Eee_-"},
        {IDC_FORCE_MODE, "eee--EeEEe"}, {IDC_MUSIC, "eee--EeEeE"},        {IDC_FORCE_MODE, "eee--Eee-_"}};
    for (const auto& step : steps) {
        if (step.first) ClickAndWait(Extract(step.first));
        std::string state;
        for (const auto& control : controls) {
            const bool checked = IsDlgButtonChecked(extractPage_, control.first) == BST_CHECKED;
            state += IsWindowEnabled(Extract(control.first)) ? (checked ? 'E' : 'e') : (checked ? '_' : '-');
            EXPECT_EQ(TextOf(Extract(control.first)), control.second) << "after " << step.first;
        }
        EXPECT_EQ(state, step.second) << "after " << step.first;
    }
}

// The save dialog proposes the WAV's name beside the source while the page
// reads "Stop" and "Extracting..."; the WAV is read in the channels the
// extension or "Режим" chooses. An empty field does nothing.
TEST_F(WindowTest, ExtractsOneFileThroughTheSaveDialog) {
    const struct {
        const char *source, *proposed, *chosen;
        int force, channels;
    } cases[] = {{"boom.wad", "boom.wav", "chosen.wav", 0, 1}, {"music.ADX", "music.wav", "", 0, 2},
                 {"boom.wad", "boom.wav", "", IDC_MUSIC, 2}, {"music.ADX", "music.wav", "mono.wav", IDC_EFFECTS, 1}};
    for (const auto& c : cases) {
        const std::string source = Path(c.source);
        WriteFileBytes(source, Packed(9000));
        if (c.force && IsDlgButtonChecked(extractPage_, IDC_FORCE_MODE) != BST_CHECKED)
            ClickAndWait(Extract(IDC_FORCE_MODE));
        if (c.force) ClickAndWait(Extract(c.force));
        SetText(Extract(IDC_SOURCE_FILE), source);
        PostClick(Extract(IDC_EXTRACT));
        HWND dialog = WaitForDialog(program_);
        ASSERT_NE(dialog, HWND(NULL)) << c.source;
        EXPECT_TRUE(WaitUntil([&] { return TextOf(FileNameField(dialog)) == c.proposed; })) << c.source;
        EXPECT_EQ(TextOf(Extract(IDC_EXTRACT)) + " " + TextOf(Extract(IDC_STATUS)), "Stop Extracting...");
        if (*c.chosen) SetText(FileNameField(dialog), c.chosen);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }) && ExtractIdle());
        EXPECT_EQ(ReadFileBytes(Path(*c.chosen ? c.chosen : c.proposed)), ExtractedAs(source, c.channels)) << c.source;
    }
    SetText(Extract(IDC_SOURCE_FILE), "");
    EXPECT_TRUE(ClickAndWait(Extract(IDC_EXTRACT))) << "a dialog opened";
}

// Under "Режим" and "Музыка" a WAV packs to the bytes the core writes in
// stereo, though ".wad" reads mono; an empty field does nothing. A failure
// shows the core's message, captioned with the path concerned, while the
// status reads "Packing...", and the file that could not be replaced stays.
// (Each failure's message is the bad-input suite's.)
TEST_F(WindowTest, Packing) {
    WriteFileBytes(Path("voice.wav"), MakePcmWav(2, 44100, Samples(30000, 1200)));
    ClickAndWait(Extract(IDC_FORCE_MODE));
    ClickAndWait(Extract(IDC_MUSIC));
    const std::pair<std::string, std::string> quiet[] = {
        {Path("voice.wav"), ""}, {"", Path("voice.wad")}, {Path("voice.wav"), Path("voice.wad")}};
    for (const auto& fields : quiet) {
        SetText(Pack(IDC_PACK_SOURCE), fields.first);
        SetText(Pack(IDC_PACK_DESTINATION), fields.second);
        EXPECT_TRUE(ClickAndWait(Pack(IDC_PACK))) << "a message box opened";
        EXPECT_EQ(FileExists(Path("voice.wad")), !fields.first.empty() && !fields.second.empty());
    }
    ASSERT_EQ(PackSoundFileStatus(Path("voice.wav").c_str(), Path("core.wad").c_str(), FORCE_STEREO, nullptr), CONV_OK);
    EXPECT_EQ(ReadFileBytes(Path("voice.wad")), ReadFileBytes(Path("core.wad")));

    // Held open without sharing, the file cannot be replaced.
    const Bytes kept(10, 7);
    WriteFileBytes(Path("locked.wad"), kept);
    HANDLE lock = CreateFileA(Path("locked.wad").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    SetText(Pack(IDC_PACK_DESTINATION), Path("locked.wad"));
    PostClick(Pack(IDC_PACK));
    HWND box = WaitForDialog(program_);
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)) + " | " + TextOf(box), "Не удалось записать данные в файл | " + Path("locked.wad"));
    EXPECT_EQ(TextOf(Pack(IDC_STATUS)), "Packing...");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(Pack(IDC_STATUS)) == "Ready"; }));
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(Path("locked.wad")), kept);
}
