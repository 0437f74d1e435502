// The run's log: a line per step, with the time, written at once.
#include "base/run_log.h"

#include <memory>

namespace {

FileHandle g_runLog;

// The line being made: written in one go, so that a line costs one write
// (a thousand cabinets make a thousand lines) and is never torn.
char g_line[1024];
int g_lineSize = 0;

void Flush() {
    DWORD written = 0;
    WriteFile(g_runLog.Get(), g_line, static_cast<DWORD>(g_lineSize), &written, nullptr);
    g_lineSize = 0;
}

void WriteBytes(const char* bytes, int size) {
    if (g_lineSize + size > static_cast<int>(sizeof(g_line))) {
        Flush();
    }
    if (size > static_cast<int>(sizeof(g_line))) {
        DWORD written = 0;
        WriteFile(g_runLog.Get(), bytes, static_cast<DWORD>(size), &written, nullptr);
        return;
    }
    for (int at = 0; at < size; ++at) {
        g_line[g_lineSize++] = bytes[at];
    }
}

void WriteAscii(const char* text) {
    WriteBytes(text, lstrlenA(text));
}

void WriteText(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size > 1) {
        const std::unique_ptr<char[]> bytes(new char[size]);
        WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.get(), size, nullptr, nullptr);
        WriteBytes(bytes.get(), size - 1);
    }
}

// The powers of ten that a 64-bit number holds, from the greatest.
const unsigned long long kPowersOfTen[] = {10000000000000000000ull,
                                           1000000000000000000ull,
                                           100000000000000000ull,
                                           10000000000000000ull,
                                           1000000000000000ull,
                                           100000000000000ull,
                                           10000000000000ull,
                                           1000000000000ull,
                                           100000000000ull,
                                           10000000000ull,
                                           1000000000ull,
                                           100000000ull,
                                           10000000ull,
                                           1000000ull,
                                           100000ull,
                                           10000ull,
                                           1000ull,
                                           100ull,
                                           10ull,
                                           1ull};

// In decimal, by subtraction: a 64-bit division would bring the runtime's
// helper for it into the image.
void WriteNumber(unsigned long long number) {
    char digits[24] = {};
    int length = 0;
    for (const unsigned long long power : kPowersOfTen) {
        char digit = '0';
        while (number >= power) {
            number -= power;
            ++digit;
        }
        if (digit != '0' || length > 0 || power == 1) {
            digits[length++] = digit;
        }
    }
    WriteBytes(digits, length);
}

// One line: text, value, and, when more is given, more, number and tail.
void WriteLine(const char* text, const wchar_t* value, const char* more, unsigned long long number,
               const wchar_t* tail) {
    if (!g_runLog.IsValid()) {
        return;
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char time[32] = {};
    wsprintfA(time, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
              now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    WriteAscii(time);
    WriteAscii(text);
    WriteText(value);
    if (more != nullptr) {
        WriteAscii(more);
        WriteNumber(number);
        WriteText(tail);
    }
    WriteAscii("\r\n");
    Flush();
}

} // namespace

void StartRunLog(FileHandle file) {
    g_runLog = std::move(file);
    WriteAscii("\xEF\xBB\xBF");
    Flush();
}

bool RunLogStarted() {
    return g_runLog.IsValid();
}

void LogLine(const char* text, const wchar_t* value, const char* more, unsigned long long number) {
    WriteLine(text, value, more, number, L"");
}

void LogNumber(const char* text, unsigned long long number) {
    WriteLine(text, L"", "", number, L"");
}

void LogError(const char* text, DWORD error) {
    wchar_t message[256] = {L' '};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, message + 1, 254, nullptr);
    // The system's text ends with a line break.
    while (length > 0 && (message[length] == L'\r' || message[length] == L'\n')) {
        message[length--] = L'\0';
    }
    WriteLine(text, L"", "", error, length > 0 ? message : L"");
}
