// Text of any length from the calls that fill a caller's buffer.
#pragma once

#include <windows.h>

#include <string>

// A call of the GetModuleFileNameW / GetTempPathW kind, which returns 0 on
// failure and, when the buffer is too small, either the buffer's size or the
// size it needs.
using TextReader = DWORD (*)(wchar_t* buffer, DWORD size);

// Reads the text that read gives: the buffer grows until the text fits, so
// that a long path never arrives cut short. False when the call fails.
bool ReadGrownText(TextReader read, std::wstring& text);

// The running executable's full path; false when it cannot be obtained.
bool ReadModuleFileName(std::wstring& path);

// The system folder (system32, or syswow64 for a 32-bit process on 64-bit
// Windows), without a trailing backslash; false when it cannot be read.
bool ReadSystemDirectory(std::wstring& folder);
