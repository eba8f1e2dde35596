// Shell services against the prefix's real shell: shortcut files read back
// through IShellLinkA, COM left as it was found, launching, and the real
// folder picker driven from a hook.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/setup_engine.h"
#include "tests/support/test_env.h"
#include "title/profile.h"
#include "tools/ui_driver.h"

namespace {

struct LinkContents {
    bool read = false;
    std::string path, workingFolder, description, arguments;
    WORD hotkey = 0xFFFF;
};

LinkContents ReadLink(const std::string& file) {
    LinkContents contents;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            char text[MAX_PATH] = {};
            link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
            contents.path = text;
            text[0] = '\0';
            link->GetWorkingDirectory(text, sizeof text);
            contents.workingFolder = text;
            text[0] = '\0';
            link->GetDescription(text, sizeof text);
            contents.description = text;
            text[0] = '\0';
            link->GetArguments(text, sizeof text);
            contents.arguments = text;
            link->GetHotkey(&contents.hotkey);
            contents.read = true;
        }
    }
    if (persist) persist->Release();
    if (link) link->Release();
    CoUninitialize();
    return contents;
}

DWORD WINAPI RunBody(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

// ShowCommand of the shell link header: 4 bytes at offset 60.
int StoredShowCommand(const std::string& file) {
    std::vector<char> bytes = ReadBytes(file);
    if (bytes.size() < 64) return -1;
    int value = 0;
    memcpy(&value, bytes.data() + 60, 4);
    return value;
}

// A configured engine whose program group goes under the maker "Selvane"
// in the all-users Programs folder; the group is removed afterwards.
class ShortcutTest : public ::testing::Test {
protected:
    SetupEngine engine_;
    std::string makerFolder_ = CommonProgramsFolder() + "\\Selvane";
    std::string group_ = makerFolder_ + "\\Orchidveil";

    void SetUp() override {
        ASSERT_FALSE(FileExists(makerFolder_)) << "left over from an earlier run";
        const char* names[13];
        for (int k = 0; k < 12; ++k) names[k] = g_installList[k];
        names[0] = "Orchidveil.exe";
        names[12] = nullptr;
        engine_.installFiles = engine_.CopyList(engine_.installFiles, names);
        strcpy(engine_.makerName, "Selvane");
        strcpy(engine_.titleName, "Orchidveil");
        strcpy(engine_.installDir, "c:\\Games\\Selvane\\Orchidveil");
    }
    void TearDown() override { RemoveTree(makerFolder_); }
};

}  // namespace

TEST_F(ShortcutTest, ProgramGroupHoldsThreeLinksIntoTheInstallation) {
    ASSERT_TRUE(engine_.CreateShortcuts(1));
    EXPECT_EQ(std::string(engine_.shellFolder), CommonProgramsFolder());
    struct Expected { const char* file; const char* target; };
    const Expected links[] = {
        {"Orchidveil.lnk", "c:\\Games\\Selvane\\Orchidveil\\Orchidveil.exe"},
        {"README.lnk", "c:\\Games\\Selvane\\Orchidveil\\readme.txt"},
        {"アンインストール.lnk", "c:\\Games\\Selvane\\Orchidveil\\uninst.exe"},
    };
    for (const Expected& link : links) {
        SCOPED_TRACE(link.file);
        LinkContents contents = ReadLink(group_ + "\\" + link.file);
        ASSERT_TRUE(contents.read);
        EXPECT_EQ(contents.path, link.target);
        EXPECT_EQ(contents.workingFolder, "c:\\Games\\Selvane\\Orchidveil");
        // The show command as stored in the file's header (Wine's loader
        // hands back SW_SHOWNORMAL for any stored value it does not use).
        EXPECT_EQ(StoredShowCommand(group_ + "\\" + link.file), SW_SHOW);
        EXPECT_EQ(contents.description, "");
        EXPECT_EQ(contents.arguments, "");
        EXPECT_EQ(contents.hotkey, 0);
    }
    // An existing group and existing links are simply written again.
    EXPECT_TRUE(engine_.CreateShortcuts(1));
}

