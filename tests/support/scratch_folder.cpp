// The tests' one kind of scratch folder: made fresh, removed with all it holds.
#include "scratch_folder.h"
#include "file_io.h"
#include "launcher_places.h"

#include <windows.h>

#include <cctype>
#include <utility>

ScratchFolder::ScratchFolder(const std::wstring& name) {
    Make(name);
}

void ScratchFolder::Make(const std::wstring& name) {
    // Drive Z: is the host's root, and the tests run as root: whatever the
    // name, nothing outside the temporary directory may be removed. Windows
    // drops a name's trailing dots and blanks, so that "..." or " " would
    // name the temporary directory itself.
    const std::wstring temp = testfs::TempDirectory();
    if (name.empty() || name.back() == L'.' || name.back() == L' ' ||
        name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos || temp.size() < 4 ||
        temp[1] != L':' || temp[2] != L'\\' || temp.back() != L'\\') {
        FAIL() << "no scratch folder \"" << testfs::Narrow(name) << "\" in \""
               << testfs::Narrow(temp) << "\"";
    }
    path_ = temp + name + L"\\";
    testfs::TakeRemovalsAtRestart(path_);
    testfs::RemoveTree(path_);
    ASSERT_TRUE(CreateDirectoryW(path_.c_str(), nullptr)) << testfs::Narrow(path_);
}

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) {
        return;
    }
    // What a test left for the next restart must not go when the prefix
    // boots again.
    testfs::TakeRemovalsAtRestart(path_);
    testfs::RemoveTree(path_);
}

ScratchFolderTest::ScratchFolderTest(std::wstring name) : name_(std::move(name)) {}

void ScratchFolderTest::SetUp() {
    std::wstring name = name_;
    if (name.empty()) {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string narrow = std::string(test->test_suite_name()) + "-" + test->name();
        for (char& ch : narrow) {
            ch = isalnum(static_cast<unsigned char>(ch)) ? ch : '-';
        }
        name.assign(narrow.begin(), narrow.end());
    }
    scratch_.emplace(name);
    folder = scratch_->Path();
}

void ScratchFolderTest::TearDown() {
    scratch_.reset();
}
