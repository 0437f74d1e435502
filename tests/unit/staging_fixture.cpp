// What the tests of staging/ share: the fixture, its files, and draws of the tests' choosing.
#include "staging_fixture.h"
#include "file_io.h"

void WriteText(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(testfs::WriteBytes(path, text));
}

std::string ReadText(const std::wstring& path) {
    return testfs::ReadBytes(path);
}

void StagingTest::SetUp() {
    ScratchFolderTest::SetUp();
    // Without its folder, the test has nowhere to work.
    if (HasFatalFailure()) {
        return;
    }
    source_ = MakeFolder(L"source");
    destination_ = MakeFolder(L"destination");
    g_lastError = 0;
}

void StagingTest::TearDown() {
    if (tmpPointed_) {
        SetEnvironmentVariableW(L"TMP", savedTmp_ ? savedTmp_->c_str() : nullptr);
    }
    ScratchFolderTest::TearDown();
}

std::wstring StagingTest::MakeFolder(const std::wstring& relative) {
    const std::wstring path = root_ + relative + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void StagingTest::PointTmpAt(const std::wstring& path) {
    if (!tmpPointed_) {
        tmpPointed_ = true;
        const DWORD size = GetEnvironmentVariableW(L"TMP", nullptr, 0);
        if (size > 0) {
            std::wstring saved(size, L'\0');
            saved.resize(GetEnvironmentVariableW(L"TMP", &saved[0], size));
            savedTmp_ = saved;
        }
    }
    SetEnvironmentVariableW(L"TMP", path.c_str());
}

std::vector<unsigned> g_script;
size_t g_drawn = 0;

bool ScriptedDraw(unsigned& value) {
    if (g_drawn >= g_script.size()) {
        return false;
    }
    value = g_script[g_drawn++];
    return true;
}

std::wstring HeldFolder(const std::wstring& parent, unsigned value, StagingFolderHold& hold) {
    g_script = {value};
    g_drawn = 0;
    return CreateStagingDirectoryIn(parent, ScriptedDraw, hold);
}
