// What a run tells administrators afterwards: the launcher's log in the
// Windows folder's Temp, and the installer's beside it.
#include "dialog_keys.h"
#include "file_io.h"
#include "launcher_fixture.h"
#include "launcher_places.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <cwctype>

namespace {

using testfs::Exists;
using testfs::Narrow;
using testfs::ReadBytes;

using LogRunTest = SetupTest;

// "HLX480DriverInstaller_Setup_", 14 digits, "_" and the sixteen
// hexadecimal digits of the part drawn (64 bits), then end.
bool IsLogName(const std::wstring& name, const std::wstring& end) {
    const std::wstring head = L"HLX480DriverInstaller_Setup_";
    const size_t drawn = head.size() + 15;
    if (name.size() != drawn + 16 + end.size() || name.compare(0, head.size(), head) != 0 ||
        name[drawn - 1] != L'_' || name.compare(drawn + 16, end.size(), end) != 0) {
        return false;
    }
    for (size_t at = head.size(); at < drawn + 16; ++at) {
        if (at != drawn - 1 && !(at < drawn ? iswdigit(name[at]) : iswxdigit(name[at]))) {
            return false;
        }
    }
    return true;
}

// The log's name for the local time in seconds from now, with the attempt's
// suffix ("" for the first).
std::wstring NameAt(int seconds, const std::wstring& suffix) {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart += seconds * 10000000ull;
    const FILETIME then = {time.LowPart, time.HighPart};
    FILETIME local = {};
    SYSTEMTIME at = {};
    FileTimeToLocalFileTime(&then, &local);
    FileTimeToSystemTime(&local, &at);
    wchar_t name[64] = {};
    wsprintfW(name, L"HLX480DriverInstaller_Setup_%04u%02u%02u%02u%02u%02u%s.log", at.wYear,
              at.wMonth, at.wDay, at.wHour, at.wMinute, at.wSecond, suffix.c_str());
    return name;
}

TEST_F(LogRunTest, QuietRunLogsItsStepsAndHasTheInstallerLogBesideIt) {
    const RunResult run = files_.Run(L"/qn");
    ASSERT_TRUE(run.ended);
    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    const std::vector<std::wstring> logs = files_.NewLogs(false);
    ASSERT_EQ(logs.size(), 1u) << "not one log of the launcher's";
    EXPECT_TRUE(IsLogName(logs[0], L".log")) << Narrow(logs[0]);

    const std::string log = ReadBytes(files_.staging + logs[0]);
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
    // Each line opens with the local time to the millisecond.
    EXPECT_EQ(log.substr(3, 24).find_first_not_of("0123456789-: ."), std::string::npos)
        << log.substr(0, 40);
    for (const std::string& line : std::vector<std::string>{
             "command line: /qn\r\n", "staging folder: " + Narrow(record.folder) + "\r\n",
             "msiexec.exe command: " + Narrow(record.commandLine) + "\r\n", "msiexec.exe ended: 0",
             "msiexec.exe ran; exit code 0\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << "no \"" << line << "\" in\n" << log;
    }

    std::wstring command = record.commandLine;
    const std::wstring installerLog = TakeInstallerLog(command);
    EXPECT_EQ(installerLog, files_.staging + logs[0].substr(0, logs[0].size() - 4) + L"_msi.log");
    EXPECT_TRUE(Exists(installerLog)) << Narrow(installerLog);
}

TEST_F(LogRunTest, FailedAndCancelledRunsSaySoInTheirLogs) {
    struct LogCase {
        const char* name;
        Setting setting;
        const wchar_t* arguments;
        std::vector<std::string> lines;
        // What such a run never does.
        std::vector<std::string> absent;
    };
    const LogCase cases[] = {
        {"no cabinet",
         Setting::NoCabinets,
         L"/qn",
         {"run: unattended\r\n", "staging stopped: 2 ",
          "message, not shown: Cannot initialise the installation!",
          "package not staged; exit code 1619\r\n"},
         {"msiexec.exe command"}},
        {"cancelled dialog",
         Setting::None,
         L"",
         {"mode: language dialog", "language dialog: cancelled\r\n", "cancelled; exit code 0\r\n"},
         // Nothing of Windows Installer's: no earlier run kept a folder.
         {"msi.dll", "source list"}},
        // A patch goes to msiexec.exe directly: nothing is staged or started.
        {"patch",
         Setting::None,
         L"/qn /p C:\\x.msp",
         {"action: refused, /p\r\n",
          "message, not shown: This command-line option cannot be used with Setup.",
          "command-line option refused; exit code 1639\r\n"},
         {"staging folder", "msi.dll", "msiexec.exe command"}},
    };
    for (const LogCase& c : cases) {
        SCOPED_TRACE(c.name);
        Apply(c.setting);
        const std::vector<std::wstring> before = files_.NewLogs(false);
        const RunResult run = files_.Run(c.arguments);
        ASSERT_TRUE(run.ended);
        const std::vector<std::wstring> logs = files_.NewLogs(false, before);
        ASSERT_EQ(logs.size(), 1u) << "not one new log";
        const std::string log = ReadBytes(files_.staging + logs[0]);
        for (const std::string& line : c.lines) {
            EXPECT_NE(log.find(line), std::string::npos) << "no \"" << line << "\" in\n" << log;
        }
        for (const std::string& line : c.absent) {
            EXPECT_EQ(log.find(line), std::string::npos) << "\"" << line << "\" in\n" << log;
        }
        EXPECT_FALSE(Exists(files_.record)) << "the installer was started";
    }
}

// Someone who may create files in the Windows folder's Temp takes the names
// that the next run's logs would take, for the coming seconds, as far as
// they can be told in advance (the time, with and without an attempt's
// number): a file of their own, a link to a file they want overwritten, and
// a link to a file they want made. The run opens none, follows none, and
// logs under a name of its own, with a part drawn that nobody could predict. Wine refuses any name
// that is a link, dangling or not (it creates with O_EXCL, which never follows one): only Windows
// shows what FILE_FLAG_OPEN_REPARSE_POINT adds for the dangling one.
TEST_F(LogRunTest, NamesTakenInAdvanceAreNeitherOpenedNorFollowed) {
    const std::wstring victim = files_.root + L"victim.txt";
    ASSERT_TRUE(testfs::WriteBytes(victim, "keep me"));
    // Made to lay the links out, gone before the run: they dangle.
    const std::wstring wanted = files_.root + L"wanted.txt";
    ASSERT_TRUE(testfs::WriteBytes(wanted, "gone"));
    struct Planted {
        std::wstring path;
        bool link;
    };
    std::vector<Planted> planted;
    // Removed with the test, whatever it finds.
    struct Unplant {
        std::vector<Planted>& planted;
        ~Unplant() {
            for (const Planted& p : planted) {
                if (p.link) {
                    winehost::RemoveSymbolicLink(p.path);
                } else {
                    DeleteFileW(p.path.c_str());
                }
            }
        }
    } unplant{planted};
    for (int second = -1; second <= 30; ++second) {
        const std::wstring file = files_.staging + NameAt(second, L"");
        const std::wstring link = files_.staging + NameAt(second, L"_2");
        if (!Exists(file) && testfs::WriteBytes(file, "someone else's")) {
            planted.push_back({file, false});
        }
        if (!Exists(link) && winehost::MakeSymbolicLink(victim, link)) {
            planted.push_back({link, true});
        }
        const std::wstring dangling = files_.staging + NameAt(second, L"_3");
        if (!Exists(dangling) && winehost::MakeSymbolicLink(wanted, dangling)) {
            planted.push_back({dangling, true});
        }
    }
    ASSERT_FALSE(planted.empty());
    ASSERT_TRUE(DeleteFileW(wanted.c_str()));

    const RunResult run = files_.Run(L"/qn");

    ASSERT_TRUE(run.ended);
    InstallerRecord record;
    EXPECT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    EXPECT_EQ(ReadBytes(victim), "keep me") << "the run wrote through a link";
    EXPECT_FALSE(Exists(wanted)) << "the run made a file through a link";
    std::vector<std::wstring> own;
    for (const std::wstring& name : files_.NewLogs()) {
        bool taken = false;
        for (const Planted& p : planted) {
            taken = taken || p.path == files_.staging + name;
        }
        if (!taken) {
            own.push_back(name);
        }
    }
    for (const Planted& p : planted) {
        // Read through the link, the victim's own bytes (or none).
        if (p.path.find(L"_3.log") == std::wstring::npos) {
            EXPECT_EQ(ReadBytes(p.path), p.link ? "keep me" : "someone else's")
                << Narrow(p.path) << " was changed";
        }
    }
    // The launcher's and the installer's, under a name drawn for them.
    ASSERT_EQ(own.size(), 2u) << "the run made no log of its own";
    EXPECT_TRUE(IsLogName(own[0], L".log")) << Narrow(own[0]);
    EXPECT_EQ(own[1], own[0].substr(0, own[0].size() - 4) + L"_msi.log") << Narrow(own[1]);
}

} // namespace
