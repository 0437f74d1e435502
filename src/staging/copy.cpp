// The copies: each made new from the medium and locked, and the bytes to copy.
#include "base/file_attributes.h"
#include "staging/staging.h"

#include <memory>

namespace {

// Large enough that a gigabyte takes few calls, small enough for any machine.
const DWORD kCopyBufferBytes = 1 << 20;

// Ends an enumeration: true when it simply ran out of entries.
bool EnumerationFinished() {
    const DWORD error = GetLastError();
    g_lastError = error == ERROR_NO_MORE_FILES ? 0 : error;
    return g_lastError == 0;
}

// A buffer for the copies of a run, left uninitialised: one made and cleared
// for each of a thousand small cabinets costs more than their copies.
std::unique_ptr<char[]> CopyBuffer() {
    return std::unique_ptr<char[]>(new char[kCopyBufferBytes]);
}

bool CopyOneFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                 const std::wstring& fileName, StagedFilesLock& lock, StagingProgress* progress,
                 char* buffer) {
    const std::wstring destination = destinationFolder + fileName;
    g_lastError = 0;
    {
        FileHandle source(CreateFileW((sourceFolder + fileName).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!source.IsValid()) {
            g_lastError = GetLastError();
            return false;
        }
        // A name that exists already in a fresh folder is not the launcher's.
        // The copy takes its attributes from no one: one from a CD would keep
        // the read-only attribute, which would stop its deletion.
        FileHandle copy(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!copy.IsValid()) {
            g_lastError = GetLastError();
            return false;
        }
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(source.Get(), buffer, kCopyBufferBytes, &read, nullptr)) {
                g_lastError = GetLastError();
                return false;
            }
            if (read == 0) {
                break;
            }
            DWORD written = 0;
            if (!WriteFile(copy.Get(), buffer, read, &written, nullptr) || written != read) {
                g_lastError = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
                return false;
            }
            if (progress != nullptr && !progress->Advance(read)) {
                g_lastError = ERROR_CANCELLED;
                return false;
            }
        }
    }
    return lock.Add(destinationFolder, fileName);
}

} // namespace

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
    files_.clear();
}

bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName, StagedFilesLock& lock,
                     StagingProgress* progress) {
    return CopyOneFile(sourceFolder, destinationFolder, fileName, lock, progress,
                       CopyBuffer().get());
}

bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern, StagedFilesLock& lock,
                       StagingProgress* progress) {
    const std::unique_ptr<char[]> buffer = CopyBuffer();
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((sourceFolder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    do {
        // A folder named like a matching file is not part of the package.
        if (!IsDotEntry(entry) && !IsDirectory(entry.dwFileAttributes) &&
            !CopyOneFile(sourceFolder, destinationFolder, entry.cFileName, lock, progress,
                         buffer.get())) {
            return false;
        }
    } while (FindNextFileW(search.Get(), &entry));
    return EnumerationFinished();
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
