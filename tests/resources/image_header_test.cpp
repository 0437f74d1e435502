#include "setup_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

class ImageHeaderTest : public testing::Test {
  protected:
    void SetUp() override {
        file = SetupFileBytes();
        ASSERT_GT(file.size(), sizeof(IMAGE_DOS_HEADER)) << "cannot read Setup.exe";
        IMAGE_DOS_HEADER dos{};
        std::memcpy(&dos, file.data(), sizeof dos);
        ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
        ntOffset = static_cast<size_t>(dos.e_lfanew);
        ASSERT_LE(ntOffset + sizeof(IMAGE_NT_HEADERS32), file.size());
        std::memcpy(&nt, file.data() + ntOffset, sizeof nt);
        ASSERT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
        ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC) << "not PE32";
    }

    // The file offset of an address of the loaded image; 0 when no section holds it.
    size_t FileOffset(DWORD rva) const {
        const size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (sections + (i + 1) * sizeof section > file.size()) {
                return 0;
            }
            std::memcpy(&section, file.data() + sections + i * sizeof section, sizeof section);
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                return section.PointerToRawData + (rva - section.VirtualAddress);
            }
        }
        return 0;
    }

    std::vector<BYTE> file;
    size_t ntOffset = 0;
    IMAGE_NT_HEADERS32 nt{};
};

TEST_F(ImageHeaderTest, IsA32BitVistaGuiProgramWithOneMegabyteReserves) {
    const IMAGE_OPTIONAL_HEADER32& optional = nt.OptionalHeader;
    const DWORD characteristics = nt.FileHeader.Characteristics;
    const struct {
        const char* field;
        DWORD actual;
        DWORD expected;
    } rows[] = {
        {"machine", nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386},
        {"subsystem", optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI},
        {"major OS version", optional.MajorOperatingSystemVersion, 6},
        {"minor OS version", optional.MinorOperatingSystemVersion, 0},
        {"major subsystem version", optional.MajorSubsystemVersion, 6},
        {"minor subsystem version", optional.MinorSubsystemVersion, 0},
        {"DllCharacteristics", optional.DllCharacteristics,
         IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
             IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE},
        {"stack reserve", optional.SizeOfStackReserve, 0x100000},
        {"heap reserve", optional.SizeOfHeapReserve, 0x100000},
        {"executable image", characteristics & IMAGE_FILE_EXECUTABLE_IMAGE,
         IMAGE_FILE_EXECUTABLE_IMAGE},
        {"32-bit machine", characteristics & IMAGE_FILE_32BIT_MACHINE, IMAGE_FILE_32BIT_MACHINE},
        {"not a DLL", characteristics & IMAGE_FILE_DLL, 0},
        // ASLR cannot move an image whose relocations were stripped.
        {"relocations kept", characteristics & IMAGE_FILE_RELOCS_STRIPPED, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.field << std::hex << ": 0x" << row.actual;
    }
}

TEST_F(ImageHeaderTest, RelocationTableIsPresentAndWellFormed) {
    const IMAGE_DATA_DIRECTORY& directory =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    ASSERT_GT(nt.OptionalHeader.NumberOfRvaAndSizes,
              static_cast<DWORD>(IMAGE_DIRECTORY_ENTRY_BASERELOC));
    ASSERT_NE(directory.VirtualAddress, 0u);
    ASSERT_GT(directory.Size, 0u);
    const size_t start = FileOffset(directory.VirtualAddress);
    ASSERT_NE(start, 0u) << "relocation directory lies in no section";
    ASSERT_LE(start + directory.Size, file.size());

    // Blocks must tile the directory exactly and move at least one 32-bit address.
    size_t offset = 0;
    size_t highLow = 0;
    while (offset + sizeof(IMAGE_BASE_RELOCATION) <= directory.Size) {
        IMAGE_BASE_RELOCATION block{};
        std::memcpy(&block, file.data() + start + offset, sizeof block);
        ASSERT_GE(block.SizeOfBlock, sizeof block) << "block at " << offset;
        ASSERT_LE(offset + block.SizeOfBlock, directory.Size) << "block at " << offset;
        for (size_t entry = sizeof block; entry + 2 <= block.SizeOfBlock; entry += 2) {
            WORD value = 0;
            std::memcpy(&value, file.data() + start + offset + entry, sizeof value);
            highLow += (value >> 12) == IMAGE_REL_BASED_HIGHLOW;
        }
        offset += block.SizeOfBlock;
    }
    EXPECT_EQ(offset, directory.Size);
    EXPECT_GT(highLow, 0u);
}

// Every DLL that the loader maps before the launcher's first line is one
// that a planted copy beside it could replace, unless it is a known one of
// the system; whatever else it needs, it loads from the system folder.
TEST_F(ImageHeaderTest, ImportsNoDllBeyondTheSystemsOwnFive) {
    const IMAGE_DATA_DIRECTORY& directory =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const size_t start = FileOffset(directory.VirtualAddress);
    ASSERT_NE(start, 0u) << "no import directory";
    std::vector<std::string> dlls;
    std::vector<std::string> functions;
    for (size_t offset = start;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR import{};
        ASSERT_LE(offset + sizeof import, file.size());
        std::memcpy(&import, file.data() + offset, sizeof import);
        if (import.Name == 0) {
            break;
        }
        const size_t name = FileOffset(import.Name);
        ASSERT_NE(name, 0u);
        std::string dll(reinterpret_cast<const char*>(file.data() + name));
        for (char& ch : dll) {
            ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        }
        dlls.push_back(dll);
        for (size_t thunk = FileOffset(import.OriginalFirstThunk);; thunk += sizeof(DWORD)) {
            DWORD entry = 0;
            ASSERT_NE(thunk, 0u);
            std::memcpy(&entry, file.data() + thunk, sizeof entry);
            if (entry == 0) {
                break;
            }
            if ((entry & IMAGE_ORDINAL_FLAG32) == 0) {
                functions.emplace_back(
                    reinterpret_cast<const char*>(file.data() + FileOffset(entry) + 2));
            }
        }
    }
    std::sort(dlls.begin(), dlls.end());
    // Not comctl32: the launcher loads it itself, once it has made sure that no
    // "Setup.exe.local" beside it redirects it.
    EXPECT_EQ(dlls, (std::vector<std::string>{"advapi32.dll", "kernel32.dll", "msvcrt.dll",
                                              "user32.dll"}));
    ASSERT_EQ(std::count(functions.begin(), functions.end(), "CreateProcessW"), 1)
        << "the imported names were not read";
    // Missing on some Windows the launcher runs on: looked up by name instead,
    // so that it still starts there.
    // SystemFunction036 is forwarded to another DLL on newer Windows, which an
    // import would load before the launcher restricts where DLLs come from.
    // ntdll's functions likewise: an import of ntdll would be a sixth DLL.
    for (const char* byName :
         {"GetTempPath2W", "SetDefaultDllDirectories", "IsWow64Process", "IsWow64Process2",
          "SystemFunction036", "NtCreateFile", "RtlNtStatusToDosError"}) {
        EXPECT_EQ(std::count(functions.begin(), functions.end(), byName), 0) << byName;
    }
}

// An exception that nothing catches ends the process through the launcher's
// own terminate handler: the runtime's verbose one, whose abort() would show
// a box that waits where nobody sees it, is not in the image.
TEST_F(ImageHeaderTest, HoldsNoVerboseTerminateHandler) {
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text.find("terminate called after throwing"), std::string::npos);
}

} // namespace