TEST_F(ShortcutTest, WhichFolderSelectsTheStartMenuOrNothing) {
    EXPECT_FALSE(engine_.CreateShortcuts(2));
    EXPECT_STREQ(engine_.shellFolder, "");
    EXPECT_FALSE(FileExists(makerFolder_));
    EXPECT_FALSE(engine_.CreateShortcuts(-1));

    char startMenu[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, startMenu, CSIDL_COMMON_STARTMENU, FALSE));
    const std::string startGroup = std::string(startMenu) + "\\Selvane";
    ASSERT_TRUE(engine_.CreateShortcuts(0));
    EXPECT_STREQ(engine_.shellFolder, startMenu);
    EXPECT_TRUE(ReadLink(startGroup + "\\Orchidveil\\README.lnk").read);
    RemoveTree(startGroup);
}

TEST_F(ShortcutTest, AFailedLinkStopsTheRest) {
    MakeFolder(makerFolder_);
    MakeFolder(group_);
    MakeFolder(group_ + "\\README.lnk");  // a folder where the link should go
    EXPECT_FALSE(engine_.CreateShortcuts(1));
    EXPECT_TRUE(ReadLink(group_ + "\\Orchidveil.lnk").read);
    EXPECT_FALSE(FileExists(group_ + "\\アンインストール.lnk"));
}

TEST_F(ShortcutTest, ComIsLeftAsTheThreadHadIt) {
    // A thread whose COM is already multithreaded: CoInitialize fails with a
    // changed mode, the link is still made, and COM is not torn down.
    HRESULT before = S_OK, after = S_OK;
    bool made = false;
    std::function<void()> body = [&] {
        before = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        made = engine_.CreateShortcut(group_.c_str(), engine_.installDir, "Orchidveil.exe", "x");
        after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_FALSE: still initialised
        CoUninitialize();
        CoUninitialize();
    };
    MakeFolder(makerFolder_);
    MakeFolder(group_);
    HANDLE thread = CreateThread(nullptr, 0, RunBody, &body, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
    EXPECT_EQ(before, S_OK);
    EXPECT_TRUE(made);
    EXPECT_EQ(after, S_FALSE);

    // A thread that had COM already: one level is taken and given back.
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_TRUE(engine_.CreateShortcut(group_.c_str(), engine_.installDir, "uninst.exe", "y"));
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST(LaunchTitle, AMissingExecutableStillCountsAndMovesTheCurrentFolder) {
    ScratchDir installDir;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetupEngine engine;
    const char* names[] = {"Orchidveil.exe", nullptr};
    engine.installFiles = engine.CopyList(engine.installFiles, names);
    strcpy(engine.installDir, installDir.Path().c_str());
    EXPECT_TRUE(engine.LaunchTitle());
    char now[MAX_PATH];
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(lstrcmpiA(now, installDir.Path().c_str()), 0) << now;
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(LaunchFile((installDir / "missing\\manual.html").c_str(), ""));
}

TEST(SpecialFolderPath, GivesTheShellsPathOrNothing) {
    char path[MAX_PATH] = "junk";
    EXPECT_TRUE(SpecialFolderPath(CSIDL_COMMON_PROGRAMS, path, sizeof path));
    EXPECT_EQ(std::string(path), CommonProgramsFolder());
    char tiny[4] = "abc";
    EXPECT_FALSE(SpecialFolderPath(CSIDL_COMMON_PROGRAMS, tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "");
}

namespace {

// Drives the folder picker from a thread-local CBT hook: each time the
// picker (or a box over it) becomes active, the next step runs.
std::vector<std::function<void(HWND)>> g_pickerSteps;
size_t g_nextStep = 0;
HHOOK g_pickerHook = nullptr;
std::vector<BoxInfo> g_pickerBoxes;

LRESULT CALLBACK DrivePicker(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) {
            g_pickerBoxes.push_back(ReadMessageBox(window));
            AnswerBox(window, IDOK);
        } else if (IsDialogWindow(window) && g_nextStep < g_pickerSteps.size()) {
            g_pickerSteps[g_nextStep++](window);
        }
    }
    return CallNextHookEx(g_pickerHook, code, wParam, lParam);
}

int RunPicker(char* buffer, size_t size, int kind, int trailing,
              std::vector<std::function<void(HWND)>> steps) {
    g_pickerSteps = std::move(steps);
    g_nextStep = 0;
    g_pickerBoxes.clear();
    g_pickerHook = SetWindowsHookExA(WH_CBT, DrivePicker, nullptr, GetCurrentThreadId());
    FolderBrowser browser;
    browser.Init(GetModuleHandleA(nullptr), nullptr);
    int result = browser.Browse(buffer, size, kind, trailing);
    UnhookWindowsHookEx(g_pickerHook);
    return result;
}

void PressOk(HWND picker) { PostMessageA(picker, WM_COMMAND, IDOK, 0); }
void PressCancel(HWND picker) { PostMessageA(picker, WM_COMMAND, IDCANCEL, 0); }

bool HasChildText(HWND window, const std::string& text) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowText(child) == text) return true;
    }
    return false;
}

}  // namespace

