// setup.exe end to end: the real x86_64 program started in the test prefix
// and driven from this process through its windows and boxes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/test_env.h"
#include "tools/ui_driver.h"

namespace {

const std::string kFailedText =
    "インストールが正常に行われませんでした。\nもう一度ご確認の上、インストールを行ってください。";
const std::string kTarget = "c:\\Program Files\\Selvane\\Orchidveil";

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

class SetupProgramTest : public ::testing::Test {
protected:
    RecordKeyGuard guard_;
    ScratchDir dir_;
    std::string program_ = dir_ / "setup.exe";
    RunningProgram* running_ = nullptr;
    HWND dialog_ = nullptr;

    void SetUp() override {
        ASSERT_FALSE(FileExists("c:\\Program Files\\Selvane")) << "left over from an earlier run";
        ASSERT_TRUE(CopyFileA(BesideThisProgram("setup.exe").c_str(), program_.c_str(), FALSE));
    }
    void TearDown() override {
        delete running_;
        // The program's current folder was the install folder; Wine may
        // release it a moment after the process has ended.
        WaitUntil([] {
            RemoveTree("c:\\Program Files\\Selvane");
            return !FileExists("c:\\Program Files\\Selvane");
        }, 10000);
        RemoveTree(CommonProgramsFolder() + "\\Selvane");
    }

