#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/setup_engine.h"
#include "tests/support/test_env.h"
#include "title/profile.h"

namespace {

class InstallRecordTest : public ::testing::Test {
protected:
    RecordKeyGuard guard_;
    SetupEngine engine_;
    TraceRecorder traces_;

    void PresetFields() {
        strcpy(engine_.installDir, "before-dir");
        strcpy(engine_.sourceDir, "before-cd");
        engine_.installType = 7;
    }
};

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

}  // namespace

TEST_F(InstallRecordTest, ReadWithoutKeyChangesNothing) {
    PresetFields();
    EXPECT_FALSE(engine_.ReadInstallRecord());
    EXPECT_STREQ(engine_.installDir, "before-dir");
    EXPECT_STREQ(engine_.sourceDir, "before-cd");
    EXPECT_EQ(engine_.installType, 7);
    EXPECT_TRUE(traces_.Lines().empty());
    EXPECT_EQ(engine_.registryKey, nullptr);
}

TEST_F(InstallRecordTest, ReadTakesAllThreeValuesAndClosesTheKey) {
    PutRecordText("Dir", "c:\\Program Files\\Selvane\\Orchidveil");
    PutRecordText("CD", "e:\\Orchidveil");
    PutRecordNumber("InstType", 2);
    ASSERT_TRUE(engine_.ReadInstallRecord());
    EXPECT_STREQ(engine_.installDir, "c:\\Program Files\\Selvane\\Orchidveil");
    EXPECT_STREQ(engine_.sourceDir, "e:\\Orchidveil");
    EXPECT_EQ(engine_.installType, 2);
    EXPECT_EQ(engine_.registryKey, nullptr);
    const std::vector<std::string> expected = {
        "open <SOFTWARE\\Selvane\\Orchidveil>", "Dir <c:\\Program Files\\Selvane\\Orchidveil>",
        "CD <e:\\Orchidveil>", "InstType <2>"};
    EXPECT_EQ(traces_.Lines(), expected);
}

TEST_F(InstallRecordTest, ReadStopsAtAMissingValueKeepingWhatWasRead) {
    PresetFields();
    PutRecordText("Dir", "d:\\Games\\Selvane\\Orchidveil");
    PutRecordNumber("InstType", 1);
    EXPECT_FALSE(engine_.ReadInstallRecord());
    EXPECT_STREQ(engine_.installDir, "d:\\Games\\Selvane\\Orchidveil");
    EXPECT_STREQ(engine_.sourceDir, "before-cd");
    EXPECT_EQ(engine_.installType, 7);
    EXPECT_EQ(engine_.registryKey, nullptr);
}