TEST(FolderPicker, CancelKeepsTheBuffer) {
    char buffer[260] = "c:\\windows";
    bool titled = false;
    EXPECT_EQ(RunPicker(buffer, sizeof buffer, 0, 0, {[&](HWND picker) {
                  titled = HasChildText(picker, "フォルダを選択してください");
                  PressCancel(picker);
              }}),
              0);
    EXPECT_STREQ(buffer, "c:\\windows");
    EXPECT_TRUE(titled);
}

TEST(FolderPicker, ConfirmingTakesThePreselectedFolder) {
    struct Case { const char* start; int trailing; const char* chosen; };
    const Case cases[] = {
        {"c:\\windows", 0, "C:\\windows"},
        {"c:\\windows", 1, "C:\\windows\\"},
        {"c:\\", 1, "C:\\"},  // a root already ends with its backslash
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        char buffer[260];
        strcpy(buffer, c.start);
        EXPECT_EQ(RunPicker(buffer, sizeof buffer, 0, c.trailing, {PressOk}), 1);
        EXPECT_EQ(lstrcmpiA(buffer, c.chosen), 0) << buffer;
    }
}

TEST(FolderPicker, AChoiceThatDoesNotFitOrHasNoPathKeepsTheBuffer) {
    char tiny[11];
    strcpy(tiny, "c:\\windows");  // with its trailing backslash the path needs 12 bytes
    EXPECT_EQ(RunPicker(tiny, sizeof tiny, 0, 1, {PressOk}), 0);
    EXPECT_STREQ(tiny, "c:\\windows");

    char buffer[260] = "c:\\windows";
    EXPECT_EQ(RunPicker(buffer, sizeof buffer, 0, 0, {[](HWND picker) {
                  LPITEMIDLIST computer = nullptr;
                  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
                  SendMessageA(picker, BFFM_SETSELECTIONA, FALSE,
                               reinterpret_cast<LPARAM>(computer));
                  CoTaskMemFree(computer);
                  PressOk(picker);
              }}),
              0);
    EXPECT_STREQ(buffer, "c:\\windows");
}

TEST(FolderPicker, AnInvalidFolderIsRefusedAndThePickerStaysOpen) {
    // Wine's picker does not validate a typed folder itself, so the
    // callback is given the picker's notification directly, with a real
    // window standing for the picker.
    HWND picker = CreateWindowExA(0, "STATIC", "picker", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    MessageBoxCatcher catcher;
    char typed[] = "q:\\no\\such\\folder";
    EXPECT_EQ(BrowseCallback(picker, BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(typed), 0), 1);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "Error");
    EXPECT_EQ(catcher.Boxes()[0].text, "不正なフォルダです");
    EXPECT_EQ(catcher.Boxes()[0].owner, picker);
    EXPECT_FALSE(catcher.Boxes()[0].warningIcon);
    EXPECT_EQ(catcher.Boxes()[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(BrowseCallback(picker, BFFM_SELCHANGED, 0, 0), 0);
    DestroyWindow(picker);
}