    void Start() {
        running_ = new RunningProgram(program_, dir_.Path());
        ASSERT_TRUE(running_->Started());
        dialog_ = WaitForDialog(running_->Id(), [](HWND window) {
            return !IsMessageBox(window) && GetDlgItem(window, IDC_INSTALL) != nullptr;
        });
        ASSERT_NE(dialog_, nullptr) << "setup.exe exit code " << running_->WaitForExit(0)
                                    << ", dialogs " << ProcessDialogs(running_->Id()).size();
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
    std::string Text(int id) { return ControlText(dialog_, id); }
    HWND WaitForOptions() {
        return WaitForDialog(running_->Id(), [](HWND window) {
            return GetDlgItem(window, IDC_OPT_TYPE) != nullptr;
        });
    }
    // The next message box whose text satisfies the test; its parts.
    BoxInfo WaitForBoxWithText(const std::string& text) {
        HWND box = WaitForDialog(running_->Id(), [&](HWND window) {
            return IsMessageBox(window) && ReadMessageBox(window).text == text;
        });
        return box ? ReadMessageBox(box) : BoxInfo();
    }
    void Answer(const BoxInfo& box, int answer) {
        AnswerBox(box.window, answer);
        WaitUntil([&] { return !IsWindow(box.window); });
    }
    // Install, OK in the options dialog, Yes to the new folder chain.
    void StartInstall() {
        PressButton(dialog_, IDC_INSTALL);
        HWND options = WaitForOptions();
        ASSERT_NE(options, nullptr);
        PressButton(options, IDC_OPT_OK);
        BoxInfo question = WaitForBoxWithText(kTarget + "\nフォルダを作成します。\nよろしいですか？");
        ASSERT_NE(question.window, nullptr);
        Answer(question, IDYES);
    }
    void ExpectButtons(std::initializer_list<int> on, std::initializer_list<int> off) {
        for (int id : on) EXPECT_TRUE(Enabled(id)) << id;
        for (int id : off) EXPECT_FALSE(Enabled(id)) << id;
    }
    void WriteInstalledRecord(const std::string& folder) {
        PutRecordText("Dir", folder);
        PutRecordText("CD", "e:\\Orchidveil");
        PutRecordNumber("InstType", 2);
    }
};

}  // namespace

TEST_F(SetupProgramTest, InstallsFromTheTitlesDisc) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 70000);
    disc.AddFile("Orchidveil\\pict.pac", 300000);
    disc.AddFile("Orchidveil\\readme.txt", 100);
    disc.AddFile("Orchidveil\\uninst.exe", 5000);
    Start();
    EXPECT_EQ(Text(IDC_TARGET_PATH), kTarget);
    ExpectButtons({IDC_INSTALL, IDC_BROWSE, IDC_README, IDC_MANUAL, IDCANCEL, IDC_EXIT},
                  {IDC_UNINSTALL, IDC_PLAY});

    StartInstall();
    BoxInfo finished = WaitForBoxWithText("インストールが完了しました。");
    ASSERT_NE(finished.window, nullptr);
    EXPECT_EQ(finished.caption, "終了");
    EXPECT_EQ(finished.owner, nullptr);
    HWND bar = GetDlgItem(dialog_, IDC_PROGRESS);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 1000);
    EXPECT_EQ(Text(IDC_STATUS_FILE), "インストールが完了しました。");
    EXPECT_EQ(Text(IDC_INSTALL), "中断");
    ExpectButtons({IDC_INSTALL}, {IDC_UNINSTALL, IDC_PLAY, IDC_BROWSE, IDC_README, IDC_MANUAL,
                                  IDCANCEL, IDC_EXIT});
    Answer(finished, IDOK);

    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_INSTALL) == "インストール"; }));
    ExpectButtons({IDC_UNINSTALL, IDC_PLAY, IDC_README, IDC_MANUAL, IDCANCEL, IDC_EXIT},
                  {IDC_INSTALL, IDC_BROWSE});
    EXPECT_EQ(Text(IDC_STATUS_FILE), "");
    for (const char* name : {"Orchidveil.exe", "pict.pac", "readme.txt", "uninst.exe"}) {
        EXPECT_EQ(ReadBytes(kTarget + "\\" + name), ReadBytes(std::string("e:\\Orchidveil\\") + name))
            << name;
    }
    std::vector<unsigned char> bytes;
    DWORD type = 0;
    ASSERT_TRUE(GetRecordBytes("Dir", &bytes, &type));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data())), kTarget);
    ASSERT_TRUE(GetRecordBytes("CD", &bytes, &type));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data())), "e:\\Orchidveil");
    for (const char* link : {"Orchidveil.lnk", "README.lnk", "アンインストール.lnk"}) {
        EXPECT_TRUE(FileExists(CommonProgramsFolder() + "\\Selvane\\Orchidveil\\" + link)) << link;
    }
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, AbortStopsALargeCopyAndCleansUp) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 1000);
    disc.AddSparseFile("Orchidveil\\pict.pac", 3ll << 30);
    Start();
    StartInstall();
    // The spinner line names a file once the copy runs; the first file is
    // small, so the copy is then at the large one.
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_STATUS_FILE).find(".exe ") != std::string::npos ||
                                       Text(IDC_STATUS_FILE).find(".pac ") != std::string::npos; }))
        << Text(IDC_STATUS_FILE);
    EXPECT_EQ(Text(IDC_INSTALL), "中断");
    PressButton(dialog_, IDC_INSTALL);
    EXPECT_TRUE(WaitUntil([&] { return !Enabled(IDC_INSTALL); }, 5000));

    BoxInfo failed = WaitForBoxWithText(kFailedText);
    ASSERT_NE(failed.window, nullptr);
    EXPECT_EQ(failed.caption, "確認");
    EXPECT_EQ(failed.owner, dialog_);
    EXPECT_FALSE(FileExists(kTarget + "\\pict.pac"));
    EXPECT_FALSE(FileExists(kTarget + "\\Orchidveil.exe"));
    Answer(failed, IDOK);

    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_INSTALL) == "インストール"; }));
    ExpectButtons({IDC_INSTALL, IDC_README, IDC_MANUAL, IDCANCEL, IDC_BROWSE, IDC_EXIT},
                  {IDC_UNINSTALL, IDC_PLAY});
    EXPECT_TRUE(FileExists(kTarget));  // the folders stay
    EXPECT_FALSE(RecordKeyExists("SOFTWARE\\Selvane\\Orchidveil"));
    PressButton(dialog_, IDC_EXIT);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, OneInstallAtATimeAndNoEndingUnderIt) {
    Start();
    PressButton(dialog_, IDC_INSTALL);
    HWND options = WaitForOptions();
    ASSERT_NE(options, nullptr);
    PressButton(options, IDC_OPT_OK);
    // The worker waits at the folder question: no copy runs yet.
    BoxInfo question = WaitForBoxWithText(kTarget + "\nフォルダを作成します。\nよろしいですか？");
    ASSERT_NE(question.window, nullptr);
    ExpectButtons({IDC_INSTALL}, {IDCANCEL, IDC_EXIT});
    PressButton(dialog_, IDC_INSTALL);  // neither an abort nor a second install
    PostMessageA(dialog_, WM_COMMAND, IDCANCEL, 0);  // as the Esc key sends it
    PostMessageA(dialog_, WM_COMMAND, IDC_EXIT, 0);
    Sleep(500);
    for (HWND window : ProcessDialogs(running_->Id())) {
        EXPECT_EQ(GetDlgItem(window, IDC_OPT_TYPE), nullptr);  // no options dialog
    }
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(running_->WaitForExit(0), STILL_ACTIVE);
    Answer(question, IDNO);
    BoxInfo notMade = WaitForBoxWithText(kTarget + " フォルダを作成できませんでした。");
    ASSERT_NE(notMade.window, nullptr);
    Answer(notMade, IDOK);
    BoxInfo failed = WaitForBoxWithText(kFailedText);  // the second box in a row
    ASSERT_NE(failed.window, nullptr);
    Answer(failed, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(IDC_EXIT); }));
    PressButton(dialog_, IDC_EXIT);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, CancelInTheOptionsStartsNothing) {
    Start();
    PressButton(dialog_, IDC_INSTALL);
    HWND options = WaitForOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(WindowText(options), "インストールする項目の選択");
    PressButton(options, IDC_OPT_CANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(options); }));
    Sleep(300);
    EXPECT_EQ(Text(IDC_INSTALL), "インストール");
    EXPECT_TRUE(Enabled(IDC_INSTALL));
    for (HWND window : ProcessDialogs(running_->Id())) EXPECT_FALSE(IsMessageBox(window));
    EXPECT_FALSE(FileExists("c:\\Program Files\\Selvane"));
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, UninstallRemovesTheTitle) {
    MakeFolder(dir_ / "Selvane");
    const std::string installed = dir_ / "Selvane\\Orchidveil";
    MakeFolder(installed);
    MakeFile(installed + "\\pict.pac", 100);
    MakeFile(installed + "\\savedata.dat", 100);
    WriteInstalledRecord(installed);
    Start();
    ExpectButtons({IDC_UNINSTALL, IDC_PLAY}, {IDC_INSTALL, IDC_BROWSE});
    EXPECT_EQ(Text(IDC_TARGET_PATH), kTarget);  // the label comes from the base folder
    PressButton(dialog_, IDC_UNINSTALL);
    BoxInfo question =
        WaitForBoxWithText("Orchidveil のアンインストールを開始します。\n開始してもよろしいですか？");
    ASSERT_NE(question.window, nullptr);
    Answer(question, IDYES);
    BoxInfo finished = WaitForBoxWithText("アンインストールが完了しました。");
    ASSERT_NE(finished.window, nullptr);
    Answer(finished, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(IDC_BROWSE); }));  // the last button it sets
    ExpectButtons({IDC_INSTALL, IDC_BROWSE}, {IDC_UNINSTALL, IDC_PLAY});
    EXPECT_FALSE(FileExists(installed + "\\pict.pac"));
    EXPECT_TRUE(FileExists(installed + "\\savedata.dat"));
    EXPECT_FALSE(RecordKeyExists("SOFTWARE\\Selvane\\Orchidveil"));
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, PlayWithAMissingExecutableStillEnds) {
    MakeFolder(dir_ / "Selvane");
    WriteInstalledRecord(dir_ / "Selvane");
    Start();
    PressButton(dialog_, IDC_PLAY);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, ManualOpensTheFileBesideTheSourceFolder) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 10);
    disc.AddFile("manual\\manual.html", 10);
    OpenRecorder recorder(".html");
    Start();
    PressButton(dialog_, IDC_MANUAL);
    std::vector<std::string> opened = recorder.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("e:\\manual\\manual.html"), std::string::npos) << opened[0];
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, ReadmeComesFromTheSourceBeforeAnInstall) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 10);
    disc.AddFile("Orchidveil\\readme.txt", 10);
    OpenRecorder recorder(".txt");
    Start();
    PressButton(dialog_, IDC_README);
    std::vector<std::string> opened = recorder.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("e:\\Orchidveil\\readme.txt"), std::string::npos) << opened[0];
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, BrowseChoosesAFolderOrADriveRoot) {
    Start();
    struct Case { std::vector<WPARAM> keys; const char* label; };
    const Case cases[] = {
        {{}, "C:\\Program Files\\Selvane\\Orchidveil"},     // the preselected folder
        {{VK_LEFT}, "C:\\Selvane\\Orchidveil"},              // its parent, the drive root
    };
    for (const Case& c : cases) {
        PressButton(dialog_, IDC_BROWSE);
        HWND picker = WaitForDialog(running_->Id(), [&](HWND window) {
            return window != dialog_ && FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
        });
        ASSERT_NE(picker, nullptr);
        HWND tree = FindWindowExA(picker, nullptr, WC_TREEVIEWA, nullptr);
        for (WPARAM key : c.keys) {
            PostMessageA(tree, WM_KEYDOWN, key, 0);
            Sleep(200);
        }
        PostMessageA(picker, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return Text(IDC_TARGET_PATH) == c.label; }, 10000))
            << Text(IDC_TARGET_PATH);
    }
    PressButton(dialog_, IDCANCEL);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}

