// The update procedure in-process, where the program's folder (the tests'
// bin folder) holds no update folder: nothing is copied, the completion
// box still comes. Copies from a real update folder are in the end-to-end
// tests of update.exe.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/setup_engine.h"
#include "tests/support/test_env.h"
#include "tools/ui_driver.h"

TEST(RunUpdate, WithoutAnUpdateFolderOnlyClearsAttributesAndCompletes) {
    ASSERT_FALSE(FileExists(ProgramFolder() + "\\Orchidveil"));
    ScratchDir installed;
    SetupEngine engine;
    const char* installNames[] = {"Orchidveil.exe", "pict.pac", nullptr};
    const char* updateNames[] = {"pict_2.pac", nullptr};
    engine.installFiles = engine.CopyList(engine.installFiles, installNames);
    engine.updateFiles = engine.CopyList(engine.updateFiles, updateNames);
    strcpy(engine.sourceFolder, "Orchidveil");
    strcpy(engine.installDir, installed.Path().c_str());
    strcpy(engine.sourceDir, "e:\\Orchidveil");
    MakeFile(installed / "pict.pac", 100, 3);
    MakeFile(installed / "pict_2.pac", 100, 4);
    SetFileAttributesA((installed / "pict.pac").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((installed / "pict_2.pac").c_str(), FILE_ATTRIBUTE_READONLY);

    MessageBoxCatcher catcher;
    engine.RunUpdate();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    const BoxInfo& box = catcher.Boxes()[0];
    EXPECT_EQ(box.caption, "終了");
    EXPECT_EQ(box.text, "アップデートが完了しました。");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(box.warningIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});

    EXPECT_EQ(std::string(engine.sourceDir), ProgramFolder());
    for (const char* name : {"pict.pac", "pict_2.pac"}) {
        EXPECT_EQ(GetFileAttributesA((installed / name).c_str()) & FILE_ATTRIBUTE_READONLY, 0u)
            << name;
        EXPECT_EQ(FileBytes(installed / name), 100) << name;
    }
    EXPECT_FALSE(FileExists(installed / "Orchidveil.exe"));
}

TEST(RunUpdate, EmptyListsStillComplete) {
    SetupEngine engine;
    const char* none[] = {nullptr};
    engine.installFiles = engine.CopyList(engine.installFiles, none);
    engine.updateFiles = engine.CopyList(engine.updateFiles, none);
    MessageBoxCatcher catcher;
    engine.RunUpdate();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "終了");
}
