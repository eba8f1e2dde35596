// The built update.exe and setup.exe files as a loader and Explorer see them: PE kind and
// subsystem, no compiler DLLs, the icon, the dialog template, the version
// block and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

struct Program {
    const char* name;  // "update" or "setup"
    const char* arch;
    std::string path;
    WORD machine;
    WORD optionalMagic;
};

std::vector<Program> Programs() {
    std::vector<Program> programs;
    for (const char* name : {"update", "setup"}) {
        const std::string file = std::string("/") + name + ".exe";
        programs.push_back({name, "i686", WinePath(KIT_I686_BIN + file), IMAGE_FILE_MACHINE_I386,
                            0x10B});
        programs.push_back({name, "x86_64", WinePath(KIT_X86_64_BIN + file),
                            IMAGE_FILE_MACHINE_AMD64, 0x20B});
    }
    return programs;
}

std::vector<unsigned char> ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

template <typename T>
T At(const std::vector<unsigned char>& file, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= file.size()) memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}

// A parsed PE header: what the tests look at.
struct PeFacts {
    WORD machine = 0, magic = 0, subsystem = 0;
    std::vector<std::string> imports;  // DLL names, lower case
};

PeFacts ReadPe(const std::vector<unsigned char>& file) {
    PeFacts facts;
    const size_t pe = At<LONG>(file, 0x3C);
    const size_t coff = pe + 4;
    facts.machine = At<WORD>(file, coff);
    const WORD sections = At<WORD>(file, coff + 2);
    const WORD optionalSize = At<WORD>(file, coff + 16);
    const size_t optional = coff + 20;
    facts.magic = At<WORD>(file, optional);
    facts.subsystem = At<WORD>(file, optional + 68);
    const size_t directories = optional + (facts.magic == 0x20B ? 112 : 96);
    const DWORD importRva = At<DWORD>(file, directories + 8);
    const size_t sectionTable = optional + optionalSize;
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD k = 0; k < sections; ++k) {
            size_t header = sectionTable + k * 40;
            DWORD virtualAddress = At<DWORD>(file, header + 12);
            DWORD rawSize = At<DWORD>(file, header + 16);
            DWORD rawOffset = At<DWORD>(file, header + 20);
            if (rva >= virtualAddress && rva < virtualAddress + rawSize) {
                return rawOffset + (rva - virtualAddress);
            }
        }
        return 0;
    };
    for (size_t entry = fileOffset(importRva); entry != 0; entry += 20) {
        DWORD nameRva = At<DWORD>(file, entry + 12);
        if (nameRva == 0) break;
        size_t name = fileOffset(nameRva);
        std::string dll;
        while (name < file.size() && file[name] != 0) dll += static_cast<char>(tolower(file[name++]));
        facts.imports.push_back(dll);
    }
    return facts;
}

std::wstring Wide(const std::string& cp932) {
    wchar_t wide[512] = {};
    MultiByteToWideChar(932, 0, cp932.c_str(), -1, wide, 512);
    return wide;
}

// Reads a classic dialog template.
struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom;
    std::wstring text;
};
struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption, face;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

DialogTemplate ParseDialog(const BYTE* data) {
    DialogTemplate dialog;
    const WORD* words = reinterpret_cast<const WORD*>(data);
    auto dword = [&](size_t at) { return static_cast<DWORD>(words[at] | (words[at + 1] << 16)); };
    size_t at = 0;
    dialog.style = dword(at);
    dialog.exStyle = dword(at + 2);
    WORD count = words[4];
    dialog.x = words[5];
    dialog.y = words[6];
    dialog.cx = words[7];
    dialog.cy = words[8];
    at = 9;
    auto skipNameOrOrdinal = [&]() {
        if (words[at] == 0xFFFF) { at += 2; return; }
        while (words[at] != 0) ++at;
        ++at;
    };
    auto readText = [&]() {
        std::wstring text;
        while (words[at] != 0) text += static_cast<wchar_t>(words[at++]);
        ++at;
        return text;
    };
    skipNameOrOrdinal();  // menu
    skipNameOrOrdinal();  // class
    dialog.caption = readText();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = words[at++];
        dialog.face = readText();
    }
    for (WORD k = 0; k < count; ++k) {
        if (at % 2) ++at;  // items start on a DWORD boundary
        TemplateItem item;
        item.style = dword(at);
        item.x = words[at + 4];
        item.y = words[at + 5];
        item.cx = words[at + 6];
        item.cy = words[at + 7];
        item.id = words[at + 8];
        at += 9;
        item.classAtom = words[at] == 0xFFFF ? words[at + 1] : 0;
        skipNameOrOrdinal();
        item.text = readText();
        WORD extra = words[at++];
        at += (extra + 1) / 2;
        dialog.items.push_back(item);
    }
    return dialog;
}

