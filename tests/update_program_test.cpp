// update.exe end to end: the real x86_64 program started as a process in
// the test prefix and driven from this one, judged by its windows, its
// boxes, the files it leaves and its exit code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_env.h"
#include "tools/ui_driver.h"

namespace {

// The texts the program must show, as code page 932 bytes.
const std::string kPromptBytes =
    "Orchidveil\x81\x40\x82\xf0\n"
    "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";
const std::string kCaptionBytes = "Orchidveil Updata";
const std::string kNotInstalledText =
    "インストールがされてませんでした。\nインストールを行ってからアップデートしてください。";
const std::string kCompletedText = "アップデートが完了しました。";
const std::string kFailedText =
    "アップデートが正常に行われませんでした。\nもう一度ご確認の上、アップデートを行ってください。";

bool SameTime(FILETIME a, FILETIME b) {
    return CompareFileTime(&a, &b) == 0;
}

class UpdateProgramTest : public ::testing::Test {
protected:
    RecordKeyGuard guard_;
    ScratchDir dir_;
    std::string program_ = dir_ / "update.exe";
    std::string updates_ = dir_ / "Orchidveil";
    std::string installed_ = dir_ / "installed";

    void SetUp() override {
        ASSERT_TRUE(CopyFileA(BesideThisProgram("update.exe").c_str(), program_.c_str(), FALSE));
        MakeFolder(updates_);
        MakeFolder(installed_);
    }

    void WriteRecord() {
        PutRecordText("Dir", installed_);
        PutRecordText("CD", "e:\\Orchidveil");
        PutRecordNumber("InstType", 2);
    }

    // An installed copy with old bytes and an old time.
    void Installed(const std::string& name, size_t bytes, bool readOnly = false) {
        MakeFile(installed_ + "\\" + name, bytes, 100);
        SetLastWriteTime(installed_ + "\\" + name, FileTimeFromUnix(1000000000));
        if (readOnly) SetFileAttributesA((installed_ + "\\" + name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    // A replacement beside the program, with its own bytes and time.
    void Replacement(const std::string& name, size_t bytes, unsigned seed) {
        MakeFile(updates_ + "\\" + name, bytes, seed);
        SetLastWriteTime(updates_ + "\\" + name, FileTimeFromUnix(1500000000 + seed));
    }
    void ExpectUpdated(const std::string& name) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(installed_ + "\\" + name), ReadBytes(updates_ + "\\" + name));
        EXPECT_TRUE(SameTime(LastWriteTime(installed_ + "\\" + name),
                             LastWriteTime(updates_ + "\\" + name)));
        EXPECT_EQ(GetFileAttributesA((installed_ + "\\" + name).c_str()) & FILE_ATTRIBUTE_READONLY,
                  0u);
    }
    void ExpectUntouched(const std::string& name, size_t bytes) {
        SCOPED_TRACE(name);
        const std::string old = PatternBytes(bytes, 100);
        EXPECT_EQ(ReadBytes(installed_ + "\\" + name), std::vector<char>(old.begin(), old.end()));
        EXPECT_TRUE(SameTime(LastWriteTime(installed_ + "\\" + name), FileTimeFromUnix(1000000000)));
    }

    // Presses Update in the program's dialog and reads the box that follows.
    static void PressUpdate(const RunningProgram& program, BoxInfo* info) {
        HWND dialog = WaitForMainDialog(program);
        ASSERT_NE(dialog, nullptr);
        PressButton(dialog, 1008);
        HWND box = WaitForMessageBox(program.Id());
        ASSERT_NE(box, nullptr);
        *info = ReadMessageBox(box);
    }

    static HWND WaitForMainDialog(const RunningProgram& program) {
        return WaitForDialog(program.Id(), [](HWND window) {
            return !IsMessageBox(window) && WindowText(window) == kCaptionBytes;
        });
    }
};

}  // namespace

TEST_F(UpdateProgramTest, NotInstalledWarnsAndCopiesNothing) {
    Installed("pict.pac", 3000);
    Replacement("pict.pac", 5000, 1);
    RunningProgram program(program_, dir_.Path());
    ASSERT_TRUE(program.Started());
    HWND dialog = WaitForMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, 1009), kPromptBytes);
    EXPECT_EQ(ControlText(dialog, 1008), "アップデート");
    EXPECT_EQ(ControlText(dialog, 2), "ｷｬﾝｾﾙ");

    for (int press = 0; press < 2; ++press) {  // the same answer every time
        PressButton(dialog, 1008);
        HWND box = WaitForMessageBox(program.Id());
        ASSERT_NE(box, nullptr);
        BoxInfo info = ReadMessageBox(box);
        EXPECT_EQ(info.caption, "確認");
        EXPECT_EQ(info.text, kNotInstalledText);
        EXPECT_EQ(info.owner, dialog);
        EXPECT_TRUE(info.hasIcon);
        EXPECT_EQ(info.buttons, std::vector<int>{IDOK});
        AnswerBox(box, IDOK);
        for (int wait = 0; wait < 200 && IsWindow(box); ++wait) Sleep(10);
        EXPECT_TRUE(IsWindowVisible(dialog));  // the dialog stays
    }
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0u);
    ExpectUntouched("pict.pac", 3000);
}

