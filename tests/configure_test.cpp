#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/setup_engine.h"
#include "tests/support/test_env.h"
#include "title/profile.h"

namespace {

class ConfigureTest : public ::testing::Test {
protected:
    RecordKeyGuard guard_;
    SetupEngine engine_;
    const char* installNames_[4] = {"Orchidveil.exe", "pict.pac", "readme.txt", nullptr};

    void Configure() {
        engine_.Configure(installNames_, g_updateList, g_volumeLabelList, nullptr,
                          g_profileMaker, g_profileTitle, g_profileFolder, 2100);
    }
    std::string FallbackSource() const { return ProgramFolder() + "\\Orchidveil"; }
};

}  // namespace

TEST_F(ConfigureTest, WithoutDiscOrRecordUsesTheProgramsFolder) {
    TraceRecorder traces;
    Configure();
    EXPECT_EQ(std::string(engine_.sourceDir), FallbackSource());
    EXPECT_EQ(engine_.installed, 0);
    EXPECT_STREQ(engine_.installFiles[0], "Orchidveil.exe");
    EXPECT_STREQ(engine_.updateFiles[9], "book_6.pac");
    EXPECT_STREQ(engine_.volumeLabels[0], "Orchidveil");
    EXPECT_STREQ(engine_.makerName, "Selvane");
    EXPECT_STREQ(engine_.titleName, "Orchidveil");
    EXPECT_STREQ(engine_.sourceFolder, "Orchidveil");
    EXPECT_STREQ(engine_.registryPath, "Software\\Selvane\\Orchidveil");
    EXPECT_EQ(engine_.requiredMegabytes, 2100u);
    EXPECT_EQ(engine_.ownerWindow, nullptr);
    ASSERT_EQ(traces.Lines().size(), 1u);
    EXPECT_EQ(traces.Lines()[0], "Reg Key <Software\\Selvane\\Orchidveil>\nInst Flag [0]");
}

TEST_F(ConfigureTest, FindsTheTitlesDiscOnACdromDrive) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 100);
    Configure();
    EXPECT_STREQ(engine_.sourceDir, "e:\\Orchidveil");
    EXPECT_EQ(engine_.installed, 0);
}

TEST_F(ConfigureTest, TakesTheFirstMatchingDriveInLetterOrder) {
    EmulatedDrive first('d', DRIVE_CDROM, "Orchidveil");
    EmulatedDrive second('f', DRIVE_CDROM, "Orchidveil");
    first.AddFile("Orchidveil\\Orchidveil.exe", 10);
    second.AddFile("Orchidveil\\Orchidveil.exe", 10);
    Configure();
    EXPECT_STREQ(engine_.sourceDir, "d:\\Orchidveil");
}

TEST_F(ConfigureTest, PassesOverDiscsThatDoNotQualify) {
    struct Case { const char* what; char letter; UINT kind; const char* label; bool probe; };
    const Case cases[] = {
        {"label differs in letter case", 'e', DRIVE_CDROM, "ORCHIDVEIL", true},
        {"label only begins with the title", 'e', DRIVE_CDROM, "OrchidveilX", true},
        {"disc without the probe file", 'e', DRIVE_CDROM, "Orchidveil", false},
        {"fixed drive", 'g', DRIVE_FIXED, "Orchidveil", true},
        {"removable drive", 'h', DRIVE_REMOVABLE, "Orchidveil", true},
        {"network drive", 'i', DRIVE_REMOTE, "Orchidveil", true},
        {"RAM disk", 'j', DRIVE_RAMDISK, "Orchidveil", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmulatedDrive drive(c.letter, c.kind, c.label);
        if (c.probe) drive.AddFile("Orchidveil\\Orchidveil.exe", 10);
        else drive.AddFile("Orchidveil\\pict.pac", 10);
        Configure();
        EXPECT_EQ(std::string(engine_.sourceDir), FallbackSource());
    }
}

TEST_F(ConfigureTest, QueryDriveReportsKindAndLabel) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    char label[260] = "old";
    EXPECT_EQ(engine_.QueryDrive("e:\\", label, sizeof label), 2);
    EXPECT_STREQ(label, "Orchidveil");
    char small[4] = "old";  // too small for the label: left as it was
    EXPECT_EQ(engine_.QueryDrive("e:\\", small, sizeof small), 2);
    EXPECT_STREQ(small, "old");
    EXPECT_EQ(engine_.QueryDrive("c:\\", label, sizeof label), 1);
    strcpy(label, "kept");
    EXPECT_EQ(engine_.QueryDrive("q:\\", label, sizeof label), 0);  // no such drive
    EXPECT_STREQ(label, "kept");
}

TEST_F(ConfigureTest, ARecordOverridesTheLocatedSource) {
    EmulatedDrive disc('e', DRIVE_CDROM, "Orchidveil");
    disc.AddFile("Orchidveil\\Orchidveil.exe", 10);
    PutRecordText("Dir", "d:\\Games\\Selvane\\Orchidveil");
    PutRecordText("CD", "f:\\Orchidveil");
    PutRecordNumber("InstType", 1);
    TraceRecorder traces;
    Configure();
    EXPECT_EQ(engine_.installed, 1);
    EXPECT_STREQ(engine_.installDir, "d:\\Games\\Selvane\\Orchidveil");
    EXPECT_STREQ(engine_.sourceDir, "f:\\Orchidveil");
    EXPECT_EQ(engine_.installType, 1);
    EXPECT_EQ(traces.Lines().back(), "Reg Key <Software\\Selvane\\Orchidveil>\nInst Flag [1]");
}

TEST_F(ConfigureTest, ARecordWithoutCdKeepsTheLocatedSource) {
    PutRecordText("Dir", "d:\\Games\\Selvane\\Orchidveil");
    PutRecordNumber("InstType", 1);
    Configure();
    EXPECT_EQ(engine_.installed, 0);
    EXPECT_STREQ(engine_.installDir, "d:\\Games\\Selvane\\Orchidveil");
    EXPECT_EQ(std::string(engine_.sourceDir), FallbackSource());
}

TEST(FreeMegabytesOf, CountsTheVolumesWholeFreeMegabytes) {
    SetupEngine engine;
    ULARGE_INTEGER available, total, totalFree;
    ASSERT_TRUE(GetDiskFreeSpaceExA("c:\\", &available, &total, &totalFree));
    const int64_t expected = static_cast<int64_t>(totalFree.QuadPart >> 20);
    EXPECT_NEAR(engine.FreeMegabytesOf("c:\\"), expected, 64);
    if (totalFree.QuadPart <= (4ull << 30)) {
        GTEST_SKIP() << "the volume has 4 GiB free or less; the 64-bit case is not shown";
    }
    EXPECT_GT(engine.FreeMegabytesOf("c:\\"), 4096u);
}

TEST(FreeMegabytesOf, AsksTheVolumeThatWillHoldAMissingFolder) {
    SetupEngine engine;
    const int64_t root = engine.FreeMegabytesOf("c:\\");
    ASSERT_GT(root, 0);
    EXPECT_NEAR(engine.FreeMegabytesOf("c:\\Program Files\\Selvane\\Orchidveil"), root, 64);
    EXPECT_NEAR(engine.FreeMegabytesOf("c:\\no\\such\\folder\\"), root, 64);
    EXPECT_EQ(engine.FreeMegabytesOf("q:\\Games"), 0u);  // no such drive: nothing free
}