TEST_F(InstallRecordTest, ReadRefusesTextsThatDoNotFitOrAreUnterminated) {
    struct Case { const char* what; std::string data; };
    const Case cases[] = {
        {"longer than the field", std::string(300, 'x') + '\0'},
        {"fills the field without a terminator", std::string(260, 'y')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PresetFields();
        PutRecordValue("Dir", REG_SZ, c.data.data(), static_cast<DWORD>(c.data.size()));
        PutRecordText("CD", "e:\\Orchidveil");
        PutRecordNumber("InstType", 1);
        EXPECT_FALSE(engine_.ReadInstallRecord());
        EXPECT_STREQ(engine_.installDir, "before-dir");
        EXPECT_EQ(engine_.registryKey, nullptr);
    }
}

TEST_F(InstallRecordTest, ReadTakesATwoByteStringInstTypeAsRawBytes) {
    PutRecordText("Dir", "c:\\x");
    PutRecordText("CD", "c:\\y");
    PutRecordText("InstType", "1");
    engine_.installType = 0x7F7F7F7F;
    ASSERT_TRUE(engine_.ReadInstallRecord());
    EXPECT_EQ(static_cast<uint32_t>(engine_.installType), 0x7F7F0031u);
}

TEST_F(InstallRecordTest, WriteStoresTextPlusTwoBytesAndTheNumber) {
    ASSERT_FALSE(RecordKeyExists(kMakerKeyPath));
    std::string dir = "c:\\Program Files\\Selvane\\Orchi";  // 30 bytes
    ASSERT_EQ(dir.size(), 30u);
    strcpy(engine_.installDir, dir.c_str());
    strcpy(engine_.sourceDir, "e:\\Orchidveil");
    engine_.installType = 2;
    ASSERT_TRUE(engine_.WriteInstallRecord());
    EXPECT_EQ(engine_.registryKey, nullptr);
    EXPECT_TRUE(RecordKeyExists(kMakerKeyPath));  // the missing parent was made too

    std::vector<unsigned char> bytes;
    DWORD type = 0;
    ASSERT_TRUE(GetRecordBytes("Dir", &bytes, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredRecordBytes("Dir"), 2u * 32);  // 30 + 2 bytes written
    bytes.resize(32);
    EXPECT_EQ(bytes, Bytes(dir + '\0' + '\0'));
    EXPECT_EQ(StoredRecordBytes("CD"), 2u * 15);
    ASSERT_TRUE(GetRecordBytes("InstType", &bytes, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{2, 0, 0, 0}));
    const std::vector<std::string> expected = {
        "create <SOFTWARE\\Selvane\\Orchidveil>", "Dir <" + dir + ">", "CD <e:\\Orchidveil>",
        "InstType <2>"};
    EXPECT_EQ(traces_.Lines(), expected);

    SetupEngine reader;
    ASSERT_TRUE(reader.ReadInstallRecord());
    EXPECT_STREQ(reader.installDir, dir.c_str());
}

TEST_F(InstallRecordTest, WriteOfAFullFieldStaysInsideIt) {
    std::string longest(259, 'p');
    strcpy(engine_.installDir, longest.c_str());
    ASSERT_TRUE(engine_.WriteInstallRecord());
    EXPECT_EQ(StoredRecordBytes("Dir"), 2u * 260);
    SetupEngine reader;
    ASSERT_TRUE(reader.ReadInstallRecord());
    EXPECT_EQ(std::string(reader.installDir), longest);
}

TEST_F(InstallRecordTest, WriteOverwritesItsValuesAndKeepsOthers) {
    PutRecordText("Dir", "old");
    PutRecordText("Player", "kept");
    strcpy(engine_.installDir, "new");
    ASSERT_TRUE(engine_.WriteInstallRecord());
    std::vector<unsigned char> bytes;
    DWORD type = 0;
    ASSERT_TRUE(GetRecordBytes("Player", &bytes, &type));
    EXPECT_EQ(bytes, Bytes(std::string("kept") + '\0'));
    ASSERT_TRUE(GetRecordBytes("Dir", &bytes, &type));
    EXPECT_EQ(bytes[0], 'n');
    EXPECT_EQ(StoredRecordBytes("Dir"), 2u * 5);
}

TEST_F(InstallRecordTest, DeleteRemovesOnlyTheTitleKey) {
    PutRecordText("Dir", "c:\\x");
    ASSERT_TRUE(engine_.DeleteRecordKey(g_profileKeyPath));
    EXPECT_FALSE(RecordKeyExists(g_profileKeyPath));
    EXPECT_TRUE(RecordKeyExists(kMakerKeyPath));
    EXPECT_FALSE(engine_.DeleteRecordKey(g_profileKeyPath));
}

TEST_F(InstallRecordTest, FailedValueOperationsCloseTheKey) {
    ASSERT_TRUE(engine_.CreateRecordKey(g_profileKeyPath));
    ASSERT_NE(engine_.registryKey, nullptr);
    char buffer[4];
    EXPECT_FALSE(engine_.GetRecordValue("Missing", REG_SZ, buffer, sizeof buffer));
    EXPECT_EQ(engine_.registryKey, nullptr);

    ASSERT_TRUE(engine_.OpenRecordKey(g_profileKeyPath));
    std::string overlongName(17000, 'v');  // beyond the registry's name limit
    EXPECT_FALSE(engine_.SetRecordValue(overlongName.c_str(), REG_SZ, "x", 2));
    EXPECT_EQ(engine_.registryKey, nullptr);
    EXPECT_FALSE(engine_.OpenRecordKey("SOFTWARE\\Selvane\\NoSuchTitle"));
    EXPECT_EQ(engine_.registryKey, nullptr);
}

TEST_F(InstallRecordTest, TeardownClosesAnOpenKey) {
    ASSERT_TRUE(engine_.CreateRecordKey(g_profileKeyPath));
    engine_.Teardown();
    EXPECT_EQ(engine_.registryKey, nullptr);
}
