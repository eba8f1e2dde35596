#include "app/setup_commands.h"

#include <cstring>

#include "app/app_texts.h"
#include "app/main_dialog.h"
#include "app/options_dialog.h"
#include "app/startup.h"
#include "engine/engine_texts.h"
#include "engine/text_rules.h"
#include "res/resource.h"

HANDLE g_workerThread = nullptr;
DWORD g_workerThreadId = 0;
std::atomic<bool> g_installRunning{false};

namespace {

void Enable(HWND dialog, std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) EnableWindow(GetDlgItem(dialog, id), enabled);
}

}  // namespace

DWORD WINAPI InstallWorker(void*) {
    HWND dialog = g_mainDialog;
    // IDC_INSTALL stays enabled as the abort button. Ending the program is
    // not offered while the engine's threads run.
    Enable(dialog, {IDC_UNINSTALL, IDC_PLAY, IDC_README, IDC_MANUAL, IDCANCEL, IDC_BROWSE, IDC_EXIT},
           false);
    if (g_engine.RunInstall()) {
        Enable(dialog, {IDC_INSTALL}, false);
        Enable(dialog, {IDC_UNINSTALL, IDC_PLAY, IDC_README, IDC_MANUAL, IDCANCEL, IDC_EXIT}, true);
    } else {
        MessageBoxA(dialog, kInstallFailed, kCaptionConfirm, MB_OK | MB_ICONWARNING);
        Enable(dialog, {IDC_INSTALL, IDC_README, IDC_MANUAL, IDCANCEL, IDC_BROWSE, IDC_EXIT}, true);
    }
    SetWindowTextA(GetDlgItem(dialog, IDC_INSTALL), kInstallCaption);
    g_installRunning = false;
    ExitThread(0);
}

BOOL OnInstallCommand(HWND dialog) {
    if (g_engine.IsBusy()) {
        g_engine.cancelState = kCancelRequested;
        EnableWindow(GetDlgItem(dialog, IDC_INSTALL), FALSE);
        return TRUE;
    }
    // An install is under way but no copy runs (its questions, the record,
    // the shortcuts): there is nothing to abort and no second install.
    if (g_installRunning) return TRUE;

    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_OPTIONS), g_mainDialog, OptionsDialogProc, 0);
    if (g_optionsResult == kOptionsCancelled) return TRUE;

    g_installRunning = true;
    g_workerThread = CreateThread(nullptr, 0, InstallWorker, nullptr, 0, &g_workerThreadId);
    if (g_workerThread == nullptr) {
        g_workerThreadId = 0;
        g_installRunning = false;
        return FALSE;
    }
    SetWindowTextA(GetDlgItem(dialog, IDC_INSTALL), kAbortCaption);
    return TRUE;
}

void OnPlayCommand(HWND dialog) {
    if (g_engine.LaunchTitle()) {
        EndDialog(dialog, 2);
        PostQuitMessage(0);
    }
}

void OnBrowseCommand(HWND dialog) {
    g_folderBrowser.Browse(g_engine.installBase, sizeof g_engine.installBase, 0, 0);
    // A drive root ("D:\") is kept without its backslash, so the install
    // path joins as "D:\Selvane\...".
    if (strlen(g_engine.installBase) == 3) g_engine.installBase[2] = '\0';
    ShowInstallPath(dialog);
}

void OnReadmeCommand() { g_engine.OpenReadme(); }

void OnUninstallCommand(HWND dialog) {
    if (!g_engine.RunUninstall()) return;
    g_engine.SetCopyRange(0, 0, 9999);
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_PLAY), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), TRUE);
}

bool ManualPath(const char* sourceDir, char* path, size_t pathBytes) {
    char folder[kLongTextBytes];
    if (!CopyText(folder, sizeof folder, sourceDir)) return false;
    CutAtLastBackslash(folder);  // a folder without one is used whole
    return JoinPath(path, pathBytes, {folder}, kManualPath);
}

void OnManualCommand() {
    char sourceDir[kLongTextBytes];
    g_engine.GetSourceDir(sourceDir, sizeof sourceDir);
    char path[kLongTextBytes];
    if (ManualPath(sourceDir, path, sizeof path)) LaunchFile(path, "");
}
