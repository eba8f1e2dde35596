// The background copy with real threads and real files, its progress
// arithmetic on a real progress bar, and the status display.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "engine/setup_engine.h"
#include "res/resource.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/test_env.h"
#include "tools/ui_driver.h"

namespace {

// Reads are counted across files; a test may request an abort just before
// a given read (1-based), as the abort command would while it runs.
std::atomic<int> g_reads{0};
std::atomic<int> g_abortBeforeRead{0};
SetupEngine* g_abortTarget = nullptr;

size_t CountingRead(void* buffer, size_t bytes, FILE* stream) {
    int read = ++g_reads;
    if (read == g_abortBeforeRead) g_abortTarget->cancelState = kCancelRequested;
    return StandardCopyStreamOps().read(buffer, bytes, stream);
}

class BackgroundCopyTest : public ::testing::Test {
protected:
    ScratchDir source_;
    ScratchDir target_;
    SetupEngine engine_;
    std::vector<std::string> names_;
    std::vector<size_t> sizes_ = {100000, 200000, 50000, 10, 0,     70000, 3000,
                                  65536,  1,      5000, 9000, 12000, 400,  777};

    void SetUp() override {
        std::vector<const char*> list;
        for (size_t k = 0; k < sizes_.size(); ++k) {
            char name[16];
            snprintf(name, sizeof name, "f%02u.pac", static_cast<unsigned>(k));
            names_.push_back(name);
        }
        for (auto& name : names_) list.push_back(name.c_str());
        list.push_back(nullptr);
        const char* none[] = {nullptr};
        engine_.installFiles = engine_.CopyList(engine_.installFiles, list.data());
        engine_.updateFiles = engine_.CopyList(engine_.updateFiles, none);
        strcpy(engine_.sourceDir, source_.Path().c_str());
        strcpy(engine_.installDir, target_.Path().c_str());
        for (size_t k = 0; k < sizes_.size(); ++k) MakeFile(source_ / names_[k], sizes_[k], k + 1);
        g_reads = 0;
        g_abortBeforeRead = 0;
        g_abortTarget = &engine_;
        g_copyStreamOps = {CountingRead, StandardCopyStreamOps().write};
        g_currentFile[0] = '\0';
    }
    void TearDown() override { g_copyStreamOps = StandardCopyStreamOps(); }

    bool Copied(size_t k) {
        return FileExists(target_ / names_[k]) &&
               ReadBytes(target_ / names_[k]) == ReadBytes(source_ / names_[k]);
    }
    // Reads that files 0 .. k-1 take: one per full chunk, plus the short one.
    int ReadsBefore(size_t k) {
        int reads = 0;
        for (size_t i = 0; i < k; ++i) reads += static_cast<int>(sizes_[i] / 65536) + 1;
        return reads;
    }
};

}  // namespace

TEST_F(BackgroundCopyTest, CopiesTheSelectedFilesOfTheRange) {
    engine_.SetCopyRange(1, 0, 11);
    engine_.selected[3] = 0;
    engine_.selected[6] = 0;
    uint32_t total = 0;
    for (size_t k = 0; k < 11; ++k) {
        if (k != 3 && k != 6) total += static_cast<uint32_t>(sizes_[k]);
    }
    EXPECT_TRUE(engine_.CopyWithProgress());
    for (size_t k = 0; k < sizes_.size(); ++k) {
        const bool expected = k < 11 && k != 3 && k != 6;
        EXPECT_EQ(Copied(k), expected) << names_[k];
        if (!expected) {
            EXPECT_FALSE(FileExists(target_ / names_[k])) << names_[k];
        }
    }
    EXPECT_EQ(engine_.busy.load(), 0);
    EXPECT_EQ(engine_.cancelState.load(), kCancelNone);
    EXPECT_EQ(engine_.bytesCopied.load(), total);
    EXPECT_EQ(engine_.selectedTotal, total);
    EXPECT_EQ(engine_.bytesPerStep, total / 1000);
    EXPECT_EQ(engine_.stepsShown, static_cast<int32_t>(total / (total / 1000)));
    EXPECT_NE(engine_.copyThreadId, 0u);
    EXPECT_STREQ(g_currentFile, "f10.pac");  // the last selected file
}

TEST_F(BackgroundCopyTest, AbortDuringTheSecondChunkStopsAtTheNextEntry) {
    g_abortBeforeRead = ReadsBefore(1) + 2;  // file 1 (200,000 bytes), second chunk
    EXPECT_FALSE(engine_.CopyWithProgress());
    EXPECT_TRUE(Copied(0));
    EXPECT_EQ(FileBytes(target_ / names_[1]), 131072);
    EXPECT_FALSE(FileExists(target_ / names_[2]));
    EXPECT_EQ(engine_.cancelState.load(), kCancelSeenByThread);
    EXPECT_EQ(engine_.busy.load(), 0);
}