TEST_F(SetupProgramTest, TooLittleSpaceShowsTwoBoxesInARow) {
    // k: is a 16 MiB drive of its own in the test prefix.
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExA("k:\\", &available, &total, &totalFree) ||
        (totalFree.QuadPart >> 20) >= 2100) {
        GTEST_SKIP() << "no small drive k: (it needs root to mount)";
    }
    const std::string freeMegabytes = std::to_string(totalFree.QuadPart >> 20);
    Start();
    PressButton(dialog_, IDC_BROWSE);
    HWND picker = WaitForDialog(running_->Id(), [&](HWND window) {
        return window != dialog_ && FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
    });
    ASSERT_NE(picker, nullptr);
    // From the preselected c:\Program Files: up to c:, fold it, and down
    // past the drives d: to j: to k:.
    HWND tree = FindWindowExA(picker, nullptr, WC_TREEVIEWA, nullptr);
    std::vector<WPARAM> keys = {VK_LEFT, VK_LEFT};
    keys.insert(keys.end(), 8, VK_DOWN);
    for (WPARAM key : keys) {
        PostMessageA(tree, WM_KEYDOWN, key, 0);
        Sleep(100);
    }
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_TARGET_PATH) == "K:\\Selvane\\Orchidveil"; }, 10000))
        << Text(IDC_TARGET_PATH);

    PressButton(dialog_, IDC_INSTALL);
    HWND options = WaitForOptions();
    ASSERT_NE(options, nullptr);
    PressButton(options, IDC_OPT_OK);
    BoxInfo space = WaitForBoxWithText(
        "K:\\ ドライブの空き容量が足りません。\n今現在のドライブの容量は " + freeMegabytes +
        "Mです。\nインストールするには 約2100Mの容量が必要です。");
    ASSERT_NE(space.window, nullptr);
    EXPECT_EQ(space.caption, "確認");
    Answer(space, IDOK);
    BoxInfo failed = WaitForBoxWithText(kFailedText);
    ASSERT_NE(failed.window, nullptr);
    EXPECT_EQ(failed.owner, dialog_);
    Answer(failed, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(IDC_INSTALL) && Enabled(IDC_EXIT); }));
    EXPECT_FALSE(FileExists("k:\\Selvane"));
    PressButton(dialog_, IDC_EXIT);
    EXPECT_EQ(running_->WaitForExit(), 0u);
}
