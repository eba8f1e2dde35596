// The background copy: a copy thread moves the selected install files while
// the calling thread waits in a loop that keeps its messages flowing and
// moves the progress bar, the spinner and the elapsed clock.
#include "engine/setup_engine.h"

#include <mmsystem.h>

#include <cstring>

#include "engine/progress_rules.h"
#include "engine/text_rules.h"

char g_currentFile[kLongTextBytes];
std::atomic<int32_t> g_spinnerIndex{0};
std::atomic<int32_t> g_spinnerCounter{0};
std::atomic<uint32_t> g_clockLastTick{0};
std::atomic<int32_t> g_clockHours{0};
std::atomic<int32_t> g_clockMinutes{0};
std::atomic<int32_t> g_clockSeconds{0};

namespace {

DWORD TimeTick() { return timeGetTime(); }

DWORD WINAPI CopyThreadEntry(void* engine) {
    static_cast<SetupEngine*>(engine)->CopyThreadMain();
    return 0;
}

// The copy thread rewrites the name while the display may read it; the
// buffer's last byte is never written, so every reading ends inside it.
void SetCurrentFile(const char* name) {
    size_t length = strnlen(name, kLongTextBytes - 1);
    memcpy(g_currentFile, name, length);
    g_currentFile[length] = '\0';
}

void StartClock() {
    g_clockLastTick = g_tickSource();
    g_clockHours = 0;
    g_clockMinutes = 0;
    g_clockSeconds = 0;
}

}  // namespace

DWORD (*g_tickSource)() = TimeTick;

bool SetupEngine::CopyWithProgress() {
    selectedTotal = SelectedBytes();
    bytesPerStep = selectedTotal;
    InitProgress(kProgressSteps);
    busy = 1;
    cancelState = kCancelNone;
    bytesCopied = 0;
    bytesPerStep = BytesPerStep(selectedTotal);
    stepsDone = 0;
    stepsShown = 0;

    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, CopyThreadEntry, this, 0, &threadId);
    if (thread == nullptr) {
        copyThreadId = 0;
        busy = 0;  // no copy runs: the abort command must not think one does
        return false;
    }
    copyThreadId = threadId;
    CloseHandle(thread);  // nothing waits on it; the thread runs on

    // busy = 0 is the copy thread's last write, stored with release order:
    // once it reads 0 here, the final count and abort state are visible.
    while (busy.load(std::memory_order_acquire) != 0) {
        TickStatus();
        AdvanceProgress();
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            Sleep(0);
        }
    }
    AdvanceProgress();
    return cancelState.load() == kCancelNone;
}

void SetupEngine::CopyThreadMain() {
    const int32_t end = endIndex;
    busy = 1;
    StartClock();
    for (int32_t i = firstIndex; installFiles[i][0] != '\0'; ++i) {
        if (i == end) break;
        if (cancelState.load() == kCancelSeenByCopy) {
            cancelState = kCancelSeenByThread;
            break;
        }
        if (!IsSelected(i)) continue;
        char destination[kTextBytes];
        char source[kTextBytes];
        // A file whose paths cannot be named is passed over like one that
        // cannot be copied.
        if (!JoinPath(destination, sizeof destination, {installDir, installFiles[i]}) ||
            !JoinPath(source, sizeof source, {sourceDir, installFiles[i]})) {
            continue;
        }
        SetCurrentFile(installFiles[i]);
        CopyFileChecked(destination, source);
    }
    busy.store(0, std::memory_order_release);
}

HWND SetupEngine::ProgressBar() const {
    // The program configures the engine without an owner window; the bar
    // then is the one on the main dialog, so the setup layout's bar moves.
    return GetDlgItem(ownerWindow != nullptr ? ownerWindow : g_mainDialog, progressCtrlId);
}

void SetupEngine::AdvanceProgress() {
    stepsDone = static_cast<int32_t>(StepsReached(bytesCopied.load(), bytesPerStep, selectedTotal));
    if (stepsDone == stepsShown) return;
    for (int32_t d = StepsToSend(stepsShown, stepsDone, kProgressSteps); d > 0; --d) {
        StepProgress();
    }
    stepsShown = stepsDone;
}

void SetupEngine::InitProgress(uint16_t steps) {
    SendMessageA(ProgressBar(), PBM_SETRANGE, 0, MAKELPARAM(0, steps));
    SendMessageA(ProgressBar(), PBM_SETSTEP, 1, 0);
    SendMessageA(ProgressBar(), PBM_SETPOS, 0, 0);
}

void SetupEngine::StepProgress() { SendMessageA(ProgressBar(), PBM_STEPIT, 0, 0); }

void SetupEngine::ShowStatus(const char* text) { SetStatusLine(text, 0); }

void TickStatus() {
    char name[kLongTextBytes];
    memcpy(name, g_currentFile, sizeof name);
    name[sizeof name - 1] = '\0';
    if (name[0] == '\0') return;

    char text[kLongTextBytes];
    if (g_spinnerCounter == 0) {
        snprintf(text, sizeof text, "%s %s", name, SpinnerFrame(g_spinnerIndex));
        g_spinnerIndex = (g_spinnerIndex + 1) % 4;
        SetStatusLine(text, 0);
    }
    g_spinnerCounter = (g_spinnerCounter + 1) % static_cast<int32_t>(kSpinnerPeriod);

    const uint32_t now = g_tickSource();
    // Unsigned difference: the tick's wrap does no harm. The clock moves by
    // whole seconds from its start, so it does not drift, and catches up a
    // second per tick after a delay.
    if (now - g_clockLastTick > 1000) {
        g_clockLastTick += 1000;
        ElapsedClock clock{g_clockHours, g_clockMinutes, g_clockSeconds};
        CountSecond(clock);
        g_clockHours = clock.hours;
        g_clockMinutes = clock.minutes;
        g_clockSeconds = clock.seconds;
        snprintf(text, sizeof text, "%d:%02d:%02d", clock.hours, clock.minutes, clock.seconds);
        SetStatusLine(text, 1);
    }
}
