#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/setup_engine.h"
#include "title/profile.h"

namespace {

// Slot k of a list as the raw 128 bytes.
std::string Slot(FileList list, size_t k) { return std::string(list[k], kNameSlotBytes); }

size_t NamesBeforeEnd(FileList list) {
    size_t count = 0;
    while (list[count][0] != '\0') ++count;
    return count;
}

}  // namespace

TEST(SetupEngineRecord, StartsWithItsDefaults) {
    SetupEngine engine;
    EXPECT_EQ(engine.installFiles, nullptr);
    EXPECT_EQ(engine.updateFiles, nullptr);
    EXPECT_EQ(engine.volumeLabels, nullptr);
    EXPECT_STREQ(engine.installBase, "c:\\Program Files");
    for (const char* text : {engine.makerName, engine.sourceFolder, engine.titleName,
                             engine.installDir, engine.sourceDir, engine.registryPath,
                             engine.shellFolder}) {
        EXPECT_EQ(std::string(text, kTextBytes), std::string(kTextBytes, '\0'));
    }
    EXPECT_EQ(engine.endIndex, 9999);
    EXPECT_EQ(engine.volumeLabelCount, 1);
    for (unsigned char entry : engine.selected) EXPECT_EQ(entry, 1);
    EXPECT_EQ(engine.busy.load(), 0);
    EXPECT_EQ(engine.cancelState.load(), 0);
    EXPECT_EQ(engine.bytesCopied.load(), 0u);
    EXPECT_EQ(engine.installType, 0);
    EXPECT_EQ(engine.progressCtrlId, 0);
    EXPECT_EQ(engine.requiredMegabytes, 0u);
    EXPECT_EQ(engine.copyThreadId, 0u);
    EXPECT_EQ(engine.srcStream, nullptr);
    EXPECT_EQ(engine.dstStream, nullptr);
    EXPECT_EQ(engine.ownerWindow, nullptr);
    EXPECT_EQ(engine.registryKey, nullptr);
    EXPECT_EQ(engine.installed, 0);
    EXPECT_EQ(engine.firstIndex, 0);
    EXPECT_EQ(engine.stepsDone, 0);
    EXPECT_EQ(engine.stepsShown, 0);
    EXPECT_EQ(engine.bytesPerStep, 0u);
}

TEST(SetupEngineRecord, SharedCountersAreLockFree32BitWords) {
    SetupEngine engine;
    EXPECT_EQ(sizeof engine.busy, 4u);
    EXPECT_EQ(sizeof engine.cancelState, 4u);
    EXPECT_EQ(sizeof engine.bytesCopied, 4u);
    EXPECT_TRUE(engine.busy.is_lock_free());
    EXPECT_TRUE(engine.cancelState.is_lock_free());
    EXPECT_TRUE(engine.bytesCopied.is_lock_free());
}

TEST(FileListCopy, KeepsNamesInOrderWithOneEmptyEndSlot) {
    SetupEngine engine;
    const char* names[] = {"a.pac", "movie/movie01.mpg", "readme.txt", nullptr};
    engine.installFiles = engine.CopyList(engine.installFiles, names);
    ASSERT_EQ(NamesBeforeEnd(engine.installFiles), 3u);
    EXPECT_STREQ(engine.installFiles[1], "movie/movie01.mpg");
    EXPECT_EQ(Slot(engine.installFiles, 0), std::string("a.pac") + std::string(123, '\0'));
    EXPECT_EQ(Slot(engine.installFiles, 3), std::string(kNameSlotBytes, '\0'));
}

TEST(FileListCopy, AnEmptySourceGivesOnlyTheEndSlot) {
    SetupEngine engine;
    const char* names[] = {nullptr};
    engine.updateFiles = engine.CopyList(engine.updateFiles, names);
    EXPECT_EQ(NamesBeforeEnd(engine.updateFiles), 0u);
    EXPECT_EQ(Slot(engine.updateFiles, 0), std::string(kNameSlotBytes, '\0'));
}

