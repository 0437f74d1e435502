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