TEST_F(UpdateProgramTest, InstalledTitleIsUpdatedFromBothLists) {
    WriteRecord();
    Installed("Orchidveil.exe", 4000);
    Installed("pict.pac", 200000);
    Installed("talk.pac", 1000, /*readOnly=*/true);
    Installed("readme.txt", 50, /*readOnly=*/true);  // no replacement for it
    Installed("pict_2.pac", 70000);
    Replacement("pict.pac", 150000, 1);
    Replacement("talk.pac", 66000, 2);
    Replacement("pict_2.pac", 131072, 3);  // in both lists
    Replacement("book_3.pac", 10, 4);      // only in the update list, new
    Replacement("Orchidveil.exe", 0, 5);

    RunningProgram program(program_, dir_.Path());
    BoxInfo info;
    ASSERT_NO_FATAL_FAILURE(PressUpdate(program, &info));
    EXPECT_EQ(info.caption, "終了");
    EXPECT_EQ(info.text, kCompletedText);
    EXPECT_EQ(info.owner, nullptr);  // the engine's boxes have no owner
    EXPECT_TRUE(info.hasIcon);
    AnswerBox(info.window, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0u);

    for (const char* name : {"Orchidveil.exe", "pict.pac", "talk.pac", "pict_2.pac", "book_3.pac"}) {
        ExpectUpdated(name);
    }
    EXPECT_EQ(ReadBytes(installed_ + "\\readme.txt").size(), 50u);
    EXPECT_EQ(GetFileAttributesA((installed_ + "\\readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(FileExists(installed_ + "\\book_4.pac"));
}

TEST_F(UpdateProgramTest, AnUpdateThatStopsEarlyWarnsInsteadOfCompleting) {
    WriteRecord();
    Installed("pict.pac", 1000);
    Replacement("pict.pac", 2000, 1);
    MakeFolder(updates_ + "\\movie");
    Replacement("movie\\movie01.mpg", 3000, 2);  // no movie folder is installed
    Replacement("book_3.pac", 10, 3);            // after the stop: not reached

    RunningProgram program(program_, dir_.Path());
    BoxInfo info;
    ASSERT_NO_FATAL_FAILURE(PressUpdate(program, &info));
    EXPECT_EQ(info.caption, "確認");
    EXPECT_EQ(info.text, kFailedText);
    EXPECT_EQ(info.owner, nullptr);
    EXPECT_TRUE(info.hasIcon);
    AnswerBox(info.window, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0u);  // no completion box came after it
    ExpectUpdated("pict.pac");
    EXPECT_FALSE(FileExists(installed_ + "\\book_3.pac"));
}

TEST_F(UpdateProgramTest, ASecondInstanceEndsAtOnce) {
    RunningProgram first(program_, dir_.Path());
    HWND dialog = WaitForMainDialog(first);
    ASSERT_NE(dialog, nullptr);
    RunningProgram second(program_, dir_.Path());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_EQ(first.WaitForExit(0), STILL_ACTIVE);
    EXPECT_EQ(ProcessDialogs(first.Id()).size(), 1u);
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(first.WaitForExit(), 0u);
}
