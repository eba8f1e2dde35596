// Driving real windows: finding a process's dialogs and message boxes,
// reading their controls, pressing their buttons, and catching message
// boxes shown on the test's own thread.
#ifndef TOOLS_UI_DRIVER_H
#define TOOLS_UI_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool IsDialogWindow(HWND window);  // class #32770

// A message box's parts, read from its window.
struct BoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool hasIcon = false;
    // Which system icon it shows. Only a box of the test's own process can
    // tell: icon handles are the process's own.
    bool warningIcon = false;
    bool questionIcon = false;
    std::vector<int> buttons;  // ids of its push buttons
};
bool IsMessageBox(HWND window);
BoxInfo ReadMessageBox(HWND box);

// Top-level dialog windows (message boxes included) of a process, newest
// first as the system lists them.
std::vector<HWND> ProcessDialogs(DWORD processId);
// Waits up to timeoutMs for a visible top-level dialog of the process that
// the test accepts; null when none came.
HWND WaitForDialog(DWORD processId, const std::function<bool(HWND)>& accept,
                   DWORD timeoutMs = 20000);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 20000);

// Presses a button the way a click does, without waiting for what the click
// starts (it may open a modal box).
void PressButton(HWND dialog, int id);
// Closes a message box with the given answer (IDOK, IDYES, IDNO, ...).
void AnswerBox(HWND box, int answer);

// A program started for a test; killed on destruction if still running.
class RunningProgram {
public:
    RunningProgram(const std::string& path, const std::string& folder);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    bool Started() const { return process_.hProcess != nullptr; }
    DWORD Id() const { return process_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = 20000);

private:
    PROCESS_INFORMATION process_ = {};
};

// Catches every message box shown on the calling thread while alive (a
// thread-local WH_CBT hook), records it, and answers it.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(int answer = IDOK);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    // Answers for the next boxes, in order; after them the default answer.
    void QueueAnswers(std::vector<int> answers);
    const std::vector<BoxInfo>& Boxes() const;
};

#endif