class ProgramFileTest : public ::testing::TestWithParam<Program> {
protected:
    HMODULE module_ = nullptr;
    void SetUp() override {
        module_ = LoadLibraryExA(GetParam().path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << GetParam().path;
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::vector<BYTE> Resource(LPCSTR type, LPCSTR name, WORD language) {
        HRSRC found = FindResourceExA(module_, type, name, language);
        if (found == nullptr) return {};
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
        return std::vector<BYTE>(data, data + SizeofResource(module_, found));
    }
};

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

}  // namespace

TEST_P(ProgramFileTest, IsAStaticGuiProgramOfItsArchitecture) {
    PeFacts pe = ReadPe(ReadWhole(GetParam().path));
    EXPECT_EQ(pe.machine, GetParam().machine);
    EXPECT_EQ(pe.magic, GetParam().optionalMagic);
    EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    ASSERT_FALSE(pe.imports.empty());
    for (const std::string& dll : pe.imports) {
        EXPECT_EQ(dll.find("libgcc"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("libstdc++"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("winpthread"), std::string::npos) << dll;
    }
}

TEST_P(ProgramFileTest, CarriesOneFortyEightPixelIcon) {
    std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(104), kJapanese);
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(group[4] | (group[5] << 8), 1);  // one image
    EXPECT_EQ(group[6], 48);                   // width
    EXPECT_EQ(group[7], 48);                   // height
    EXPECT_EQ(group[12] | (group[13] << 8), 32);  // bits per pixel
}

TEST_P(ProgramFileTest, UpdateDialogTemplateIsAsTabled) {
    if (std::string(GetParam().name) != "update") GTEST_SKIP() << "setup.exe has the setup layout";
    std::vector<BYTE> data = Resource(RT_DIALOG, MAKEINTRESOURCEA(105), kJapanese);
    ASSERT_FALSE(data.empty());
    DialogTemplate dialog = ParseDialog(data.data());
    EXPECT_EQ(dialog.style, 0x80C000C0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 187);
    EXPECT_EQ(dialog.cy, 51);
    EXPECT_EQ(dialog.caption, Wide("\xc0\xde\xb2\xb1\xdb\xb8\xde"));  // ﾀﾞｲｱﾛｸﾞ
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.face, Wide("\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"));
    struct Item { WORD id; WORD atom; const char* text; DWORD style; short x, y, cx, cy; };
    const Item expected[] = {
        {1008, 0x80, "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67", 0x50010001, 7, 30, 78, 14},
        {2, 0x80, "\xb7\xac\xdd\xbe\xd9", 0x50010000, 102, 30, 78, 14},
        {1009, 0x82, "Static", 0x50020000, 7, 7, 173, 20},
    };
    ASSERT_EQ(dialog.items.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const TemplateItem& item = dialog.items[k];
        EXPECT_EQ(item.id, expected[k].id);
        EXPECT_EQ(item.classAtom, expected[k].atom);
        EXPECT_EQ(item.text, Wide(expected[k].text));
        EXPECT_EQ(item.style, expected[k].style);
        EXPECT_EQ(item.x, expected[k].x);
        EXPECT_EQ(item.y, expected[k].y);
        EXPECT_EQ(item.cx, expected[k].cx);
        EXPECT_EQ(item.cy, expected[k].cy);
    }
}

TEST_P(ProgramFileTest, SetupCarriesItsLayoutAndTheOptionsDialog) {
    if (std::string(GetParam().name) != "setup") GTEST_SKIP() << "update.exe has the update layout";
    std::vector<BYTE> layout = Resource(RT_DIALOG, MAKEINTRESOURCEA(105), kJapanese);
    ASSERT_FALSE(layout.empty());
    std::vector<WORD> ids;
    for (const TemplateItem& item : ParseDialog(layout.data()).items) ids.push_back(item.id);
    for (WORD id : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1014, 1017, 1018, 1019, 1020, 1021, 2}) {
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    }
    std::vector<BYTE> options = Resource(RT_DIALOG, MAKEINTRESOURCEA(109), kJapanese);
    ASSERT_FALSE(options.empty());
    ids.clear();
    for (const TemplateItem& item : ParseDialog(options.data()).items) ids.push_back(item.id);
    for (WORD id : {1011, 1012, 1013, 1015, 1020, 1021, 1022, 1023}) {
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    }
}

TEST_P(ProgramFileTest, VersionBlockNamesTheProgram) {
    const std::string& path = GetParam().path;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    auto text = [&](const char* name) {
        std::string query = std::string("\\StringFileInfo\\041104b0\\") + name;
        char* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::string("<missing>");
        return std::string(value, length ? strnlen(value, length) : 0);
    };
    const std::string name = GetParam().name;
    EXPECT_EQ(text("FileDescription"), name);
    EXPECT_EQ(text("ProductName"), name);
    EXPECT_EQ(text("OriginalFilename"), name + ".exe");
    EXPECT_EQ(text("FileVersion"), "1, 0, 1, 1");
    EXPECT_EQ(text("ProductVersion"), "1, 0, 1, 1");
    EXPECT_EQ(text("Comments"), "");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010001u);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);
}

TEST_P(ProgramFileTest, ManifestListsOnlyTheTwoSupportedSystems) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    std::string manifest(data, SizeofResource(module_, found));
    EXPECT_NE(manifest.find("<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find("<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>"),
              std::string::npos);
    size_t count = 0;
    for (size_t at = manifest.find("supportedOS"); at != std::string::npos;
         at = manifest.find("supportedOS", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 2u);
    for (const char* absent : {"requestedExecutionLevel", "dependency", "trustInfo",
                               "Microsoft.Windows.Common-Controls"}) {
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
    }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, ProgramFileTest, ::testing::ValuesIn(Programs()),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return std::string(info.param.name) + "_" + info.param.arch;
                         });
