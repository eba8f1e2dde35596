// Plays the player's part for update.exe and setup.exe when nobody can
// click: starts the program, waits for its dialog, presses its buttons,
// reads and answers the boxes it shows and waits for the program to end.
//
//   demo_driver PROGRAM              update.exe: run the update and report
//                                    each step
//   demo_driver --hold FILE PROGRAM  update.exe: show the dialog only: print
//                                    its screen rectangle, wait until FILE
//                                    exists, then press ｷｬﾝｾﾙ (for a
//                                    screenshot)
//   demo_driver --setup PROGRAM      setup.exe: press インストール, OK in
//                                    the options dialog, Yes to the new
//                                    folder, OK on the box that ends the
//                                    install, then キャンセル
//   demo_driver --setup --shots FOLDER NAME PROGRAM
//                                    the same, holding twice for a
//                                    screenshot: at the options dialog
//                                    ("rect options X Y W H"), and while the
//                                    status line names the file NAME and
//                                    the bar is part-way ("rect copying X Y
//                                    W H"); each
//                                    time it waits until FOLDER\options.done
//                                    or FOLDER\copying.done exists
//
// Everything it prints is UTF-8, one line a step, for the demo script.
// Exit code 0 when the program did what a player expects of it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

constexpr int kUpdateButton = 1008;
constexpr int kPromptText = 1009;
constexpr DWORD kWindowTimeoutMs = 120000;  // a fresh prefix starts slowly

const std::string kCaption = "Orchidveil Updata";
const std::string kCompletedCaption = "終了";

// Code page 932 text of the windows, as UTF-8 for the terminal; line breaks
// become " / " so that every step stays on one line.
std::string Utf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &text[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &out[0], bytes, nullptr, nullptr);
    std::string flat;
    for (char c : out) {
        if (c == '\r') continue;
        if (c == '\n') {
            flat += " / ";
        } else {
            flat += c;
        }
    }
    return flat;
}

