// The main dialog's procedure on the real templates, opened in-process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/dialog_layout.h"
#include "app/main_dialog.h"
#include "app/startup.h"
#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

constexpr int kSetupLayoutTest = 9105;  // tests/res/dialogs_test.rc

const std::string kPromptBytes =
    "Orchidveil\x81\x40\x82\xf0\n"
    "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";

bool QuitPosted() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

class MainDialogTest : public ::testing::Test {
protected:
    HWND dialog_ = nullptr;

    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        g_engine.installed = 0;
        strcpy(g_engine.installBase, "c:\\Program Files");
        strcpy(g_engine.installDir, "");
    }
    void TearDown() override {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
        QuitPosted();
    }
    HWND Open(int templateId) {
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                     nullptr, MainDialogProc, 0);
        if (dialog_ != nullptr) ShowWindow(dialog_, SW_SHOWNOACTIVATE);
        return dialog_;
    }
    INT_PTR ColorStatic(HDC context, int id) {
        return SendMessageA(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                            reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
    }
};

}  // namespace

TEST(CentredOrigin, CentresOnTheWorkAreaRoundingDown) {
    struct Case { RECT work; int width, height; LONG x, y; };
    const Case cases[] = {
        {{0, 0, 1024, 738}, 300, 100, 362, 319},
        {{0, 0, 1024, 738}, 301, 101, 361, 318},    // odd remainders round down
        {{100, 50, 900, 650}, 200, 100, 400, 300},  // a work area that does not start at 0
        {{0, 0, 640, 480}, 700, 500, -30, -10},     // larger than the work area
        {{0, 0, 640, 480}, 641, 481, -1, -1},       // -0.5 rounds towards minus infinity
    };
    for (const Case& c : cases) {
        POINT origin = CentredOrigin(c.work, c.width, c.height);
        EXPECT_EQ(origin.x, c.x) << c.width;
        EXPECT_EQ(origin.y, c.y) << c.height;
    }
}

TEST_F(MainDialogTest, UpdateLayoutAsksAboutTheTitleCentred) {
    ASSERT_NE(Open(IDD_MAIN), nullptr);
    EXPECT_EQ(g_mainDialog, dialog_);
    EXPECT_EQ(ControlText(dialog_, IDC_PROMPT), kPromptBytes);
    EXPECT_EQ(WindowText(dialog_), "Orchidveil Updata");
    RECT work, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog_, &frame);
    POINT expected = CentredOrigin(work, frame.right - frame.left, frame.bottom - frame.top);
    EXPECT_EQ(frame.left, expected.x);
    EXPECT_EQ(frame.top, expected.y);
}

TEST_F(MainDialogTest, SetupLayoutButtonsFollowTheInstalledState) {
    struct Case { int installed; bool install, uninstall, play, browse; };
    const Case cases[] = {{0, true, false, false, true}, {1, false, true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed);
        g_engine.installed = c.installed;
        ASSERT_NE(Open(kSetupLayoutTest), nullptr);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog_, IDC_INSTALL)) != FALSE, c.install);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog_, IDC_UNINSTALL)) != FALSE, c.uninstall);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog_, IDC_PLAY)) != FALSE, c.play);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog_, IDC_BROWSE)) != FALSE, c.browse);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(MainDialogTest, InstallPathLabelComesFromTheBaseFolder) {
    strcpy(g_engine.installDir, "d:\\Elsewhere\\Selvane\\Orchidveil");  // not used
    ASSERT_NE(Open(kSetupLayoutTest), nullptr);
    EXPECT_EQ(ControlText(dialog_, IDC_TARGET_PATH), "c:\\Program Files\\Selvane\\Orchidveil");
    DestroyWindow(dialog_);
    strcpy(g_engine.installBase, "d:");
    ASSERT_NE(Open(kSetupLayoutTest), nullptr);
    EXPECT_EQ(ControlText(dialog_, IDC_TARGET_PATH), "d:\\Selvane\\Orchidveil");
}

