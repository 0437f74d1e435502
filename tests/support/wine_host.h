// The Unix side of the Wine prefix: host paths, Unix links, drive letters of the tests' own.
#pragma once

// For what a test must arrange on the Unix side and no Windows call can: a
// Unix symbolic link (which Wine shows as a reparse point), or a drive letter
// of its own; and for the host's paths, as Wine shows them.
#include <windows.h>

#include <string>

namespace winehost {

// A host path (as CMake names files) as Wine shows it: on drive Z:.
std::wstring FromHostPath(const std::wstring& path);

// The Unix path of a Windows path, through Wine's own kernel32 export; empty
// when it has none (not on Wine).
std::string UnixPath(const std::wstring& windowsPath);

// Makes a Unix symbolic link at link that points to target (both Windows
// paths) and waits until Wine shows it; false when it did not appear.
bool MakeSymbolicLink(const std::wstring& target, const std::wstring& link);

// Removes a symbolic link made by MakeSymbolicLink, never its target.
void RemoveSymbolicLink(const std::wstring& link);

// Whether path (a trailing backslash or not) is a link itself, as Wine shows
// a Unix symbolic link: a reparse point.
bool IsLinkItself(const std::wstring& path);

// Removes folder (a Windows path with a trailing backslash) with Unix rm,
// which takes a link inside as a link, dangling or not, where Wine's own
// calls look through it; only a folder on the prefix's drive C:, and never
// one that is a link itself. False when it is not removed so, or not on Wine.
bool RemoveTreeInPrefix(const std::wstring& folder);

// Mounts a file system of about bytes at folder (an empty folder, with
// trailing backslash, in the prefix's drive C:) and waits until Wine shows
// its size there: for a disk that fills. False when it could not.
bool MountSmallFileSystem(const std::wstring& folder, unsigned long long bytes);

// Unmounts a file system at folder, if one is there, and waits until it is
// gone.
void UnmountFileSystem(const std::wstring& folder);

// Whether RemoveDirectoryW removes a link to a folder that holds a file, as
// Windows does, leaving the folder; tried in scratch (with trailing
// backslash). Wine 8 answers no: it looks through the link.
bool RemovesDirectoryLinks(const std::wstring& scratch);

// While it lives, the process's current directory is the root of a drive
// letter of its own that stands for folder, so that a path from the root of
// the current drive ("\*") reaches nothing outside folder.
class ScratchDrive {
  public:
    explicit ScratchDrive(const std::wstring& folder);
    ScratchDrive(const ScratchDrive&) = delete;
    ScratchDrive& operator=(const ScratchDrive&) = delete;
    ~ScratchDrive();
    // The drive's root, such as "S:\"; empty when no drive could be made.
    const std::wstring& Root() const {
        return root_;
    }

  private:
    std::wstring root_;
    std::string device_;
    std::wstring savedDirectory_;
};

} // namespace winehost
