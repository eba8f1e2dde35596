#include "app/options_dialog.h"

#include <cstdio>

#include "app/app_texts.h"
#include "app/dialog_layout.h"
#include "app/startup.h"
#include "res/resource.h"
#include "title/profile.h"

int32_t g_optionsResult = 0;

int32_t OptionMegabytes() {
    int32_t megabytes = g_engine.selected[kPictEntry] == 1 ? 1340 : 140;
    if (g_engine.selected[kTuneEntry] == 1) megabytes += 220;
    if (g_engine.selected[kTalkEntry] == 1) megabytes += 740;
    return megabytes;
}

namespace {

void SetSizeText(HWND dialog, const char* format, int32_t megabytes) {
    char text[64];
    snprintf(text, sizeof text, format, megabytes);
    SetWindowTextA(GetDlgItem(dialog, IDC_OPT_SIZE), text);
}

void TickIfSelected(HWND dialog, int id, int32_t entry) {
    if (g_engine.selected[entry] == 1) {
        SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, BST_CHECKED, 0);
    }
}

BOOL OnInitDialog(HWND dialog) {
    SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kOptionsCaption));
    CentreOnWorkArea(dialog);
    g_optionsResult = 0;
    SendMessageA(GetDlgItem(dialog, IDC_OPT_BASE), BM_SETCHECK, BST_CHECKED, 0);
    TickIfSelected(dialog, IDC_OPT_PICT, kPictEntry);
    TickIfSelected(dialog, IDC_OPT_TUNE, kTuneEntry);
    TickIfSelected(dialog, IDC_OPT_TALK, kTalkEntry);
    return TRUE;
}

void OnArchiveBox(HWND dialog, int id, int32_t entry) {
    const bool ticked = SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    g_engine.selected[entry] = ticked ? 1 : 0;
    const int32_t megabytes = OptionMegabytes();
    g_requiredMegabytes = megabytes;
    g_engine.SetRequiredMegabytes(static_cast<uint32_t>(megabytes));
    SetSizeText(dialog, kMegabytesFormat, megabytes);
}

void OnInstallType(HWND dialog) {
    g_optionsResult = (g_optionsResult - 1) & 1;
    if (g_optionsResult == 1) {
        g_engine.SetCopyRange(2, 0, 9999);
        g_engine.SetRequiredMegabytes(static_cast<uint32_t>(g_type2Megabytes));
        SetSizeText(dialog, kTypeMegabytesFormat, g_type2Megabytes);
    } else {
        g_engine.SetCopyRange(1, 0, kUninstallerEntry);
        g_engine.SetRequiredMegabytes(static_cast<uint32_t>(g_type1Megabytes));
        SetSizeText(dialog, kTypeMegabytesFormat, g_type1Megabytes);
    }
}

BOOL OnCommand(HWND dialog, int command) {
    switch (command) {
        case IDC_OPT_OK:
            EndDialog(dialog, IDC_OPT_OK);
            break;
        case IDC_OPT_CANCEL:
            g_optionsResult = kOptionsCancelled;
            EndDialog(dialog, IDC_OPT_CANCEL);
            break;
        case IDC_OPT_PICT:
            OnArchiveBox(dialog, command, kPictEntry);
            break;
        case IDC_OPT_TUNE:
            OnArchiveBox(dialog, command, kTuneEntry);
            break;
        case IDC_OPT_TALK:
            OnArchiveBox(dialog, command, kTalkEntry);
            break;
        case IDC_OPT_TYPE:
            OnInstallType(dialog);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog);
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        default:
            return FALSE;
    }
}