void Say(const std::string& line) {
    std::string text = "driver: " + line + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

std::string Folder(const std::string& path) {
    size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? "." : path.substr(0, cut);
}

HWND WaitForMainDialog(const RunningProgram& program) {
    return WaitForDialog(
        program.Id(),
        [](HWND window) { return !IsMessageBox(window) && WindowText(window) == kCaption; },
        kWindowTimeoutMs);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

int Finish(RunningProgram& program, const std::string& name) {
    DWORD code = program.WaitForExit(kWindowTimeoutMs);
    if (code == STILL_ACTIVE) {
        Say(name + " did not end");
        return 1;
    }
    Say(name + " ended with exit code " + std::to_string(code));
    return code == 0 ? 0 : 1;
}

// Shows a window as the player sees it, the active window and fully drawn,
// and tells where it is on the screen: "rect NAME X Y W H" (NAME left out
// when empty).
void ReportPlace(HWND window, const std::string& name) {
    for (int tries = 0; tries < 50 && GetForegroundWindow() != window; ++tries) {
        SetForegroundWindow(window);
        Sleep(100);
    }
    if (GetForegroundWindow() != window) Say("the window is not the active window");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame = {};
    GetWindowRect(window, &frame);
    Say("rect " + (name.empty() ? std::string() : name + " ") + std::to_string(frame.left) + " " +
        std::to_string(frame.top) + " " + std::to_string(frame.right - frame.left) + " " +
        std::to_string(frame.bottom - frame.top));
}

int RunUpdate(const std::string& path, const std::string& holdFile) {
    RunningProgram program(path, Folder(path));
    if (!program.Started()) {
        Say("could not start " + path + " (error " + std::to_string(GetLastError()) + ")");
        return 1;
    }
    HWND dialog = WaitForMainDialog(program);
    if (dialog == nullptr) {
        Say("no \"" + kCaption + "\" dialog appeared");
        return 1;
    }
    Say("dialog \"" + Utf8(WindowText(dialog)) + "\": " + Utf8(ControlText(dialog, kPromptText)) +
        " [" + Utf8(ControlText(dialog, kUpdateButton)) + "] [" +
        Utf8(ControlText(dialog, IDCANCEL)) + "]");

    if (!holdFile.empty()) {
        ReportPlace(dialog, "");
        if (!WaitForFile(holdFile, 120000)) Say("gave up waiting for " + holdFile);
        PressButton(dialog, IDCANCEL);
        Say("pressed [" + Utf8(ControlText(dialog, IDCANCEL)) + "]");
        return Finish(program, "update.exe");
    }

    PressButton(dialog, kUpdateButton);
    Say("pressed [" + Utf8(ControlText(dialog, kUpdateButton)) + "]");
    HWND box = WaitForMessageBox(program.Id(), kWindowTimeoutMs);
    if (box == nullptr) {
        Say("no message box appeared");
        return 1;
    }
    BoxInfo info = ReadMessageBox(box);
    Say("message box \"" + Utf8(info.caption) + "\": " + Utf8(info.text));
    AnswerBox(box, IDOK);
    Say("pressed [OK]");
    int result = Finish(program, "update.exe");
    if (info.caption != kCompletedCaption) {
        Say("the update did not complete");
        return 1;
    }
    return result;
}

// ---- setup.exe ---------------------------------------------------------------

constexpr DWORD kCopyTimeoutMs = 600000;  // gigabytes on a slow disk
constexpr LRESULT kBarRange = 1000;
// The copy picture: the bar at least this far, so it shows part-way.
constexpr LRESULT kShotBarFrom = 300;

const std::string kInstallCompletedText = "インストールが完了しました。";
const std::string kAbortCaption = "中断";

// Where the screenshots are taken, or nothing to hold for.
struct Shots {
    std::string folder;    // FOLDER\NAME.done says a picture is taken
    std::string bigFile;   // the install list's name of the file to catch
};

LRESULT BarPosition(HWND dialog) {
    return SendMessageA(GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0);
}

// The file the status line names while a copy runs: its text up to the
// blank before the spinner; empty for any other text.
std::string CopiedFile(HWND dialog) {
    std::string line = ControlText(dialog, IDC_STATUS_FILE);
    size_t blank = line.rfind(' ');
    if (blank == std::string::npos || blank == 0) return std::string();
    return line.substr(0, blank);
}

std::string Buttons(HWND dialog, const std::vector<int>& ids, bool enabled) {
    std::string list;
    for (int id : ids) {
        if ((IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE) != enabled) continue;
        list += "[" + Utf8(ControlText(dialog, id)) + "]";
    }
    return list.empty() ? "none" : list;
}

const std::vector<int> kSetupButtons = {IDC_INSTALL, IDC_UNINSTALL, IDC_PLAY, IDC_BROWSE,
                                        IDC_README,  IDC_MANUAL,    IDCANCEL, IDC_EXIT};

void SayStatus(HWND dialog) {
    Say("status line \"" + Utf8(ControlText(dialog, IDC_STATUS_FILE)) + "\", bar at " +
        std::to_string(BarPosition(dialog)) + "/" + std::to_string(kBarRange) + ", clock \"" +
        Utf8(ControlText(dialog, IDC_STATUS_TIME)) + "\"");
}

void SayButtons(HWND dialog) {
    Say("enabled " + Buttons(dialog, kSetupButtons, true) + ", disabled " +
        Buttons(dialog, kSetupButtons, false));
}

std::string Checked(HWND options, int id) {
    bool ticked = SendMessageA(GetDlgItem(options, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return std::string(ticked ? "[x] " : "[ ] ") + Utf8(ControlText(options, id));
}

bool Hold(const Shots& shots, HWND window, const std::string& name) {
    ReportPlace(window, name);
    const std::string signal = shots.folder + "\\" + name + ".done";
    if (!WaitForFile(signal, 120000)) {
        Say("gave up waiting for " + signal);
        return false;
    }
    return true;
}

int RunSetup(const std::string& path, const Shots& shots) {
    const bool holding = !shots.folder.empty();
    RunningProgram program(path, Folder(path));
    if (!program.Started()) {
        Say("could not start " + path + " (error " + std::to_string(GetLastError()) + ")");
        return 1;
    }
    HWND dialog = WaitForDialog(
        program.Id(),
        [](HWND window) { return !IsMessageBox(window) && GetDlgItem(window, IDC_INSTALL) != nullptr; },
        kWindowTimeoutMs);
    if (dialog == nullptr) {
        Say("no setup dialog appeared");
        return 1;
    }
    Say("dialog \"" + Utf8(WindowText(dialog)) + "\": " + Utf8(ControlText(dialog, IDC_LABEL_BLACK)) +
        " " + Utf8(ControlText(dialog, IDC_TARGET_PATH)));
    SayButtons(dialog);
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL))) {
        Say("the title is installed already; nothing to install");
        PressButton(dialog, IDCANCEL);
        Finish(program, "setup.exe");
        return 1;
    }

    PressButton(dialog, IDC_INSTALL);
    Say("pressed [" + Utf8(ControlText(dialog, IDC_INSTALL)) + "]");
    HWND options = WaitForDialog(
        program.Id(), [](HWND window) { return GetDlgItem(window, IDC_OPT_TYPE) != nullptr; },
        kWindowTimeoutMs);
    if (options == nullptr) {
        Say("no options dialog appeared");
        return 1;
    }
    Say("options dialog \"" + Utf8(WindowText(options)) + "\": " + Checked(options, IDC_OPT_BASE) +
        ", " + Checked(options, IDC_OPT_PICT) + ", " + Checked(options, IDC_OPT_TUNE) + ", " +
        Checked(options, IDC_OPT_TALK));
    if (holding && !Hold(shots, options, "options")) return 1;
    PressButton(options, IDC_OPT_OK);
    Say("pressed [" + Utf8(ControlText(options, IDC_OPT_OK)) + "]");

    // Until the box that ends the install: answer the folder question, and
    // follow the copy on the status line.
    std::string lastFile;
    bool shotTaken = false;
    BoxInfo last;
    const DWORD start = GetTickCount();
    for (;;) {
        if (GetTickCount() - start > kCopyTimeoutMs) {
            Say("the install did not end");
            return 1;
        }
        if (program.WaitForExit(0) != STILL_ACTIVE) {
            Say("setup.exe ended during the install");
            return 1;
        }
        std::vector<HWND> boxes = ProcessDialogs(program.Id());
        HWND box = nullptr;
        for (HWND window : boxes) {
            if (IsMessageBox(window)) box = window;
        }
        if (box != nullptr) {
            BoxInfo info = ReadMessageBox(box);
            Say("message box \"" + Utf8(info.caption) + "\": " + Utf8(info.text));
            bool question = false;
            for (int id : info.buttons) question = question || id == IDYES;
            if (question) {
                std::string yes = ControlText(box, IDYES);
                AnswerBox(box, IDYES);
                Say("pressed [" + Utf8(yes) + "]");
                for (int tries = 0; tries < 500 && IsWindow(box); ++tries) Sleep(10);
                continue;
            }
            last = info;
            break;
        }
        std::string file = CopiedFile(dialog);
        if (!file.empty() && file != lastFile) {
            lastFile = file;
            Say("copying " + Utf8(file) + ", bar at " + std::to_string(BarPosition(dialog)) + "/" +
                std::to_string(kBarRange) + ", [" + Utf8(ControlText(dialog, IDC_INSTALL)) + "]");
        }
        if (holding && !shotTaken && file == shots.bigFile && BarPosition(dialog) >= kShotBarFrom) {
            SayStatus(dialog);
            if (!Hold(shots, dialog, "copying")) return 1;
            // The picture was taken before the signal came: it shows the
            // copy under way only if the copy still runs now.
            if (CopiedFile(dialog).empty() || BarPosition(dialog) >= kBarRange) {
                Say("the copy of " + Utf8(shots.bigFile) + " ended before the picture was taken");
                return 1;
            }
            shotTaken = true;
        }
        Sleep(10);
    }
    SayStatus(dialog);
    AnswerBox(last.window, IDOK);
    Say("pressed [OK]");
    const bool completed = last.caption == kCompletedCaption && last.text == kInstallCompletedText;
    // The install's thread ends after the box (after a failure, after one
    // more box): it enables the buttons, then gives インストール back its
    // name. Then the dialog can end.
    HWND answered = last.window;
    const DWORD waitStart = GetTickCount();
    while ((!IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) ||
            ControlText(dialog, IDC_INSTALL) == kAbortCaption) &&
           GetTickCount() - waitStart < kWindowTimeoutMs) {
        for (HWND window : ProcessDialogs(program.Id())) {
            if (!IsMessageBox(window) || window == answered) continue;
            BoxInfo info = ReadMessageBox(window);
            Say("message box \"" + Utf8(info.caption) + "\": " + Utf8(info.text));
            AnswerBox(window, IDOK);
            Say("pressed [OK]");
            answered = window;
        }
        Sleep(20);
    }
    SayButtons(dialog);
    PressButton(dialog, IDCANCEL);
    Say("pressed [" + Utf8(ControlText(dialog, IDCANCEL)) + "]");
    int result = Finish(program, "setup.exe");
    if (!completed) {
        Say("the install did not complete");
        return 1;
    }
    if (holding && !shotTaken) {
        Say("the copy of " + Utf8(shots.bigFile) + " was not caught for the picture");
        return 1;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines with plain \n
    std::vector<std::string> args(argv + 1, argv + argc);
    const char* usage =
        "usage: demo_driver [--hold FILE] PROGRAM\n"
        "       demo_driver --setup [--shots FOLDER NAME] PROGRAM\n";
    if (args.size() == 1) return RunUpdate(args[0], std::string());
    if (args.size() == 3 && args[0] == "--hold") return RunUpdate(args[2], args[1]);
    if (args.size() == 2 && args[0] == "--setup") return RunSetup(args[1], Shots());
    if (args.size() == 5 && args[0] == "--setup" && args[1] == "--shots") {
        return RunSetup(args[4], Shots{args[2], args[3]});
    }
    fputs(usage, stderr);
    return 2;
}
