// Install and uninstall against the prefix's registry, file system and
// shell folders, with the message boxes caught and answered on this thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/setup_engine.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/test_env.h"
#include "title/profile.h"
#include "tools/ui_driver.h"

namespace {

const std::string kQuestionTitle = "確認";

// A title with the profile's lists, its source folder filled with small
// files, and a base folder to install under.
class InstallTest : public ::testing::Test {
protected:
    RecordKeyGuard guard_;
    ScratchDir root_;
    OpenDialog dialog_;
    SetupEngine engine_;
    std::string source_ = root_ / "disc\\Orchidveil";
    std::string base_ = root_ / "Games";
    std::string target_ = base_ + "\\Selvane\\Orchidveil";
    std::string group_ = CommonProgramsFolder() + "\\Selvane\\Orchidveil";

    void SetUp() override {
        ASSERT_FALSE(FileExists(CommonProgramsFolder() + "\\Selvane")) << "left over from an earlier run";
        g_installList[0] = g_profileExecutable;
        engine_.installFiles = engine_.CopyList(engine_.installFiles, g_installList);
        engine_.updateFiles = engine_.CopyList(engine_.updateFiles, g_updateList);
        strcpy(engine_.makerName, "Selvane");
        strcpy(engine_.titleName, "Orchidveil");
        strcpy(engine_.sourceFolder, "Orchidveil");
        strcpy(engine_.sourceDir, source_.c_str());
        strcpy(engine_.installBase, base_.c_str());
        engine_.SetProgressCtrl(1005);
        engine_.SetRequiredMegabytes(1);
        MakeFolder(root_ / "disc");
        MakeFolder(source_);
        for (int k = 0; k < 12; ++k) MakeFile(source_ + "\\" + g_installList[k], 1000 + k, k);
    }
    void TearDown() override { RemoveTree(CommonProgramsFolder() + "\\Selvane"); }

    std::string Target(const char* name) const { return target_ + "\\" + name; }
};

}  // namespace

TEST_F(InstallTest, ACompleteInstall) {
    MakeFolder(base_);
    MessageBoxCatcher catcher(IDYES);
    ASSERT_TRUE(engine_.RunInstall());
    EXPECT_EQ(engine_.installed, 1);
    EXPECT_EQ(std::string(engine_.installDir), target_);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(ReadBytes(Target(g_installList[k])), ReadBytes(source_ + "\\" + g_installList[k]))
            << g_installList[k];
    }
    SetupEngine reader;
    ASSERT_TRUE(reader.ReadInstallRecord());
    EXPECT_EQ(std::string(reader.installDir), target_);
    EXPECT_EQ(std::string(reader.sourceDir), source_);
    EXPECT_EQ(reader.installType, 0);
    for (const char* link : {"Orchidveil.lnk", "README.lnk", "アンインストール.lnk"}) {
        EXPECT_TRUE(FileExists(group_ + "\\" + link)) << link;
    }
    const std::vector<std::string> statuses = {
        "レジストリにゲーム情報を書き込んでいます。", "スタートメニューに登録しています。",
        "インストールが完了しました。", ""};
    std::vector<std::string> phases;
    for (const std::string& text : dialog_.StatusTexts()) {
        // Between them the copy's own spinner texts name the files.
        if (text.find(".pac ") == std::string::npos && text.find(".exe ") == std::string::npos &&
            text.find(".dll ") == std::string::npos && text.find(".txt ") == std::string::npos) {
            phases.push_back(text);
        }
    }
    EXPECT_EQ(phases, statuses);
    ASSERT_EQ(catcher.Boxes().size(), 2u);  // the new folder chain was asked for first
    EXPECT_TRUE(catcher.Boxes()[0].questionIcon);
    EXPECT_EQ(catcher.Boxes()[1].caption, "終了");
    EXPECT_EQ(catcher.Boxes()[1].text, "インストールが完了しました。");
    EXPECT_EQ(catcher.Boxes()[1].owner, nullptr);
    EXPECT_TRUE(catcher.Boxes()[1].warningIcon);
    EXPECT_TRUE(FileExists(base_ + "\\Selvane"));
    EXPECT_EQ(dialog_.ProgressPosition(), 1000);
}

TEST_F(InstallTest, AnExistingTargetIsUsedWithoutAQuestion) {
    MakeFolder(base_);
    MakeFolder(base_ + "\\Selvane");
    MakeFolder(target_);
    MessageBoxCatcher catcher;
    ASSERT_TRUE(engine_.RunInstall());
    ASSERT_EQ(catcher.Boxes().size(), 1u);  // only the finished box
    EXPECT_EQ(catcher.Boxes()[0].caption, "終了");
}

