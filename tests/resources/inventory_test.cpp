#include "res/resource.h"
#include "setup_image.h"

#include <winver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct Entry {
    std::wstring type;
    std::wstring name;
    WORD language;

    bool operator<(const Entry& other) const {
        return std::tie(type, name, language) < std::tie(other.type, other.name, other.language);
    }
    bool operator==(const Entry& other) const {
        return std::tie(type, name, language) == std::tie(other.type, other.name, other.language);
    }
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << std::string(entry.type.begin(), entry.type.end()) << "/"
         << std::string(entry.name.begin(), entry.name.end()) << "/" << entry.language;
}

std::wstring Identifier(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) {
        return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id));
    }
    return id;
}

struct Walk {
    std::vector<Entry> entries;
    std::wstring type;
    std::wstring name;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    Walk* walk = reinterpret_cast<Walk*>(param);
    walk->entries.push_back({walk->type, walk->name, language});
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    Walk* walk = reinterpret_cast<Walk*>(param);
    walk->name = Identifier(name);
    EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
    Walk* walk = reinterpret_cast<Walk*>(param);
    walk->type = Identifier(type);
    EnumResourceNamesW(module, type, OnName, param);
    return TRUE;
}

std::vector<Entry> StoredResources() {
    Walk walk;
    EnumResourceTypesW(SetupModule(), OnType, reinterpret_cast<LONG_PTR>(&walk));
    std::sort(walk.entries.begin(), walk.entries.end());
    return walk.entries;
}

TEST(Inventory, SetupExeLoadsAsDataFile) {
    ASSERT_FALSE(SetupExePath().empty()) << "pass the path of Setup.exe as the argument";
    ASSERT_NE(SetupModule(), nullptr) << "cannot load the file, error " << GetLastError();
}

TEST(Inventory, ExactlyTheFiveResourcesAndTheirIconImagesInEnglishUs) {
    ASSERT_NE(SetupModule(), nullptr);
    // Strings 131-133 live in block 9, the one that holds 128-143.
    std::vector<Entry> expected = {
        {Identifier(RT_STRING), Identifier(MAKEINTRESOURCEW(IDS_VENDOR_NAME / 16 + 1)), kEnglishUs},
        {Identifier(RT_DIALOG), Identifier(MAKEINTRESOURCEW(IDD_LANGUAGE)), kEnglishUs},
        {Identifier(RT_GROUP_ICON), Identifier(MAKEINTRESOURCEW(IDI_SETUP)), kEnglishUs},
        {Identifier(RT_VERSION), Identifier(MAKEINTRESOURCEW(VS_VERSION_INFO)), kEnglishUs},
        {Identifier(RT_MANIFEST), Identifier(CREATEPROCESS_MANIFEST_RESOURCE_ID), kEnglishUs},
    };
    // The images of the icon group are stored as resources of their own, one
    // per group entry, under the identifiers the group names.
    std::vector<BYTE> group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_SETUP));
    ByteReader reader(group);
    reader.Seek(4);
    WORD count = reader.Word();
    for (WORD i = 0; i < count && reader.ok(); ++i) {
        reader.Seek(6 + 14u * i + 12);
        expected.push_back(
            {Identifier(RT_ICON), Identifier(MAKEINTRESOURCEW(reader.Word())), kEnglishUs});
    }
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(count, 4);
    std::sort(expected.begin(), expected.end());

    EXPECT_EQ(StoredResources(), expected);
}

struct StringCase {
    UINT id;
    const wchar_t* text;
};

const StringCase kStrings[] = {
    {IDS_VENDOR_NAME, L"ORVANE"},
    {IDS_PRODUCT_NAME, L"ORVANE VR-ZT042 HLX480 Driver v2.4.0.0"},
    {IDS_PACKAGE_NAME, L"HLX480DriverInstaller"},
};

TEST(Strings, BlockHoldsExactlyTheThreeTexts) {
    std::vector<BYTE> block = ResourceBytes(RT_STRING, MAKEINTRESOURCEW(IDS_VENDOR_NAME / 16 + 1));
    ASSERT_FALSE(block.empty());
    ByteReader reader(block);
    for (UINT id = IDS_VENDOR_NAME / 16 * 16; id < IDS_VENDOR_NAME / 16 * 16 + 16; ++id) {
        std::wstring stored;
        WORD length = reader.Word();
        for (WORD i = 0; i < length; ++i) {
            stored.push_back(static_cast<wchar_t>(reader.Word()));
        }
        const auto match = std::find_if(std::begin(kStrings), std::end(kStrings),
                                        [id](const StringCase& c) { return c.id == id; });
        EXPECT_EQ(stored, match == std::end(kStrings) ? L"" : match->text) << "string " << id;
    }
    EXPECT_TRUE(reader.ok()) << "block is truncated";
    EXPECT_EQ(reader.Remaining(), 0u) << "block has bytes after its sixteen entries";
}

TEST(Strings, LoadStringReadsEachTextWhole) {
    ASSERT_NE(SetupModule(), nullptr);
    for (const StringCase& c : kStrings) {
        // The launcher reads through a buffer of 100 characters.
        wchar_t buffer[100] = {};
        int length = LoadStringW(SetupModule(), c.id, buffer, 100);
        EXPECT_EQ(std::wstring(buffer, length > 0 ? length : 0), c.text) << "string " << c.id;
    }
}

} // namespace
