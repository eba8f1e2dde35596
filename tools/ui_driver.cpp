#include "tools/ui_driver.h"

#include <deque>

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

// The box's icon: the static control drawn as an icon (its id differs
// between Windows and Wine).
HWND IconControl(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(name, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

}  // namespace

std::string WindowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool IsDialogWindow(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

bool IsMessageBox(HWND window) {
    return IsDialogWindow(window) && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

BoxInfo ReadMessageBox(HWND box) {
    BoxInfo info;
    info.window = box;
    info.caption = WindowText(box);
    info.text = ControlText(box, kMessageBoxTextId);
    info.owner = GetWindow(box, GW_OWNER);
    HWND iconControl = IconControl(box);
    if (iconControl != nullptr) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0));
        info.hasIcon = icon != nullptr && (GetWindowLongA(iconControl, GWL_STYLE) & WS_VISIBLE);
        info.warningIcon = icon == LoadIconA(nullptr, IDI_WARNING);
        info.questionIcon = icon == LoadIconA(nullptr, IDI_QUESTION);
    }
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        // The box may not be shown yet (a hook sees it before it is), so
        // a button's own visible style counts, not the parent's state.
        if (lstrcmpiA(name, "Button") == 0 && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) {
            info.buttons.push_back(GetDlgCtrlID(child));
        }
    }
    return info;
}

namespace {

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsDialogWindow(window) && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> ProcessDialogs(DWORD processId) {
    DialogSearch search{processId, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD processId, const std::function<bool(HWND)>& accept, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        for (HWND window : ProcessDialogs(processId)) {
            if (accept(window)) return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    return WaitForDialog(processId, IsMessageBox, timeoutMs);
}

void PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(button, BM_CLICK, 0, 0);
}

void AnswerBox(HWND box, int answer) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

RunningProgram::RunningProgram(const std::string& path, const std::string& folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + path + "\"";
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process_)) {
        process_ = {};
    }
}

RunningProgram::~RunningProgram() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

// ---- boxes on the test's own thread ------------------------------------------

namespace {

HHOOK g_catcherHook = nullptr;
int g_defaultAnswer = IDOK;
std::deque<int> g_queuedAnswers;
std::vector<BoxInfo> g_caughtBoxes;

LRESULT CALLBACK CatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) {
            g_caughtBoxes.push_back(ReadMessageBox(window));
            int answer = g_defaultAnswer;
            if (!g_queuedAnswers.empty()) {
                answer = g_queuedAnswers.front();
                g_queuedAnswers.pop_front();
            }
            AnswerBox(window, answer);
        }
    }
    return CallNextHookEx(g_catcherHook, code, wParam, lParam);
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher(int answer) {
    g_defaultAnswer = answer;
    g_queuedAnswers.clear();
    g_caughtBoxes.clear();
    g_catcherHook = SetWindowsHookExA(WH_CBT, CatchBoxes, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    UnhookWindowsHookEx(g_catcherHook);
    g_catcherHook = nullptr;
}

void MessageBoxCatcher::QueueAnswers(std::vector<int> answers) {
    g_queuedAnswers.assign(answers.begin(), answers.end());
}

const std::vector<BoxInfo>& MessageBoxCatcher::Boxes() const { return g_caughtBoxes; }
