#include "engine/text_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CopyText, CopiesWhatFitsAndRefusesWhatDoesNot) {
    char field[8];
    EXPECT_TRUE(CopyText(field, sizeof field, "1234567"));
    EXPECT_STREQ(field, "1234567");
    EXPECT_FALSE(CopyText(field, sizeof field, "12345678"));
    EXPECT_STREQ(field, "");
}

TEST(JoinPath, JoinsWithSingleBackslashes) {
    char path[260];
    ASSERT_TRUE(JoinPath(path, sizeof path, {"c:\\Program Files", "Selvane", "Orchidveil"}));
    EXPECT_STREQ(path, "c:\\Program Files\\Selvane\\Orchidveil");
    ASSERT_TRUE(JoinPath(path, sizeof path, {"c:\\group", "README"}, ".lnk"));
    EXPECT_STREQ(path, "c:\\group\\README.lnk");
}

TEST(JoinPath, RefusesAPathThatDoesNotFitInsteadOfCuttingIt) {
    char path[260];
    std::string folder(250, 'a');
    ASSERT_TRUE(JoinPath(path, sizeof path, {folder.c_str(), "12345678"}));  // 259 bytes
    EXPECT_EQ(std::string(path).size(), 259u);
    EXPECT_FALSE(JoinPath(path, sizeof path, {folder.c_str(), "123456789"}));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(JoinPath(path, sizeof path, {folder.c_str(), "1234"}, ".lnk12"));
    EXPECT_STREQ(path, "");
}

TEST(CutAtLastBackslash, DropsTheLastComponent) {
    char path[] = "d:\\update\\update.exe";
    EXPECT_TRUE(CutAtLastBackslash(path));
    EXPECT_STREQ(path, "d:\\update");
    char bare[] = "update.exe";
    EXPECT_FALSE(CutAtLastBackslash(bare));
    EXPECT_STREQ(bare, "update.exe");
}

TEST(ToParentFolder, WalksUpToTheDriveRoot) {
    struct Case { const char* path; bool moved; const char* parent; };
    const Case cases[] = {
        {"c:\\Program Files\\Selvane\\Orchidveil", true, "c:\\Program Files\\Selvane"},
        {"c:\\Program Files\\", true, "c:\\"},
        {"c:\\Program Files", true, "c:\\"},
        {"c:\\", false, "c:\\"},
        {"relative", false, "relative"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        char path[260];
        strcpy(path, c.path);
        EXPECT_EQ(ToParentFolder(path), c.moved) << c.path;
        EXPECT_STREQ(path, c.parent) << c.path;
    }
}

TEST(CopySizeIsWrong, AllowsSixtyFourKibEitherWayWithoutWrapping) {
    struct Case { uint32_t source, destination; bool wrong; };
    const Case cases[] = {
        {200000, 200000, false},
        {200000, 200000 - 65536, false},   // exactly 64 KiB short passes
        {200000, 200000 - 65537, true},
        {200000, 200000 + 65536, false},
        {200000, 200000 + 65537, true},
        {70000, 0, true},
        {65536, 0, false},                 // no lower limit at or below 64 KiB
        {0, 65537, true},
        {0xFFFFFFFFu, 0xFFFFFFFFu, false}, // no wrap at the top of the range
        {0xFFFFFFFFu, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopySizeIsWrong(c.source, c.destination), c.wrong)
            << c.source << " -> " << c.destination;
    }
}

TEST(WholeMegabytes, DropsTheRemainderOfTheFullCount) {
    EXPECT_EQ(WholeMegabytes(1048575), 0u);
    EXPECT_EQ(WholeMegabytes(2100ull * 1048576), 2100u);
    EXPECT_EQ(WholeMegabytes(5ull << 30), 5120u);              // above 4 GiB
    EXPECT_EQ(WholeMegabytes((1ull << 52) + (3ull << 20)), 3u); // low 32 bits of the quotient
}

TEST(DriveKindCode, MapsEveryDriveType) {
    const unsigned types[] = {0, 1, 2, 3, 4, 5, 6, 7, 0xFFFFFFFFu};
    const int32_t codes[] = {0, 0, 3, 1, 5, 2, 4, 0, 0};
    for (size_t i = 0; i < sizeof types / sizeof types[0]; ++i) {
        EXPECT_EQ(DriveKindCode(types[i]), codes[i]) << types[i];
    }
}
