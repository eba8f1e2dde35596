#include "app/main_dialog.h"

#include <cstdio>

#include "app/app_texts.h"
#include "app/dialog_layout.h"
#include "app/setup_commands.h"
#include "app/startup.h"
#include "engine/engine_texts.h"
#include "engine/text_rules.h"
#include "res/resource.h"
#include "title/profile.h"

HWND g_mainDialog = nullptr;

namespace {

// The bold font of the two labels, made once and kept until the dialog
// ends: a control may draw with it after WM_CTLCOLORSTATIC returns.
HFONT g_labelFont = nullptr;

constexpr COLORREF kTargetPathBackground = RGB(236, 233, 216);

void EndMainDialog(HWND dialog) {
    EndDialog(dialog, 2);
    PostQuitMessage(0);
}

void SetInstalledButtons(HWND dialog) {
    const bool installed = g_engine.installed != 0;
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), !installed);
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), installed);
    EnableWindow(GetDlgItem(dialog, IDC_PLAY), installed);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), !installed);
}

HFONT LabelFont() {
    if (g_labelFont == nullptr) {
        g_labelFont = CreateFontA(16, 8, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                  FIXED_PITCH, nullptr);
    }
    return g_labelFont;
}

// A static control draws with its own font, selected after it asks for its
// colours, so the labels are also given the bold font as theirs.
void UseBoldLabelFont(HWND dialog) {
    for (int id : {IDC_LABEL_WHITE, IDC_LABEL_BLACK}) {
        HWND label = GetDlgItem(dialog, id);
        if (label != nullptr) {
            SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(LabelFont()), TRUE);
        }
    }
}

BOOL OnInitDialog(HWND dialog) {
    g_mainDialog = dialog;
    char prompt[240];
    snprintf(prompt, sizeof prompt, kPromptFormat, g_profileTitle);
    SetWindowTextA(GetDlgItem(dialog, IDC_PROMPT), prompt);
    char caption[64];
    snprintf(caption, sizeof caption, kCaptionFormat, g_profileTitle);
    SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption));
    CentreOnWorkArea(dialog);
    SetInstalledButtons(dialog);
    ShowInstallPath(dialog);
    UseBoldLabelFont(dialog);
    return TRUE;
}

INT_PTR OnColorStatic(HDC context, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_TARGET_PATH) SetBkColor(context, kTargetPathBackground);
    COLORREF textColour;
    if (id == IDC_LABEL_WHITE) {
        textColour = RGB(255, 255, 255);
    } else if (id == IDC_LABEL_BLACK) {
        textColour = RGB(0, 0, 0);
    } else {
        return 1;
    }
    SelectObject(context, LabelFont());
    SetTextColor(context, textColour);
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

void OnUpdate(HWND dialog) {
    if (g_engine.installed == 0) {
        MessageBoxA(dialog, kNotInstalled, kCaptionConfirm, MB_OK | MB_ICONWARNING);
        return;
    }
    g_engine.RunUpdate();
    EndMainDialog(dialog);
}

BOOL OnCommand(HWND dialog, int command) {
    switch (command) {
        case IDCANCEL:
        case IDC_EXIT:
            // Not while an install runs: its threads use the engine that
            // the end of the program releases (Esc still sends IDCANCEL).
            if (!g_installRunning) EndMainDialog(dialog);
            break;
        case IDC_UPDATE:
            OnUpdate(dialog);
            break;
        case IDC_INSTALL:
            return OnInstallCommand(dialog);
        case IDC_PLAY:
            OnPlayCommand(dialog);
            break;
        case IDC_BROWSE:
            OnBrowseCommand(dialog);
            break;
        case IDC_README:
            OnReadmeCommand();
            break;
        case IDC_UNINSTALL:
            OnUninstallCommand(dialog);
            break;
        case IDC_MANUAL:
            OnManualCommand();
            break;
        default:
            break;
    }
    return TRUE;
}

void OnDestroy() {
    if (g_labelFont != nullptr) {
        DeleteObject(g_labelFont);
        g_labelFont = nullptr;
    }
}

}  // namespace

void ShowInstallPath(HWND dialog) {
    char path[kLongTextBytes];
    JoinPath(path, sizeof path, {g_engine.installBase, g_profileMaker, g_profileFolder});
    SetWindowTextA(GetDlgItem(dialog, IDC_TARGET_PATH), path);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog);
        case WM_CTLCOLORSTATIC:
            return OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return FALSE;
    }
}
