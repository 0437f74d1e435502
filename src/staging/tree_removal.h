// The removal of a folder and everything in it, now or at the restart.
#pragma once

#include <windows.h>

#include <string>

// How a removal waits before it tries again for what stays, for so many
// milliseconds.
using RemovalPause = void(WINAPI*)(DWORD milliseconds);

// Deletes the folder (given with a trailing backslash) and everything in it.
// A link (any reparse point) is removed as the entry itself and never
// followed, so that nothing outside the folder is touched. An entry that
// cannot be deleted does not stop the rest; it and the folders above it
// are scheduled for removal at the next restart (links excepted: what a
// later removal of a link would do is not the launcher's to decide). True
// when all of it went now.
// A file that something holds for a moment is tried again, after a pause,
// for about two seconds.
bool DeleteDirectoryTree(const std::wstring& folder, RemovalPause pause = Sleep);
