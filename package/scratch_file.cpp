#include "scratch_file.h"

#include <windows.h>

ScratchFile::ScratchFile(const std::wstring& folder, const wchar_t* prefix) {
    wchar_t file[MAX_PATH + 1] = {};
    if (GetTempFileNameW(folder.c_str(), prefix, 0, file) != 0) {
        path_ = file;
    }
}

ScratchFile::~ScratchFile() {
    if (!path_.empty()) {
        DeleteFileW(path_.c_str());
    }
}
