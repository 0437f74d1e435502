#include "res/resource.h"
#include "setup_image.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

// A dialog template field that holds either an ordinal or a string.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

NameOrOrdinal ReadNameOrOrdinal(ByteReader& reader) {
    NameOrOrdinal field;
    size_t start = reader.Position();
    if (reader.Word() == 0xFFFF) {
        field.isOrdinal = true;
        field.ordinal = reader.Word();
        return field;
    }
    reader.Seek(start);
    field.name = reader.String();
    return field;
}

struct DialogItem {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    WORD extraCount;
};

struct DialogTemplate {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    WORD itemCount;
    short x, y, cx, cy;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    std::wstring typeface;
    std::vector<DialogItem> items;
    size_t bytesAfterItems;
    bool complete;
};

short Short(ByteReader& reader) {
    return static_cast<short>(reader.Word());
}

DialogTemplate ParseDialogTemplateEx(const std::vector<BYTE>& bytes) {
    ByteReader reader(bytes);
    DialogTemplate dialog{};
    dialog.version = reader.Word();
    dialog.signature = reader.Word();
    dialog.helpId = reader.Dword();
    dialog.exStyle = reader.Dword();
    dialog.style = reader.Dword();
    dialog.itemCount = reader.Word();
    dialog.x = Short(reader);
    dialog.y = Short(reader);
    dialog.cx = Short(reader);
    dialog.cy = Short(reader);
    dialog.menu = ReadNameOrOrdinal(reader);
    dialog.windowClass = ReadNameOrOrdinal(reader);
    dialog.title = reader.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Word();
        dialog.weight = reader.Word();
        dialog.italic = reader.Byte();
        dialog.charset = reader.Byte();
        dialog.typeface = reader.String();
    }
    for (WORD i = 0; i < dialog.itemCount && reader.ok(); ++i) {
        reader.AlignToDword();
        DialogItem item{};
        item.helpId = reader.Dword();
        item.exStyle = reader.Dword();
        item.style = reader.Dword();
        item.x = Short(reader);
        item.y = Short(reader);
        item.cx = Short(reader);
        item.cy = Short(reader);
        item.id = reader.Dword();
        item.windowClass = ReadNameOrOrdinal(reader);
        item.title = ReadNameOrOrdinal(reader);
        item.extraCount = reader.Word();
        reader.Seek(reader.Position() + item.extraCount);
        dialog.items.push_back(item);
    }
    dialog.bytesAfterItems = reader.Remaining();
    dialog.complete = reader.ok();
    return dialog;
}

class DialogTemplateTest : public testing::Test {
  protected:
    void SetUp() override {
        bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_LANGUAGE));
        ASSERT_FALSE(bytes.empty()) << "no dialog 102 in language 1033";
        dialog = ParseDialogTemplateEx(bytes);
        ASSERT_TRUE(dialog.complete) << "template is truncated";
    }
    std::vector<BYTE> bytes;
    DialogTemplate dialog;
};

TEST_F(DialogTemplateTest, HeaderIsTheExtendedTemplateOfTheLanguageDialog) {
    EXPECT_EQ(dialog.version, 1);
    EXPECT_EQ(dialog.signature, 0xFFFF);
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(dialog.style, 0x90C80048u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.style & (DS_MODALFRAME | DS_CENTER), 0u);
    EXPECT_EQ(dialog.itemCount, 3);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 165);
    EXPECT_EQ(dialog.cy, 63);
    EXPECT_FALSE(dialog.menu.isOrdinal);
    EXPECT_EQ(dialog.menu.name, L"") << "the dialog has no menu";
    EXPECT_FALSE(dialog.windowClass.isOrdinal);
    EXPECT_EQ(dialog.windowClass.name, L"") << "the dialog uses the standard dialog class";
    EXPECT_EQ(dialog.title, L"Setup");
}

TEST_F(DialogTemplateTest, FontIsShellDialogEightPoint) {
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, DEFAULT_CHARSET);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
}

struct ControlCase {
    const char* name;
    DWORD id;
    WORD classOrdinal;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

// In tab order.
const ControlCase kControls[] = {
    {"prompt", IDC_LANGUAGE_PROMPT, 0x0082, L"Static", L"Select language:", 0x50020000, 7, 12, 151,
     8},
    {"language list", IDC_LANGUAGE_COMBO, 0x0085, L"ComboBox", L"", 0x50210003, 7, 23, 151, 42},
    {"OK button", IDOK, 0x0080, L"Button", L"OK", 0x50010001, 57, 42, 50, 14},
};

TEST_F(DialogTemplateTest, ControlsAreStoredExactlyInTabOrder) {
    ASSERT_EQ(dialog.items.size(), std::size(kControls));
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const ControlCase& want = kControls[i];
        const DialogItem& item = dialog.items[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        if (item.windowClass.isOrdinal) {
            EXPECT_EQ(item.windowClass.ordinal, want.classOrdinal);
        } else {
            EXPECT_EQ(
                CompareStringOrdinal(item.windowClass.name.c_str(), -1, want.className, -1, TRUE),
                CSTR_EQUAL)
                << "class is stored as the name '"
                << std::string(item.windowClass.name.begin(), item.windowClass.name.end()) << "'";
        }
        EXPECT_FALSE(item.title.isOrdinal);
        EXPECT_EQ(item.title.name, want.text);
        EXPECT_EQ(item.extraCount, 0);
    }
    // Only the padding to a DWORD boundary may follow the last control.
    EXPECT_LT(dialog.bytesAfterItems, 4u);
}

INT_PTR CALLBACK IgnoringDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST_F(DialogTemplateTest, WindowsBuildsTheDialogFromIt) {
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                             nullptr, IgnoringDialogProc, 0);
    ASSERT_NE(window, nullptr) << "error " << GetLastError();
    for (const ControlCase& want : kControls) {
        HWND control = GetDlgItem(window, static_cast<int>(want.id));
        ASSERT_NE(control, nullptr) << want.name;
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        EXPECT_EQ(CompareStringOrdinal(className, -1, want.className, -1, TRUE), CSTR_EQUAL)
            << want.name;
    }
    DestroyWindow(window);
}

} // namespace
