// The copies: each made new from the medium and locked, and the bytes to copy.
#include "base/file_attributes.h"
#include "base/run_log.h"
#include "staging/copy.h"
#include "staging/last_error.h"

#include <memory>

namespace {

// Ends an enumeration: true when it simply ran out of entries.
bool EnumerationFinished() {
    const DWORD error = GetLastError();
    g_lastError = error == ERROR_NO_MORE_FILES ? 0 : error;
    return g_lastError == 0;
}

// Copies source's bytes into copy, counting them; false with the code in
// g_lastError.
bool CopyBytes(HANDLE source, HANDLE copy, StagingProgress* progress, char* buffer,
               unsigned long long& bytes) {
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer, kCopyBufferBytes, &read, nullptr)) {
            g_lastError = GetLastError();
            return false;
        }
        bytes += read;
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        if (!WriteFile(copy, buffer, read, &written, nullptr) || written != read) {
            g_lastError = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
            return false;
        }
        if (progress != nullptr && !progress->Advance(read)) {
            g_lastError = ERROR_CANCELLED;
            return false;
        }
    }
}

bool CopyOneFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                 const std::wstring& fileName, StagedFilesLock& lock, StagingProgress* progress,
                 char* buffer) {
    g_lastError = 0;
    const FileHandle source(CreateFileW((sourceFolder + fileName).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    // A name that exists already in a fresh folder is not the launcher's.
    // The copy takes its attributes from no one: one from a CD would keep
    // the read-only attribute, which would stop its deletion. Its owner is
    // the folder's, whatever the owner policy says.
    SECURITY_ATTRIBUTES security = {sizeof(security), lock.CopySecurity(), FALSE};
    FileHandle& copy = lock.Writing();
    copy = FileHandle(CreateFileW((destinationFolder + fileName).c_str(), GENERIC_WRITE, 0,
                                  &security, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    unsigned long long bytes = 0;
    const bool copied = CopyBytes(source.Get(), copy.Get(), progress, buffer, bytes);
    copy.Reset();
    if (!copied || !lock.Add(destinationFolder, fileName)) {
        LogLine("not staged: ", fileName.c_str());
        return false;
    }
    LogLine("staged: ", fileName.c_str(), ", bytes: ", bytes);
    return true;
}

} // namespace

std::unique_ptr<char[]> CopyBuffer() {
    return std::unique_ptr<char[]>(new char[kCopyBufferBytes]);
}

bool StagedFilesLock::Add(const std::wstring& folder, const std::wstring& name) {
    // No security attributes: the installer inherits no handle of these.
    FileHandle file(CreateFileW((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    files_.push_back(StagedFile{name, std::move(file)});
    return true;
}

void StagedFilesLock::Release() {
    writing_.Reset();
    files_.clear();
}

bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName, StagedFilesLock& lock,
                     StagingProgress* progress) {
    return CopyOneFile(sourceFolder, destinationFolder, fileName, lock, progress,
                       CopyBuffer().get());
}

bool ListMatchingFiles(const std::wstring& folder, const std::wstring& pattern,
                       std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    do {
        // A folder named like a matching file is not part of the package.
        if (!IsDotEntry(entry) && !IsDirectory(entry.dwFileAttributes)) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileW(search.Get(), &entry));
    return EnumerationFinished();
}

bool CopyPackageFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                      const std::vector<std::wstring>& names, StagedFilesLock& lock,
                      StagingProgress* progress) {
    const std::unique_ptr<char[]> buffer = CopyBuffer();
    for (const std::wstring& name : names) {
        if (!CopyOneFile(sourceFolder, destinationFolder, name, lock, progress, buffer.get())) {
            return false;
        }
    }
    return true;
}

bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern, StagedFilesLock& lock,
                       StagingProgress* progress) {
    std::vector<std::wstring> names;
    return ListMatchingFiles(sourceFolder, pattern, names) &&
           CopyPackageFiles(sourceFolder, destinationFolder, names, lock, progress);
}

unsigned long long PackageBytes(const std::wstring& sourceFolder, const std::wstring& fileName,
                                const std::wstring& pattern) {
    unsigned long long bytes = 0;
    WIN32_FIND_DATAW entry = {};
    for (const std::wstring& name : {fileName, pattern}) {
        FindHandle search(FindFirstFileW((sourceFolder + name).c_str(), &entry));
        if (!search.IsValid()) {
            continue;
        }
        do {
            if (!IsDirectory(entry.dwFileAttributes)) {
                bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) |
                         entry.nFileSizeLow;
            }
        } while (FindNextFileW(search.Get(), &entry));
    }
    return bytes;
}
