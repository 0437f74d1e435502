#include "setup_image.h"

#include <winver.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

// One node of a version block: header, key, value and the nodes inside it.
struct VersionNode {
    WORD length = 0;
    WORD valueLength = 0;
    WORD type = 0;
    std::wstring key;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;
};

bool ParseVersionNode(ByteReader& reader, size_t end, VersionNode& node) {
    reader.AlignToDword();
    const size_t start = reader.Position();
    node.length = reader.Word();
    node.valueLength = reader.Word();
    node.type = reader.Word();
    node.key = reader.String();
    const size_t nodeEnd = start + node.length;
    if (!reader.ok() || node.length < 6 || nodeEnd > end) {
        return false;
    }
    reader.AlignToDword();
    // Text values count WCHARs, binary values bytes.
    const size_t valueBytes = node.type == 1 ? 2u * node.valueLength : node.valueLength;
    for (size_t i = 0; i < valueBytes && reader.Position() < nodeEnd; ++i) {
        node.value.push_back(reader.Byte());
    }
    if (node.value.size() != valueBytes) {
        return false;
    }
    for (;;) {
        reader.AlignToDword();
        if (reader.Position() >= nodeEnd) {
            break;
        }
        VersionNode child;
        if (!ParseVersionNode(reader, nodeEnd, child)) {
            return false;
        }
        node.children.push_back(child);
    }
    reader.Seek(nodeEnd);
    return reader.ok();
}

std::wstring Text(const VersionNode& node) {
    std::wstring text;
    for (size_t i = 0; i + 1 < node.value.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(node.value[i] | node.value[i + 1] << 8));
    }
    return text;
}

struct StringCase {
    const wchar_t* key;
    const wchar_t* value;
};

// In the order in which the block stores them.
const StringCase kStrings[] = {
    {L"CompanyName", L"ORVANE CO. ,LTD"},
    {L"FileDescription", L"Installer for the VR-ZT042 HLX480 Driver Package"},
    {L"FileVersion", L"2.4.0.2"},
    {L"InternalName", L"Setup.exe"},
    {L"LegalCopyright", L"Copyright (C) ORVANE CO. ,LTD. All rights reserved."},
    {L"OriginalFilename", L"Setup.exe"},
    {L"ProductName", L"Setup.exe"},
    {L"ProductVersion", L"2.4.0.2"},
};

// Read the way the shell reads it, from the file.
class VersionInfoTest : public testing::Test {
  protected:
    void SetUp() override {
        const std::wstring path = SetupExePath();
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_NE(size, 0u) << "no version block, error " << GetLastError();
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    }
    bool Query(const std::wstring& path, void** value, UINT* length) {
        return VerQueryValueW(block.data(), path.c_str(), value, length) != FALSE;
    }
    std::vector<BYTE> block;
};

TEST_F(VersionInfoTest, FixedFieldsDescribeReleaseAppVersion2402) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(Query(L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const VS_FIXEDFILEINFO& info = *static_cast<const VS_FIXEDFILEINFO*>(value);
    const struct {
        const char* field;
        DWORD actual;
        DWORD expected;
    } rows[] = {
        {"signature", info.dwSignature, 0xFEEF04BD},
        {"structure version", info.dwStrucVersion, 0x00010000},
        {"file version, high", info.dwFileVersionMS, 0x00020004},
        {"file version, low", info.dwFileVersionLS, 0x00000002},
        {"product version, high", info.dwProductVersionMS, 0x00020004},
        {"product version, low", info.dwProductVersionLS, 0x00000002},
        {"flags mask", info.dwFileFlagsMask, 0x3F},
        {"flags", info.dwFileFlags, 0},
        {"OS", info.dwFileOS, VOS_NT_WINDOWS32},
        {"type", info.dwFileType, VFT_APP},
        {"subtype", info.dwFileSubtype, 0},
        {"date, high", info.dwFileDateMS, 0},
        {"date, low", info.dwFileDateLS, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.field << std::hex << ": 0x" << row.actual;
    }
}

TEST_F(VersionInfoTest, EachStringReadsBackExactly) {
    for (const StringCase& c : kStrings) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + c.key;
        ASSERT_TRUE(Query(path, &value, &length))
            << std::string(path.begin(), path.end()) << " is missing";
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), c.value)
            << std::string(path.begin(), path.end());
    }
}

TEST_F(VersionInfoTest, TranslationIsEnglishUsInUnicode) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(Query(L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u) << "exactly one language and code page pair";
    const WORD* pair = static_cast<const WORD*>(value);
    EXPECT_EQ(pair[0], 0x0409);
    EXPECT_EQ(pair[1], 1200);
}

// VerQueryValueW finds keys wherever they stand, so the layout and order are
// read from the stored resource itself.
TEST(VersionBlock, HoldsOneStringTableInOrderAndOneTranslation) {
    std::vector<BYTE> bytes = ResourceBytes(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_FALSE(bytes.empty()) << "no version block 1 in language 1033";
    ByteReader reader(bytes);
    VersionNode root;
    ASSERT_TRUE(ParseVersionNode(reader, bytes.size(), root)) << "malformed version block";
    EXPECT_LT(bytes.size() - root.length, 4u) << "bytes after the version block";
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    EXPECT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& stringInfo = root.children[0];
    const VersionNode& varInfo = root.children[1];
    EXPECT_EQ(stringInfo.key, L"StringFileInfo");
    EXPECT_EQ(varInfo.key, L"VarFileInfo");

    ASSERT_EQ(stringInfo.children.size(), 1u);
    const VersionNode& table = stringInfo.children[0];
    EXPECT_EQ(table.key, L"040904b0");
    ASSERT_EQ(table.children.size(), std::size(kStrings));
    for (size_t i = 0; i < std::size(kStrings); ++i) {
        const VersionNode& entry = table.children[i];
        const StringCase& want = kStrings[i];
        SCOPED_TRACE(std::string(want.key, want.key + std::wcslen(want.key)));
        EXPECT_EQ(entry.key, want.key) << "entry " << i;
        EXPECT_EQ(entry.type, 1) << "text value";
        // The stored value carries its terminating null and nothing after it.
        EXPECT_EQ(Text(entry), std::wstring(want.value) + L'\0');
    }

    ASSERT_EQ(varInfo.children.size(), 1u);
    const VersionNode& translation = varInfo.children[0];
    EXPECT_EQ(translation.key, L"Translation");
    EXPECT_EQ(translation.type, 0) << "binary value";
    EXPECT_EQ(translation.value, (std::vector<BYTE>{0x09, 0x04, 0xB0, 0x04}));
}

} // namespace