TEST_F(InstallTest, DecliningTheFolderQuestionMakesNothing) {
    MessageBoxCatcher catcher(IDNO);
    EXPECT_FALSE(engine_.RunInstall());
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].caption, kQuestionTitle);
    EXPECT_EQ(catcher.Boxes()[0].text, target_ + "\nフォルダを作成します。\nよろしいですか？");
    EXPECT_TRUE(catcher.Boxes()[0].questionIcon);
    EXPECT_EQ(catcher.Boxes()[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(catcher.Boxes()[1].text, target_ + " フォルダを作成できませんでした。");
    EXPECT_TRUE(catcher.Boxes()[1].warningIcon);
    EXPECT_FALSE(FileExists(base_));
    EXPECT_FALSE(RecordKeyExists(g_profileKeyPath));
    EXPECT_EQ(engine_.installed, 0);
}

TEST_F(InstallTest, TrailingBackslashesOfTheBaseFolder) {
    struct Case { std::string base; std::string target; };
    const Case cases[] = {
        {base_ + "\\", target_},
        {base_ + "\\\\", base_ + "\\\\Selvane\\Orchidveil"},  // one of two is removed
    };
    for (const Case& c : cases) {
        strcpy(engine_.installBase, c.base.c_str());
        MessageBoxCatcher catcher(IDNO);
        EXPECT_FALSE(engine_.RunInstall());
        EXPECT_EQ(std::string(engine_.installDir), c.target);
    }
}

TEST_F(InstallTest, TheSpaceCheckComparesWholeMegabytes) {
    MakeFolder(base_);
    // Other programs may change the free space between two readings; the
    // check is tried again when it moved.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const uint32_t free = engine_.FreeMegabytesOf(base_.c_str());
        engine_.SetRequiredMegabytes(free + 1);
        MessageBoxCatcher catcher;
        EXPECT_FALSE(engine_.RunInstall());
        ASSERT_EQ(catcher.Boxes().size(), 1u);
        const std::string expected = base_.substr(0, 3) +
                                     " ドライブの空き容量が足りません。\n今現在のドライブの容量は " +
                                     std::to_string(free) + "Mです。\nインストールするには 約" +
                                     std::to_string(free + 1) + "Mの容量が必要です。";
        if (engine_.FreeMegabytesOf(base_.c_str()) != free) continue;
        EXPECT_EQ(catcher.Boxes()[0].text, expected);
        EXPECT_EQ(catcher.Boxes()[0].caption, "確認");
        EXPECT_TRUE(catcher.Boxes()[0].warningIcon);
        EXPECT_FALSE(FileExists(base_ + "\\Selvane"));
        break;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        const uint32_t free = engine_.FreeMegabytesOf(base_.c_str());
        engine_.SetRequiredMegabytes(free);  // equal passes
        MessageBoxCatcher catcher;
        bool installed = engine_.RunInstall();
        if (!installed && engine_.FreeMegabytesOf(base_.c_str()) != free) continue;
        EXPECT_TRUE(installed);
        break;
    }
}

TEST_F(InstallTest, ATargetOnAMissingDrive) {
    strcpy(engine_.installBase, "q:\\Games");
    {
        // Nothing can be free on a drive that is not there.
        MessageBoxCatcher catcher;
        EXPECT_FALSE(engine_.RunInstall());
        ASSERT_EQ(catcher.Boxes().size(), 1u);
        EXPECT_EQ(catcher.Boxes()[0].text,
                  "q:\\ ドライブの空き容量が足りません。\n今現在のドライブの容量は 0Mです。\n"
                  "インストールするには 約1Mの容量が必要です。");
    }
    engine_.SetRequiredMegabytes(0);
    MessageBoxCatcher catcher(IDYES);
    EXPECT_FALSE(engine_.RunInstall());
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].text, "q:\\Games\\Selvane\\Orchidveil\nフォルダを作成します。\nよろしいですか？");
    EXPECT_EQ(catcher.Boxes()[1].text, "q:\\Games\\Selvane\\Orchidveil フォルダを作成できませんでした。");
}

namespace {

std::atomic<int> g_installReads{0};
SetupEngine* g_installEngine = nullptr;

size_t AbortOnThirdRead(void* buffer, size_t bytes, FILE* stream) {
    if (++g_installReads == 3) g_installEngine->cancelState = kCancelRequested;
    return StandardCopyStreamOps().read(buffer, bytes, stream);
}

}  // namespace

