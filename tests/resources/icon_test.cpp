#include "res/resource.h"
#include "setup_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

namespace {

struct ImageCase {
    const char* name;
    BYTE size;
    BYTE groupColours;
    WORD bitCount;
    DWORD bytes;
};

// In the order of the group.
const ImageCase kImages[] = {
    {"16x16 in 16 colours", 16, 16, 4, 296},
    {"16x16 in 256 colours", 16, 0, 8, 1384},
    {"32x32 in 16 colours", 32, 16, 4, 744},
    {"32x32 in 256 colours", 32, 0, 8, 2216},
};

struct GroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};

DWORD MaskRowBytes(LONG width) {
    return static_cast<DWORD>((width + 31) / 32 * 4);
}

class IconGroupTest : public testing::Test {
  protected:
    void SetUp() override {
        std::vector<BYTE> group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_SETUP));
        ASSERT_FALSE(group.empty()) << "no icon group 129 in language 1033";
        ByteReader reader(group);
        reserved = reader.Word();
        type = reader.Word();
        WORD count = reader.Word();
        for (WORD i = 0; i < count && reader.ok(); ++i) {
            GroupEntry entry{};
            entry.width = reader.Byte();
            entry.height = reader.Byte();
            entry.colourCount = reader.Byte();
            entry.reserved = reader.Byte();
            entry.planes = reader.Word();
            entry.bitCount = reader.Word();
            entry.bytesInRes = reader.Dword();
            entry.id = reader.Word();
            entries.push_back(entry);
        }
        ASSERT_TRUE(reader.ok()) << "group directory is truncated";
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    WORD reserved = 0;
    WORD type = 0;
    std::vector<GroupEntry> entries;
};

TEST_F(IconGroupTest, DirectoryListsTheFourImagesInOrder) {
    EXPECT_EQ(reserved, 0);
    EXPECT_EQ(type, 1) << "1 marks an icon, 2 a cursor";
    ASSERT_EQ(entries.size(), std::size(kImages));
    for (size_t i = 0; i < entries.size(); ++i) {
        const ImageCase& want = kImages[i];
        const GroupEntry& entry = entries[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(entry.width, want.size);
        EXPECT_EQ(entry.height, want.size);
        EXPECT_EQ(entry.colourCount, want.groupColours);
        EXPECT_EQ(entry.reserved, 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, want.bitCount);
        EXPECT_EQ(entry.bytesInRes, want.bytes);
    }
}

TEST_F(IconGroupTest, EachImageIsAClassicDibOfItsSize) {
    ASSERT_EQ(entries.size(), std::size(kImages));
    for (size_t i = 0; i < entries.size(); ++i) {
        const ImageCase& want = kImages[i];
        SCOPED_TRACE(want.name);
        std::vector<BYTE> image = ResourceBytes(RT_ICON, MAKEINTRESOURCEW(entries[i].id));
        ASSERT_EQ(image.size(), want.bytes) << "image " << entries[i].id;

        BITMAPINFOHEADER header{};
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(header.biWidth, want.size);
        EXPECT_EQ(header.biHeight, 2 * want.size) << "colour bitmap and mask together";
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, want.bitCount);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const DWORD colours = header.biClrUsed != 0 ? header.biClrUsed : 1u << want.bitCount;
        EXPECT_EQ(colours, 1u << want.bitCount);
        const DWORD colourRow = (want.size * want.bitCount + 31) / 32 * 4;
        const DWORD colourBytes = colourRow * want.size;
        const DWORD maskBytes = MaskRowBytes(want.size) * want.size;
        EXPECT_EQ(sizeof header + 4 * colours + colourBytes + maskBytes, want.bytes)
            << "header, colour table, colour bits and 1-bit mask fill the image exactly";

        // A blank image would pass every size check.
        const BYTE* mask = image.data() + sizeof header + 4 * colours + colourBytes;
        int opaque = 0;
        for (int y = 0; y < want.size; ++y) {
            for (int x = 0; x < want.size; ++x) {
                const BYTE bits = mask[y * MaskRowBytes(want.size) + x / 8];
                opaque += (bits >> (7 - x % 8) & 1) == 0;
            }
        }
        EXPECT_GT(opaque, want.size * want.size / 4) << "too little is drawn";
    }
}

TEST_F(IconGroupTest, WindowsMakesAnIconOfEachImage) {
    for (size_t i = 0; i < entries.size() && i < std::size(kImages); ++i) {
        const ImageCase& want = kImages[i];
        SCOPED_TRACE(want.name);
        std::vector<BYTE> image = ResourceBytes(RT_ICON, MAKEINTRESOURCEW(entries[i].id));
        ASSERT_FALSE(image.empty());
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, want.size, want.size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << "error " << GetLastError();
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        ASSERT_NE(info.hbmColor, nullptr);
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, want.size);
        EXPECT_EQ(colour.bmHeight, want.size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

} // namespace
