#pragma once

#include <string>

enum class LaunchMode { Interactive, Direct };

// An installed product always runs directly; otherwise the msiexec-style
// user-interface switches decide whether the language dialog is wanted. A
// switch is a whole argument, never text inside another one.
LaunchMode ChooseLaunchMode(bool productInstalled, const std::wstring& commandLine);
