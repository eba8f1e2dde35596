// Plays the player's part for update.exe when nobody can click: starts the
// program, waits for its dialog, presses アップデート, reads the box that
// ends the update, answers it and waits for the program to end.
//
//   demo_driver PROGRAM              run the update and report each step
//   demo_driver --hold FILE PROGRAM  show the dialog only: print its screen
//                                    rectangle, wait until FILE exists, then
//                                    press ｷｬﾝｾﾙ (for a screenshot)
//
// Everything it prints is UTF-8, one line a step, for the demo script.
// Exit code 0 when the program did what a player expects of it.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

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

int Finish(RunningProgram& program) {
    DWORD code = program.WaitForExit(kWindowTimeoutMs);
    if (code == STILL_ACTIVE) {
        Say("update.exe did not end");
        return 1;
    }
    Say("update.exe ended with exit code " + std::to_string(code));
    return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines with plain \n
    std::string holdFile;
    int next = 1;
    if (argc > 3 && std::strcmp(argv[1], "--hold") == 0) {
        holdFile = argv[2];
        next = 3;
    }
    if (next + 1 != argc) {
        fprintf(stderr, "usage: demo_driver [--hold FILE] PROGRAM\n");
        return 2;
    }
    const std::string path = argv[next];

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
        // Shown as the player sees it: the active window, fully drawn.
        for (int tries = 0; tries < 50 && GetForegroundWindow() != dialog; ++tries) {
            SetForegroundWindow(dialog);
            Sleep(100);
        }
        if (GetForegroundWindow() != dialog) Say("the dialog is not the active window");
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        Say("rect " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
            std::to_string(frame.right - frame.left) + " " + std::to_string(frame.bottom - frame.top));
        if (!WaitForFile(holdFile, 120000)) Say("gave up waiting for " + holdFile);
        PressButton(dialog, IDCANCEL);
        Say("pressed [" + Utf8(ControlText(dialog, IDCANCEL)) + "]");
        return Finish(program);
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
    int result = Finish(program);
    if (info.caption != kCompletedCaption) {
        Say("the update did not complete");
        return 1;
    }
    return result;
}
