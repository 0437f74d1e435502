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

    struct Import {
        std::string dll; // in lower case
        std::string function;
    };

    // The DLLs imported from, and the functions imported by name.
    void ReadImports(std::vector<std::string>& dlls, std::vector<Import>& imports) const {
        const IMAGE_DATA_DIRECTORY& directory =
            nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        const size_t start = FileOffset(directory.VirtualAddress);
        ASSERT_NE(start, 0u) << "no import directory";
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
                    imports.push_back(
                        {dll, reinterpret_cast<const char*>(file.data() + FileOffset(entry) + 2)});
                }
            }
        }
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
    std::vector<std::string> dlls;
    std::vector<Import> imports;
    ASSERT_NO_FATAL_FAILURE(ReadImports(dlls, imports));
    std::vector<std::string> functions;
    for (const Import& import : imports) {
        functions.push_back(import.function);
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

// The loader resolves an import that a system DLL only forwards by loading
// the DLL it is forwarded to, by the ordinary search order, beside the
// launcher first, unless that DLL is a known one of the system: so every
// imported function is one that its DLL implements itself or forwards to
// kernelbase, ntdll, sechost or an API set (api-ms-win-*), which the loader
// resolves among the known DLLs. The list was drawn from each function's
// documented DLL and what Windows' export tables are known to forward, not
// on this machine: Wine's DLLs implement everything themselves. The
// CryptoAPI functions are not on it, since advapi32 forwards them to
// cryptsp.dll, nor is anything of msi.dll: the launcher loads both from
// the system folder itself. MinGW-w64's start-up code brings the rest of
// msvcrt's.
TEST_F(ImageHeaderTest, ImportsOnlyFunctionsThatLoadNothingBesideIt) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> allowed = {
        {"advapi32.dll",
         {"ConvertSidToStringSidW", "ConvertStringSecurityDescriptorToSecurityDescriptorW",
          "GetAce", "GetKernelObjectSecurity", "GetSecurityDescriptorDacl",
          "GetSecurityDescriptorOwner", "GetTokenInformation", "IsWellKnownSid", "OpenProcessToken",
          "RegCloseKey", "RegOpenKeyExW", "RegQueryValueExW"}},
        {"kernel32.dll",
         {"CloseHandle",
          "CompareStringOrdinal",
          "CreateFileW",
          "CreateProcessW",
          "DeleteFileW",
          "ExitProcess",
          "FindClose",
          "FindFirstFileW",
          "FindNextFileW",
          "FindResourceW",
          "FormatMessageW",
          "FreeLibrary",
          "GetCurrentProcess",
          "GetCurrentProcessId",
          "GetExitCodeProcess",
          "GetFileAttributesW",
          "GetLastError",
          "GetLocalTime",
          "GetModuleFileNameW",
          "GetModuleHandleA",
          "GetModuleHandleW",
          "GetProcAddress",
          "GetStartupInfoW",
          "GetSystemDirectoryW",
          "GetSystemWindowsDirectoryW",
          "GetTempPathW",
          "GetTickCount64",
          "GetUserDefaultUILanguage",
          "LoadLibraryA",
          "LoadLibraryExW",
          "LoadLibraryW",
          "LoadResource",
          "LocalFree",
          "LockResource",
          "MoveFileExW",
          "ProcessIdToSessionId",
          "ReadFile",
          "RemoveDirectoryW",
          "SetFilePointer",
          "SetLastError",
          "SetUnhandledExceptionFilter",
          "SizeofResource",
          "Sleep",
          "TerminateProcess",
          "WideCharToMultiByte",
          "WriteFile",
          "lstrlenA"}},
        {"msvcrt.dll",
         {"__p__commode", "__p__fmode", "__p__wcmdln", "__set_app_type", "__setusermatherr",
          "__wgetmainargs", "__winitenv", "_amsg_exit", "_cexit", "_initterm", "_onexit", "exit",
          "free", "iswxdigit", "malloc", "memcmp", "memcpy", "memmove", "wcslen"}},
        {"user32.dll", {"CreateDialogParamW", "CreateWindowExW",
                        "DefWindowProcW",     "DestroyIcon",
                        "DestroyWindow",      "DialogBoxParamW",
                        "DispatchMessageW",   "EndDialog",
                        "GetDesktopWindow",   "GetDlgCtrlID",
                        "GetDlgItem",         "GetDlgItemTextW",
                        "GetParent",          "GetProcessWindowStation",
                        "GetSystemMetrics",   "GetUserObjectInformationW",
                        "GetWindowLongW",     "GetWindowRect",
                        "IsDialogMessageW",   "LoadImageW",
                        "LoadStringW",        "MapWindowPoints",
                        "MessageBoxW",        "MsgWaitForMultipleObjects",
                        "PeekMessageW",       "RegisterClassW",
                        "SendMessageW",       "SetDlgItemTextW",
                        "SetFocus",           "SetForegroundWindow",
                        "SetWindowLongW",     "SetWindowPos",
                        "SetWindowTextW",     "ShowWindow",
                        "TranslateMessage",   "wsprintfA",
                        "wsprintfW"}},
    };
    std::vector<std::string> dlls;
    std::vector<Import> imports;
    ASSERT_NO_FATAL_FAILURE(ReadImports(dlls, imports));
    ASSERT_FALSE(imports.empty());
    for (const Import& import : imports) {
        const auto dll = std::find_if(allowed.begin(), allowed.end(),
                                      [&](const auto& entry) { return entry.first == import.dll; });
        EXPECT_TRUE(dll != allowed.end() && std::find(dll->second.begin(), dll->second.end(),
                                                      import.function) != dll->second.end())
            << import.dll << " " << import.function << " is not known to load nothing else";
    }
}

// Windows 10 version 1607 and later resolve the image's imports from the
// system folder alone: the load configuration's DependentLoadFlags. Wine does not show what the
// loader does with it.
TEST_F(ImageHeaderTest, LoadConfigurationResolvesImportsFromTheSystemFolder) {
    ASSERT_GT(nt.OptionalHeader.NumberOfRvaAndSizes,
              static_cast<DWORD>(IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG));
    const IMAGE_DATA_DIRECTORY& directory =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    const size_t start = FileOffset(directory.VirtualAddress);
    ASSERT_NE(start, 0u) << "no load configuration";
    IMAGE_LOAD_CONFIG_DIRECTORY32 config{};
    ASSERT_GE(directory.Size, offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, EditList));
    ASSERT_LE(start + sizeof config, file.size());
    std::memcpy(&config, file.data() + start, sizeof config);
    EXPECT_EQ(config.Size, directory.Size) << "the directory and the structure disagree";
    // DependentLoadFlags, which MinGW-w64's headers still call Reserved1.
    EXPECT_EQ(config.Reserved1, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// An exception that nothing catches ends the process through the launcher's
// own terminate handler: the runtime's verbose one, whose abort() would show
// a box that waits where nobody sees it, is not in the image.
TEST_F(ImageHeaderTest, HoldsNoVerboseTerminateHandler) {
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text.find("terminate called after throwing"), std::string::npos);
}

} // namespace