TEST_F(InstallTest, ACancelledCopyRemovesTheListedFiles) {
    MakeFolder(base_);
    MakeFolder(base_ + "\\Selvane");
    MakeFolder(target_);
    MakeFile(Target("book_6.pac"), 10);   // listed, there before: removed too
    MakeFile(Target("savedata.dat"), 10); // not listed: kept
    g_installReads = 0;
    g_installEngine = &engine_;
    g_copyStreamOps = {AbortOnThirdRead, StandardCopyStreamOps().write};
    MessageBoxCatcher catcher;
    EXPECT_FALSE(engine_.RunInstall());
    g_copyStreamOps = StandardCopyStreamOps();
    EXPECT_TRUE(catcher.Boxes().empty());
    for (int k = 0; k < 12; ++k) EXPECT_FALSE(FileExists(Target(g_installList[k]))) << k;
    EXPECT_FALSE(FileExists(Target("book_6.pac")));
    EXPECT_TRUE(FileExists(Target("savedata.dat")));
    EXPECT_TRUE(FileExists(target_));
    EXPECT_FALSE(RecordKeyExists(g_profileKeyPath));
    EXPECT_FALSE(FileExists(group_));
    EXPECT_EQ(engine_.installed, 0);
}

namespace {

// An installed title: files in the target, the record and the group.
class UninstallTest : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        MakeFolder(base_);
        MessageBoxCatcher catcher;
        ASSERT_TRUE(engine_.RunInstall());
        MakeFile(Target("savedata.dat"), 10);
        SetFileAttributesA(Target("readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
};

}  // namespace

TEST_F(UninstallTest, DeclinedChangesNothing) {
    MessageBoxCatcher catcher(IDNO);
    EXPECT_FALSE(engine_.RunUninstall());
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "確認");
    EXPECT_EQ(catcher.Boxes()[0].text,
              "Orchidveil のアンインストールを開始します。\n開始してもよろしいですか？");
    EXPECT_TRUE(catcher.Boxes()[0].questionIcon);
    EXPECT_TRUE(FileExists(Target("pict.pac")));
    EXPECT_TRUE(RecordKeyExists(g_profileKeyPath));
    EXPECT_TRUE(FileExists(group_ + "\\README.lnk"));
    EXPECT_EQ(engine_.installed, 1);
}

TEST_F(UninstallTest, RemovesFilesGroupAndRecord) {
    MakeFolder(CommonProgramsFolder() + "\\Selvane\\Another Title");
    MessageBoxCatcher catcher(IDYES);
    EXPECT_TRUE(engine_.RunUninstall());
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[1].caption, "終了");
    EXPECT_EQ(catcher.Boxes()[1].text, "アンインストールが完了しました。");
    EXPECT_TRUE(catcher.Boxes()[1].warningIcon);
    for (int k = 0; k < 12; ++k) EXPECT_FALSE(FileExists(Target(g_installList[k]))) << k;
    EXPECT_TRUE(FileExists(Target("savedata.dat")));
    EXPECT_TRUE(FileExists(target_));
    EXPECT_FALSE(FileExists(group_));
    EXPECT_TRUE(FileExists(CommonProgramsFolder() + "\\Selvane"));  // holds another group
    EXPECT_FALSE(RecordKeyExists(g_profileKeyPath));
    EXPECT_TRUE(RecordKeyExists(kMakerKeyPath));
    EXPECT_EQ(engine_.installed, 0);
    EXPECT_EQ(std::string(engine_.shellFolder), CommonProgramsFolder());
}

TEST_F(UninstallTest, AnEmptyMakerFolderGoesWithTheGroup) {
    MessageBoxCatcher catcher(IDYES);
    EXPECT_TRUE(engine_.RunUninstall());
    EXPECT_FALSE(FileExists(CommonProgramsFolder() + "\\Selvane"));
}

TEST_F(UninstallTest, AMissingRecordKeyFailsAfterTheFiles) {
    ASSERT_TRUE(engine_.DeleteRecordKey(g_profileKeyPath));
    MessageBoxCatcher catcher(IDYES);
    EXPECT_FALSE(engine_.RunUninstall());
    EXPECT_EQ(catcher.Boxes().size(), 1u);  // the question, no finished box
    EXPECT_FALSE(FileExists(Target("pict.pac")));
    EXPECT_FALSE(FileExists(group_ + "\\README.lnk"));
    EXPECT_EQ(engine_.installed, 1);
}
