// The fixture of the window tests: a scratch folder and a freshly started
// Velkmar, ended after each test.
#ifndef VELKMAR_TESTS_WINDOW_WINDOW_FIXTURE_H
#define VELKMAR_TESTS_WINDOW_WINDOW_FIXTURE_H

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/test_files.h"
#include "tests/window/recording.h"
#include "tests/window/window_driver.h"

class WindowTest : public ScratchFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A control of the Extract page, of the Pack page (shown first), of the sheet.
    HWND ExtractControl(int id) const { return GetDlgItem(extractPage_, id); }
    HWND PackControl(int id);
    HWND SheetButton(int id) const { return GetDlgItem(program_.sheet, id); }

    // Waits for the Extract page's button and status line to read
    // "Extract" and "Ready".
    bool ExtractPageIdle() const;

    // Presses Tab count times, returning the id of the control focused
    // after each press.
    std::vector<int> TabThrough(int count);

    // Writes a packed sound file made from a 0.3 s tone with 1 or 2 channels.
    void WritePackedSound(const std::string& path, int channels);

    Program program_;
    HWND extractPage_ = NULL;
    HWND packPage_ = NULL;
};

// A fresh window under the recorder, with empty folders "source", "out"
// and "work" in the scratch folder.
class FolderWindowTest : public WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;
    Recording recording_;
    std::string source_;
    std::string destination_;
    std::string work_;
};

// The id of the sheet's tab control.
const int SHEET_TABS = 0x3020;

// A window's control id, 0 for none.
inline int IdOf(HWND control) { return control ? GetDlgCtrlID(control) : 0; }

// Channels declared by a WAV file's header, 0 when there is none.
int WavChannels(const std::string& path);

#endif
