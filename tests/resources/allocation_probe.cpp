// Built as Setup.exe is, with the launcher's allocation functions and its end
// of the process (src/CMakeLists.txt), it meets an allocation that cannot
// succeed, as the launcher's own code would. Its argument names the case:
// "memory", more memory than a 32-bit process can address, within what a
// container may hold; "length", a wide string beyond its max_size(). Returns
// 0 when the allocation came back, 2 for an unknown case.
#include <windows.h>

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const std::wstring which = commandLine;
    if (which == L"memory") {
        std::vector<wchar_t> text(0x3FFFFFF0);
        // Handed to the system, so that the compiler cannot leave the allocation out.
        return lstrlenW(text.data());
    }
    if (which == L"length") {
        std::wstring text;
        text.reserve(text.max_size() + 1);
        return lstrlenW(text.c_str());
    }
    return 2;
}