TEST_F(BackgroundCopyTest, AbortBetweenFilesEmptiesTheNextSelectedFile) {
    engine_.selected[1] = 0;                 // passed over on the way
    g_abortBeforeRead = ReadsBefore(1);      // the last, short read of file 0
    EXPECT_FALSE(engine_.CopyWithProgress());
    EXPECT_TRUE(Copied(0));
    EXPECT_FALSE(FileExists(target_ / names_[1]));
    EXPECT_EQ(FileBytes(target_ / names_[2]), 0);  // made, then left empty
    EXPECT_FALSE(FileExists(target_ / names_[3]));
    EXPECT_EQ(engine_.cancelState.load(), kCancelSeenByThread);
}

TEST_F(BackgroundCopyTest, AbortAfterTheLastFileStillFails) {
    engine_.SetCopyRange(1, 0, 3);
    g_abortBeforeRead = ReadsBefore(3);  // the last read of the last file
    EXPECT_FALSE(engine_.CopyWithProgress());
    for (size_t k = 0; k < 3; ++k) EXPECT_TRUE(Copied(k)) << names_[k];
    EXPECT_EQ(engine_.cancelState.load(), kCancelRequested);  // nobody saw it
}

TEST_F(BackgroundCopyTest, AFallbackCopyCountsEachFileOnce) {
    engine_.SetCopyRange(1, 0, 2);
    // Every write is lost: the size check repairs each copy with the whole
    // file copy and sets the count back to what the files hold.
    g_copyStreamOps.write = [](const void*, size_t, FILE*) -> size_t { return 0; };
    EXPECT_TRUE(engine_.CopyWithProgress());
    EXPECT_TRUE(Copied(0));
    EXPECT_TRUE(Copied(1));
    EXPECT_EQ(engine_.bytesCopied.load(), 300000u);
    EXPECT_EQ(engine_.stepsShown, 1000);
    EXPECT_EQ(engine_.cancelState.load(), kCancelNone);
}

TEST_F(BackgroundCopyTest, NothingSelectedEndsWithoutSteps) {
    engine_.SetCopyRange(0, 0, 0);
    EXPECT_TRUE(engine_.CopyWithProgress());
    EXPECT_EQ(engine_.stepsShown, 0);
    EXPECT_EQ(engine_.bytesCopied.load(), 0u);
}

namespace {

class ProgressBarTest : public ::testing::Test {
protected:
    OpenDialog dialog_;
    SetupEngine engine_;

    void SetUp() override {
        ASSERT_NE(dialog_.Window(), nullptr);
        engine_.SetProgressCtrl(IDC_PROGRESS);
        engine_.InitProgress(1000);
    }
    void Reach(uint32_t total, uint32_t copied) {
        engine_.selectedTotal = total;
        engine_.bytesPerStep = total / 1000;
        engine_.bytesCopied = copied;
        engine_.AdvanceProgress();
    }
};

}  // namespace

TEST_F(ProgressBarTest, StepsFollowTheBytesOnTheDialogsBar) {
    Reach(10000000, 2500000);
    EXPECT_EQ(engine_.stepsDone, 250);
    EXPECT_EQ(engine_.stepsShown, 250);
    EXPECT_EQ(dialog_.ProgressPosition(), 250);
    Reach(10000000, 10000000);
    EXPECT_EQ(dialog_.ProgressPosition(), 1000);
}

TEST_F(ProgressBarTest, StepsPastTheRangeLeaveTheBarAtItsEnd) {
    Reach(2500, 2000);
    EXPECT_EQ(dialog_.ProgressPosition(), 1000);
    Reach(2500, 2500);
    EXPECT_EQ(engine_.stepsShown, 1250);
    // Stepped past its end the bar would start again from the beginning.
    EXPECT_EQ(dialog_.ProgressPosition(), 1000);
}

TEST_F(ProgressBarTest, ASmallTotalEndsAtTheBarsEnd) {
    Reach(500, 250);
    EXPECT_EQ(dialog_.ProgressPosition(), 500);
    Reach(500, 500);
    EXPECT_EQ(dialog_.ProgressPosition(), 1000);
    engine_.InitProgress(1000);
    engine_.stepsShown = 0;
    Reach(0, 0);
    EXPECT_EQ(dialog_.ProgressPosition(), 0);
}

TEST_F(ProgressBarTest, ACountSetBackMovesNothingUntilRegained) {
    Reach(10000000, 5000000);
    EXPECT_EQ(dialog_.ProgressPosition(), 500);
    Reach(10000000, 3000000);  // the size-check fallback set the count back
    EXPECT_EQ(engine_.stepsShown, 300);
    EXPECT_EQ(dialog_.ProgressPosition(), 500);
    Reach(10000000, 6000000);  // regained steps are sent again
    EXPECT_EQ(engine_.stepsShown, 600);
    EXPECT_EQ(dialog_.ProgressPosition(), 800);
}

TEST_F(ProgressBarTest, InitProgressResetsTheBar) {
    Reach(10000000, 7000000);
    engine_.InitProgress(1000);
    EXPECT_EQ(dialog_.ProgressPosition(), 0);
    HWND bar = GetDlgItem(dialog_.Window(), IDC_PROGRESS);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 1000);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
}

