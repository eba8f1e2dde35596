#include "tests/support/dialog_fixture.h"

#include <commctrl.h>

#include "app/main_dialog.h"
#include "res/resource.h"

namespace {

std::vector<std::string> g_statusTexts;
WNDPROC g_staticProc = nullptr;

LRESULT CALLBACK RecordStatusText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && lParam != 0) {
        g_statusTexts.push_back(reinterpret_cast<const char*>(lParam));
    }
    return CallWindowProcA(g_staticProc, window, message, wParam, lParam);
}

}  // namespace

OpenDialog::OpenDialog(int templateId) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
                                 MainDialogProc, 0);
    g_statusTexts.clear();
    HWND status = GetDlgItem(window_, IDC_STATUS_FILE);
    if (status != nullptr) {
        g_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordStatusText)));
    }
}

OpenDialog::~OpenDialog() {
    DestroyWindow(window_);
    g_mainDialog = nullptr;
    MSG message;
    PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

const std::vector<std::string>& OpenDialog::StatusTexts() const { return g_statusTexts; }

int OpenDialog::ProgressPosition() const {
    return static_cast<int>(SendMessageA(GetDlgItem(window_, IDC_PROGRESS), PBM_GETPOS, 0, 0));
}
