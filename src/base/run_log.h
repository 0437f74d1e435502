// The run's log: a line per step, with the time, written at once.
#pragma once

#include "base/unique_handle.h"

#include <windows.h>

// From here on, every line goes to file, which the log owns; with no log
// started, lines go nowhere. A write that fails changes nothing for the run.
void StartRunLog(FileHandle file);

// Whether a log has been started.
bool RunLogStarted();

// Writes a line: the local time to the millisecond, text (ASCII), value,
// and, when more is given, more (ASCII) and number in decimal; in UTF-8
// (the file begins with a byte-order mark).
void LogLine(const char* text, const wchar_t* value = L"", const char* more = nullptr,
             unsigned long long number = 0);

// A line with a number: text, then the number.
void LogNumber(const char* text, unsigned long long number);

// A line with a Windows error code: text, the code and the system's text
// for it.
void LogError(const char* text, DWORD error);