TEST(ProgressWithoutABar, StillCountsTheSteps) {
    SetupEngine engine;
    engine.SetProgressCtrl(IDC_PROGRESS);
    g_mainDialog = nullptr;
    engine.InitProgress(1000);
    engine.selectedTotal = 10000000;
    engine.bytesPerStep = 10000;
    engine.bytesCopied = 2500000;
    engine.AdvanceProgress();
    EXPECT_EQ(engine.stepsDone, 250);
    EXPECT_EQ(engine.stepsShown, 250);
}

namespace {

DWORD g_fakeTick = 0;
DWORD FakeTick() { return g_fakeTick; }

class StatusDisplayTest : public ::testing::Test {
protected:
    OpenDialog dialog_;
    DWORD (*realTickSource_)() = g_tickSource;

    void SetUp() override {
        ASSERT_NE(dialog_.Window(), nullptr);
        g_tickSource = FakeTick;
        g_fakeTick = 5000;
        g_clockLastTick = 5000;
        g_clockHours = g_clockMinutes = g_clockSeconds = 0;
        g_spinnerIndex = 0;
        g_spinnerCounter = 0;
        strcpy(g_currentFile, "pict.pac");
    }
    void TearDown() override {
        g_tickSource = realTickSource_;
        g_currentFile[0] = '\0';
    }
    std::string Line(int id) { return ControlText(dialog_.Window(), id); }
};

}  // namespace

TEST_F(StatusDisplayTest, SpinnerTurnsOnceEvery131072Ticks) {
    const char* frames[] = {"\x81\x62", "\x81\x5e", "\x81\x5c", "\x81\x5f", "\x81\x62"};
    for (const char* frame : frames) {
        TickStatus();
        EXPECT_EQ(Line(IDC_STATUS_FILE), std::string("pict.pac ") + frame);
        for (int tick = 1; tick < 131072; ++tick) TickStatus();
        EXPECT_EQ(Line(IDC_STATUS_FILE), std::string("pict.pac ") + frame);
    }
}

TEST_F(StatusDisplayTest, ClockCountsWholeSecondsFromTheStart) {
    struct Case { int hours, minutes, seconds; DWORD now; const char* text; };
    const Case cases[] = {
        {0, 0, 0, 5000 + 1001, "0:00:01"},
        {0, 0, 59, 5000 + 1001, "0:01:00"},
        {0, 59, 59, 5000 + 1001, "1:00:00"},
        {9, 59, 59, 5000 + 1001, "10:00:00"},
    };
    for (const Case& c : cases) {
        g_clockLastTick = 5000;
        g_clockHours = c.hours;
        g_clockMinutes = c.minutes;
        g_clockSeconds = c.seconds;
        g_fakeTick = 5000 + 1000;  // not more than a second yet
        TickStatus();
        EXPECT_NE(Line(IDC_STATUS_TIME), c.text);
        g_fakeTick = c.now;
        TickStatus();
        EXPECT_EQ(Line(IDC_STATUS_TIME), c.text);
        EXPECT_EQ(g_clockLastTick.load(), 6000u);  // moved by a second, not to now
    }
}

TEST_F(StatusDisplayTest, ClockCatchesUpASecondPerTickAndSurvivesTheWrap) {
    g_clockLastTick = 0xFFFFFF00u;
    g_fakeTick = 0xFFFFFF00u + 60 * 1000 + 1;  // wraps past zero
    for (int tick = 0; tick < 60; ++tick) TickStatus();
    EXPECT_EQ(Line(IDC_STATUS_TIME), "0:01:00");
}

TEST_F(StatusDisplayTest, NothingMovesWithoutAFileName) {
    g_currentFile[0] = '\0';
    g_fakeTick = 99999;
    TickStatus();
    EXPECT_EQ(Line(IDC_STATUS_FILE), "");
    EXPECT_EQ(Line(IDC_STATUS_TIME), "");
    EXPECT_EQ(g_spinnerCounter.load(), 0);
    EXPECT_EQ(g_clockSeconds.load(), 0);
}

TEST(StatusLines, ReachTheSetupLayoutsControls) {
    OpenDialog dialog;
    SetStatusLine("time", 1);
    EXPECT_EQ(ControlText(dialog.Window(), IDC_STATUS_TIME), "time");
    SetupEngine engine;
    engine.ShowStatus("file");
    EXPECT_EQ(ControlText(dialog.Window(), IDC_STATUS_FILE), "file");
    SetStatusLine("nowhere", 2);
    EXPECT_EQ(ControlText(dialog.Window(), IDC_STATUS_FILE), "file");
    EXPECT_EQ(ControlText(dialog.Window(), IDC_STATUS_TIME), "time");
}

TEST(StatusLines, GoNowhereOnTheUpdateLayout) {
    OpenDialog dialog(IDD_MAIN);
    const std::string prompt = ControlText(dialog.Window(), IDC_PROMPT);
    SetStatusLine("time", 1);
    SetupEngine engine;
    engine.ShowStatus("file");
    EXPECT_EQ(ControlText(dialog.Window(), IDC_PROMPT), prompt);
    EXPECT_EQ(WindowText(dialog.Window()), "Orchidveil Updata");
}
