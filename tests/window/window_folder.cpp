// Folder extraction through the real window's folder browser.
#include "tests/window/window_folder.h"

#include <commctrl.h>
#include <shlobj.h>


#include "resources/resource.h"

const char FOLDER_CAPTION[] = "Extract Folder";
const char ALL_EXTRACTED[] = "Найденные файлы распакованы.";
const char SOME_FAILED[] = "Произошла ошибка при распаковке некоторых файлов.";

namespace {

BOOL CALLBACK FindTree(HWND window, LPARAM found) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != WC_TREEVIEWA) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The label of the folder selected in a folder browser's tree, read
// through memory in the program's process.
std::string SelectedFolderName(const Program& program, HWND browser) {
    HWND tree = NULL;
    EnumChildWindows(browser, FindTree, reinterpret_cast<LPARAM>(&tree));
    DWORD_PTR item = 0;
    if (!tree || !SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, PATIENCE_MS, &item) || !item)
        return std::string();
    const size_t textSize = 260;
    HANDLE process = program.info.hProcess;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, NULL, sizeof(TVITEMA) + textSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return std::string();
    TVITEMA request = {};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = remote + sizeof(TVITEMA);
    request.cchTextMax = static_cast<int>(textSize);
    char text[textSize] = "";
    SIZE_T moved = 0;
    DWORD_PTR result = 0;
    WriteProcessMemory(process, remote, &request, sizeof request, &moved);
    SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, PATIENCE_MS, &result);
    ReadProcessMemory(process, remote + sizeof(TVITEMA), text, textSize - 1, &moved);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

}  // namespace

bool StartFolderExtraction(const Program& program, HWND extractPage, const std::string& source,
                           const std::string& destination, std::string* reason) {
    auto fail = [reason](const std::string& why) {
        *reason = why;
        return false;
    };
    if (!ClickAndWait(GetDlgItem(extractPage, IDC_WHOLE_FOLDER))) return fail("folder mode");
    SetText(GetDlgItem(extractPage, IDC_SOURCE_FOLDER), source);
    PostClick(GetDlgItem(extractPage, IDC_EXTRACT));
    HWND browser = WaitForDialog(program);
    if (!browser) return fail("no folder browser");
    HANDLE process = program.info.hProcess;
    void* path = VirtualAllocEx(process, NULL, destination.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!path) return fail("no memory in the program");
    SIZE_T moved = 0;
    WriteProcessMemory(process, path, destination.c_str(), destination.size() + 1, &moved);
    // The browser ignores a selection made before its tree is filled:
    // asked again until the folder shows selected.
    const std::string name = destination.substr(destination.rfind('\\') + 1);
    const bool selected = WaitUntil([&] {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path), SMTO_NORMAL,
                            PATIENCE_MS, &result);
        return SelectedFolderName(program, browser) == name;
    });
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    const bool closed = WaitUntil([&] { return !IsWindow(browser); });
    VirtualFreeEx(process, path, 0, MEM_RELEASE);
    if (!selected) return fail("the browser did not select " + destination);
    if (!closed) return fail("the browser stayed open");
    return true;
}

HWND SummaryShowing(const Program& program) {
    for (HWND window : VisibleWindows(program.info.dwProcessId)) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (window != program.sheet && std::string(name) == "#32770" && TextOf(window) == FOLDER_CAPTION)
            return window;
    }
    return NULL;
}

std::string SummaryText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

std::vector<std::string> SummaryIcons(const Recording& recording, HWND box) {
    std::vector<std::string> icons;
    for (const WindowEvent& event : RecordedEvents(recording))
        if (event.kind == "icon" && GetParent(event.window) == box) icons.push_back(event.value);
    return icons;
}

bool CloseSummary(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !IsWindow(box); });
}

std::string FileNumber(int index, int count) {
    return "Файл " + std::to_string(index) + " из " + std::to_string(count);
}

std::vector<std::string> FileNumbers(const Recording& recording, HWND status) {
    std::vector<std::string> numbers;
    for (const std::string& text : RecordedValues(recording, status, "text"))
        if (text.compare(0, 5, "Файл ") == 0) numbers.push_back(text);
    return numbers;
}
