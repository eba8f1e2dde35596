// The install options dialog on its real template, opened in-process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/options_dialog.h"
#include "app/setup_commands.h"
#include "app/startup.h"
#include "res/resource.h"
#include "title/profile.h"
#include "tools/ui_driver.h"

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    HWND dialog_ = nullptr;

    void SetUp() override {
        for (auto& entry : g_engine.selected) entry = 1;
        g_engine.SetCopyRange(0, 0, 9999);
        g_engine.SetRequiredMegabytes(2100);
        g_requiredMegabytes = 2100;
        g_optionsResult = 42;
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
    }
    HWND Open() {
        if (dialog_) DestroyWindow(dialog_);
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS),
                                     nullptr, OptionsDialogProc, 0);
        return dialog_;
    }
    bool Ticked(int id) {
        return SendMessageA(GetDlgItem(dialog_, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // A real click: the box toggles itself and tells the dialog.
    void Click(int id) { SendMessageA(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }
    std::string SizeText() { return ControlText(dialog_, IDC_OPT_SIZE); }
};

}  // namespace

TEST(OptionMegabytes, AddsTheTickedArchives) {
    struct Case { unsigned char pict, talk, tune; int32_t megabytes; };
    const Case cases[] = {
        {0, 0, 0, 140}, {1, 0, 0, 1340}, {0, 1, 0, 880}, {0, 0, 1, 360},
        {1, 1, 1, 2300}, {2, 2, 2, 140},  // only exactly 1 counts
    };
    for (const Case& c : cases) {
        g_engine.selected[kPictEntry] = c.pict;
        g_engine.selected[kTalkEntry] = c.talk;
        g_engine.selected[kTuneEntry] = c.tune;
        EXPECT_EQ(OptionMegabytes(), c.megabytes);
    }
}

TEST_F(OptionsDialogTest, OpensWithTheEngineChoicesAndChangesNothing) {
    g_engine.selected[kTuneEntry] = 0;
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(WindowText(dialog_), "インストールする項目の選択");
    EXPECT_EQ(g_optionsResult, 0);
    EXPECT_TRUE(Ticked(IDC_OPT_BASE));
    EXPECT_TRUE(Ticked(IDC_OPT_PICT));
    EXPECT_FALSE(Ticked(IDC_OPT_TUNE));
    EXPECT_TRUE(Ticked(IDC_OPT_TALK));
    EXPECT_EQ(SizeText(), "");  // set only by the commands
    EXPECT_EQ(g_engine.requiredMegabytes, 2100u);
    EXPECT_EQ(g_engine.endIndex, 9999);
}

TEST_F(OptionsDialogTest, EachBoxWritesItsEntryAndTheSpace) {
    ASSERT_NE(Open(), nullptr);
    Click(IDC_OPT_PICT);
    EXPECT_EQ(g_engine.selected[kPictEntry], 0);
    EXPECT_EQ(SizeText(), "1100M");
    EXPECT_EQ(g_engine.requiredMegabytes, 1100u);
    EXPECT_EQ(g_requiredMegabytes, 1100);
    Click(IDC_OPT_TUNE);
    EXPECT_EQ(g_engine.selected[kTuneEntry], 0);
    EXPECT_EQ(SizeText(), "880M");
    Click(IDC_OPT_TALK);
    EXPECT_EQ(g_engine.selected[kTalkEntry], 0);
    EXPECT_EQ(SizeText(), "140M");
    EXPECT_EQ(g_engine.requiredMegabytes, 140u);
    Click(IDC_OPT_PICT);
    Click(IDC_OPT_TUNE);
    Click(IDC_OPT_TALK);
    EXPECT_EQ(SizeText(), "2300M");
    EXPECT_EQ(g_engine.requiredMegabytes, 2300u);
    EXPECT_EQ(g_engine.endIndex, 9999);  // boxes leave the copy range alone
    EXPECT_EQ(g_engine.installType, 0);
}

TEST_F(OptionsDialogTest, TheTypeToggleSwitchesRangeAndSpace) {
    ASSERT_NE(Open(), nullptr);
    g_type1Megabytes = 1500;
    g_type2Megabytes = 2100;
    Click(IDC_OPT_TYPE);
    EXPECT_EQ(g_optionsResult, 1);
    EXPECT_EQ(g_engine.installType, 2);
    EXPECT_EQ(g_engine.firstIndex, 0);
    EXPECT_EQ(g_engine.endIndex, 9999);
    EXPECT_EQ(g_engine.requiredMegabytes, 2100u);
    EXPECT_EQ(SizeText(), "2100M byte");
    Click(IDC_OPT_TYPE);
    EXPECT_EQ(g_optionsResult, 0);
    EXPECT_EQ(g_engine.installType, 1);
    EXPECT_EQ(g_engine.endIndex, 11);
    EXPECT_EQ(g_engine.requiredMegabytes, 1500u);
    EXPECT_EQ(SizeText(), "1500M byte");
    Click(IDC_OPT_TYPE);
    EXPECT_EQ(g_optionsResult, 1);
    EXPECT_EQ(g_requiredMegabytes, 2100);  // the toggle leaves the profile figure alone
    g_type1Megabytes = 2100;
}

TEST_F(OptionsDialogTest, TheLastCommandDecidesTheRequiredSpace) {
    ASSERT_NE(Open(), nullptr);
    Click(IDC_OPT_TYPE);
    Click(IDC_OPT_TALK);  // a box after the toggle: the archives' figure
    EXPECT_EQ(g_engine.requiredMegabytes, 1560u);
    EXPECT_EQ(g_engine.installType, 2);
    Click(IDC_OPT_TYPE);  // the toggle after a box: the type's figure
    EXPECT_EQ(g_engine.requiredMegabytes, static_cast<uint32_t>(g_type1Megabytes));
    EXPECT_EQ(g_engine.selected[kTalkEntry], 0);
}

TEST_F(OptionsDialogTest, CancelKeepsTheChangesAndSays99) {
    ASSERT_NE(Open(), nullptr);
    Click(IDC_OPT_PICT);
    Click(IDC_OPT_TYPE);
    Click(IDC_OPT_CANCEL);
    EXPECT_EQ(g_optionsResult, kOptionsCancelled);
    EXPECT_EQ(g_engine.selected[kPictEntry], 0);
    EXPECT_EQ(g_engine.installType, 2);
    EXPECT_EQ(g_engine.requiredMegabytes, 2100u);
    EXPECT_EQ(g_requiredMegabytes, 1100);
    // The next start shows the boxes as they were left.
    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(Ticked(IDC_OPT_PICT));
    EXPECT_TRUE(Ticked(IDC_OPT_TALK));
}

TEST_F(OptionsDialogTest, TheBaseBoxIsTickedAtEveryStartAndNeverRead) {
    ASSERT_NE(Open(), nullptr);
    Click(IDC_OPT_BASE);
    EXPECT_FALSE(Ticked(IDC_OPT_BASE));
    EXPECT_EQ(g_engine.requiredMegabytes, 2100u);
    EXPECT_EQ(SizeText(), "");
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(Ticked(IDC_OPT_BASE));
}

TEST_F(OptionsDialogTest, OkEndsWithTheCurrentType) {
    ASSERT_NE(Open(), nullptr);
    Click(IDC_OPT_TYPE);
    EXPECT_EQ(OptionsDialogProc(dialog_, WM_COMMAND, IDC_OPT_OK, 0), TRUE);
    EXPECT_EQ(g_optionsResult, 1);
    EXPECT_EQ(OptionsDialogProc(dialog_, WM_TIMER, 0, 0), FALSE);
}

TEST(ManualPath, SitsBesideTheSourceFolder) {
    struct Case { const char* source; const char* manual; };
    const Case cases[] = {
        {"e:\\Orchidveil", "e:\\manual\\manual.html"},
        {"d:\\update\\Orchidveil", "d:\\update\\manual\\manual.html"},
        {"Orchidveil", "Orchidveil\\manual\\manual.html"},  // no backslash: used whole
    };
    for (const Case& c : cases) {
        char path[1024];
        ASSERT_TRUE(ManualPath(c.source, path, sizeof path)) << c.source;
        EXPECT_STREQ(path, c.manual);
    }
    char small[16];
    EXPECT_FALSE(ManualPath("e:\\Orchidveil", small, sizeof small));
}
