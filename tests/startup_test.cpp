// Start-up in-process. This test program carries no dialog template, so the
// main dialog cannot be made: start-up must still end, with 0, after
// configuring the engine and making the hidden main window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/startup.h"
#include "tests/support/test_env.h"
#include "title/profile.h"

namespace {

// What the start-up thread saw before it ended (its windows end with it).
struct StartupRun {
    int result = -1;
    HWND found = nullptr;
    RECT frame = {};
    LONG style = 0;
    bool secondStart = true;
};

DWORD WINAPI StartProgram(void* data) {
    auto* run = static_cast<StartupRun*>(data);
    run->result = RunProgram(GetModuleHandleA(nullptr), SW_HIDE);
    run->found = FindWindowA(g_windowClassName, g_profileTitle);
    GetWindowRect(run->found, &run->frame);
    run->style = GetWindowLongA(run->found, GWL_STYLE);
    run->secondStart = InitInstance(GetModuleHandleA(nullptr), SW_HIDE, true);
    return 0;
}

}  // namespace

TEST(Startup, ConfiguresTheEngineAndEndsWhenTheDialogCannotBeMade) {
    RecordKeyGuard guard;
    g_installList[0] = "(placeholder)";
    StartupRun run;
    HANDLE thread = CreateThread(nullptr, 0, StartProgram, &run, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // A program that polled for a quit message nobody posts would never end.
    ASSERT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(run.result, 0);

    EXPECT_STREQ(g_engine.installFiles[0], "Orchidveil.exe");
    EXPECT_STREQ(g_engine.installFiles[47], "movie/movie20.mpg");
    EXPECT_EQ(g_engine.progressCtrlId, 1005);
    EXPECT_EQ(g_engine.ownerWindow, nullptr);
    EXPECT_EQ(g_engine.requiredMegabytes, 2100u);
    EXPECT_EQ(g_engine.installed, 0);
    EXPECT_EQ(g_folderBrowser.owner, g_mainWindow);
    EXPECT_EQ(g_folderBrowser.instance, g_instance);

    EXPECT_EQ(run.found, g_mainWindow);
    EXPECT_NE(run.found, nullptr);
    EXPECT_EQ(run.frame.right - run.frame.left, 0);
    EXPECT_EQ(run.frame.bottom - run.frame.top, 0);
    EXPECT_EQ(run.style & ~WS_VISIBLE & ~WS_CLIPSIBLINGS, static_cast<LONG>(WS_POPUP));
    // A second start finds the first one's window and refuses at once.
    EXPECT_FALSE(run.secondStart);
}
