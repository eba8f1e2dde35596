#include "app/startup.h"

#include <commctrl.h>

#include "app/main_dialog.h"
#include "res/resource.h"
#include "title/profile.h"

// Constructed before WinMain; its destructor runs Teardown at exit.
SetupEngine g_engine;
HINSTANCE g_instance = nullptr;
HWND g_mainWindow = nullptr;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool InitInstance(HINSTANCE instance, int showCommand, bool refuseSecond) {
    if (refuseSecond && FindWindowA(g_windowClassName, g_profileTitle) != nullptr) return false;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = g_windowClassName;
    if (RegisterClassA(&windowClass) == 0) return false;

    HWND window = CreateWindowExA(0, g_windowClassName, g_profileTitle, WS_POPUP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    g_mainWindow = window;
    g_instance = instance;
    return true;
}

namespace {

// Polls without waiting, as the dialog has already posted the quit message
// when it ends.
int RunMessageLoop() {
    MSG message;
    for (;;) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) continue;
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int RunProgram(HINSTANCE instance, int showCommand) {
    if (!InitInstance(instance, showCommand, true)) return 0;
    // The setup layout's progress bar is a common control.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    g_installList[0] = g_profileExecutable;
    g_engine.Configure(g_installList, g_updateList, g_volumeLabelList, nullptr, g_profileMaker,
                       g_profileTitle, g_profileFolder,
                       static_cast<uint32_t>(g_requiredMegabytes));
    g_engine.SetProgressCtrl(IDC_PROGRESS);
    g_folderBrowser.Init(g_instance, g_mainWindow);
    INT_PTR ended = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), g_mainWindow,
                                    MainDialogProc, 0);
    // Every way of ending the dialog posts the quit message; a dialog that
    // could not be made posts none, so there is nothing to wait for.
    if (ended == -1 || ended == 0) return 0;
    return RunMessageLoop();
}