TEST(FileListCopy, NameLengthLimitIs127Bytes) {
    SetupEngine engine;
    std::string longest(127, 'n');
    std::string tooLong(128, 'x');
    const char* names[] = {longest.c_str(), tooLong.c_str(), "after.pac", nullptr};
    engine.installFiles = engine.CopyList(engine.installFiles, names);
    EXPECT_EQ(Slot(engine.installFiles, 0), longest + '\0');
    // The over-long name keeps its position but is never cut into another
    // name: it is stored as a name no file function accepts.
    EXPECT_STREQ(engine.installFiles[1], "|");
    EXPECT_STREQ(engine.installFiles[2], "after.pac");
    EXPECT_EQ(NamesBeforeEnd(engine.installFiles), 3u);
}

TEST(FileListCopy, ReplacingAListAndTearingDownTwiceIsSafe) {
    SetupEngine engine;
    engine.installFiles = engine.CopyList(engine.installFiles, g_installList);
    engine.installFiles = engine.CopyList(engine.installFiles, g_updateList);
    EXPECT_EQ(NamesBeforeEnd(engine.installFiles), 10u);
    EXPECT_TRUE(engine.FreeList(nullptr));
    engine.Teardown();
    EXPECT_EQ(engine.installFiles, nullptr);
    engine.Teardown();  // the destructor runs it once more
}

TEST(SetupEngineAccessors, SetTheirFields) {
    SetupEngine engine;
    engine.SetProgressCtrl(1005);
    EXPECT_EQ(engine.progressCtrlId, 1005);
    engine.SetCopyRange(1, 0, 11);
    EXPECT_EQ(engine.installType, 1);
    EXPECT_EQ(engine.endIndex, 11);
    engine.SetCopyRange(0, 0, 9999);
    EXPECT_EQ(engine.installType, 0);
    EXPECT_EQ(engine.firstIndex, 0);
    EXPECT_EQ(engine.endIndex, 9999);
    engine.SetRequiredMegabytes(140);
    EXPECT_EQ(engine.requiredMegabytes, 140u);
}

TEST(SetupEngineAccessors, IsBusyOnlyForOne) {
    SetupEngine engine;
    for (int32_t value : {0, 1, 2, -1, 3}) {
        engine.busy = value;
        EXPECT_EQ(engine.IsBusy(), value == 1) << value;
    }
}

TEST(SetupEngineAccessors, GetSourceDirCopiesOnlyIntoABufferThatHoldsIt) {
    SetupEngine engine;
    std::string longest(259, 's');
    strcpy(engine.sourceDir, longest.c_str());
    char big[1024];
    engine.GetSourceDir(big, sizeof big);
    EXPECT_EQ(std::string(big), longest);
    char small[16] = "untouched";
    engine.GetSourceDir(small, sizeof small);
    EXPECT_STREQ(small, "");  // refused, not cut
}

TEST(SetupEngineAccessors, SelectionBytesCoverPositionsBelowTwenty) {
    SetupEngine engine;
    engine.selected[3] = 0;
    engine.selected[4] = 2;  // only exactly 1 means selected
    EXPECT_TRUE(engine.IsSelected(0));
    EXPECT_FALSE(engine.IsSelected(3));
    EXPECT_FALSE(engine.IsSelected(4));
    EXPECT_TRUE(engine.IsSelected(19));
    EXPECT_TRUE(engine.IsSelected(20));
    EXPECT_TRUE(engine.IsSelected(47));
}

TEST(TitleProfile, ListsHaveTheirNamesInPlace) {
    size_t installCount = 0, updateCount = 0;
    while (g_installList[installCount]) ++installCount;
    while (g_updateList[updateCount]) ++updateCount;
    EXPECT_EQ(installCount, 48u);
    EXPECT_EQ(updateCount, 10u);
    for (int k = 0; k < 6; ++k) EXPECT_STREQ(g_installList[21 + k], g_updateList[k]);
    EXPECT_STREQ(g_installList[kReadmeEntry], "readme.txt");
    EXPECT_STREQ(g_installList[kUninstallerEntry], "uninst.exe");
    EXPECT_STREQ(g_installList[28], "movie/movie01.mpg");
    EXPECT_STREQ(g_installList[47], "movie/movie20.mpg");
    EXPECT_STREQ(g_volumeLabelList[0], "Orchidveil");
    EXPECT_EQ(g_volumeLabelList[1], nullptr);
    EXPECT_EQ(std::string(g_windowClassName), "Orchidveil\x81\x40\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76");
}