TEST_F(MainDialogTest, StaticColoursAndTheBoldLabelFont) {
    ASSERT_NE(Open(kSetupLayoutTest), nullptr);
    HDC context = GetDC(dialog_);
    SetBkColor(context, RGB(1, 2, 3));
    EXPECT_EQ(ColorStatic(context, IDC_TARGET_PATH), 1);
    EXPECT_EQ(GetBkColor(context), static_cast<COLORREF>(0x00D8E9EC));
    EXPECT_EQ(ColorStatic(context, IDC_STATUS_FILE), 1);

    const INT_PTR nullBrush = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    struct Case { int id; COLORREF text; };
    for (const Case& c : {Case{IDC_LABEL_WHITE, RGB(255, 255, 255)}, Case{IDC_LABEL_BLACK, 0}}) {
        SetTextColor(context, RGB(9, 9, 9));
        EXPECT_EQ(ColorStatic(context, c.id), nullBrush) << c.id;
        EXPECT_EQ(GetTextColor(context), c.text) << c.id;
        EXPECT_EQ(GetBkMode(context), TRANSPARENT) << c.id;
    }
    HFONT font = static_cast<HFONT>(GetCurrentObject(context, OBJ_FONT));
    LOGFONTA details = {};
    ASSERT_EQ(GetObjectA(font, sizeof details, &details), static_cast<int>(sizeof details));
    EXPECT_EQ(details.lfHeight, 16);
    EXPECT_EQ(details.lfWidth, 8);
    EXPECT_EQ(details.lfWeight, FW_BOLD);
    EXPECT_EQ(details.lfCharSet, SHIFTJIS_CHARSET);
    ReleaseDC(dialog_, context);

    // The labels draw with it as their own font as well.
    for (int id : {IDC_LABEL_WHITE, IDC_LABEL_BLACK}) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(dialog_, id), WM_GETFONT, 0, 0)),
                  font) << id;
    }
    // The font stays valid while the dialog lives and goes with it.
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    EXPECT_EQ(GetObjectType(font), 0u);
}

TEST_F(MainDialogTest, PromptIsNotGivenABrush) {
    ASSERT_NE(Open(IDD_MAIN), nullptr);
    HDC context = GetDC(dialog_);
    EXPECT_EQ(ColorStatic(context, IDC_PROMPT), 1);
    ReleaseDC(dialog_, context);
}

TEST_F(MainDialogTest, UpdateWithoutAnInstallationWarnsAndStays) {
    ASSERT_NE(Open(IDD_MAIN), nullptr);
    MessageBoxCatcher catcher;
    EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, IDC_UPDATE, 0), TRUE);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    const BoxInfo& box = catcher.Boxes()[0];
    EXPECT_EQ(box.caption, "確認");
    EXPECT_EQ(box.text,
              "インストールがされてませんでした。\nインストールを行ってからアップデートしてください。");
    EXPECT_EQ(box.owner, dialog_);
    EXPECT_TRUE(box.warningIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_FALSE(QuitPosted());
}

TEST_F(MainDialogTest, CancelAndExitEndTheDialogAndPostQuit) {
    for (int command : {IDCANCEL, IDC_EXIT}) {
        SCOPED_TRACE(command);
        ASSERT_NE(Open(IDD_MAIN), nullptr);
        EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, command, 0), TRUE);
        EXPECT_FALSE(IsWindowVisible(dialog_));
        MSG message;
        ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(message.wParam, 0u);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(MainDialogTest, OtherCommandsAreTakenAndOtherMessagesAreNot) {
    ASSERT_NE(Open(IDD_MAIN), nullptr);
    EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, 4242, 0), TRUE);
    EXPECT_EQ(MainDialogProc(dialog_, WM_TIMER, 1, 0), FALSE);
    EXPECT_FALSE(QuitPosted());
}
