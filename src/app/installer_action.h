// What the administrator's command asks msiexec.exe to do with the staged package.
#pragma once

#include "app/command_line.h"

#include <cstddef>
#include <string>
#include <vector>

// msiexec.exe's actions that take a package, and those that the launcher
// refuses.
enum class InstallerAction {
    Install,             // no action switch, or "/i" or "/package" alone
    Remove,              // "/x" or "/uninstall"
    AdministrativeImage, // "/a"
    Repair,              // "/f" and its modes
    Advertise,           // "/ju" or "/jm"
    Refused,             // a patch ("/p"), a function without a package, or two actions
};

struct CommandAction {
    InstallerAction action = InstallerAction::Install;
    // The last argument that names the action (an index into the split
    // arguments; none: kNoSwitch): it leads the command of an image, a
    // repair or an advertisement, as typed, or was refused.
    size_t lastSwitch = kNoSwitch;
    // An install whose arguments set REMOVE=ALL: a removal for the update
    // decision.
    bool removesAll = false;

    static constexpr size_t kNoSwitch = static_cast<size_t>(-1);
};

// The one action of the arguments. Switches are whole arguments, in any
// case, with "/" or "-", as msiexec.exe reads them; "/update" is an option
// of an install or a repair, and goes on as typed. A patch ("/p"), a
// function that takes no package ("/y", "/z", "/regserver", "/unregserver",
// "/unreg", "/unregister", "/embedding", "/@"), two different actions, or
// a second image, repair or advertisement switch, are refused: a second
// action would reach msiexec.exe without its package.
CommandAction ChooseAction(const LauncherArguments& arguments);

// Whether the argument names an action of msiexec.exe's: every one of a
// command that is not refused names the command's action, and is taken out
// of the arguments that go on.
bool IsActionSwitch(const std::wstring& argument);

// Whether the update decision applies: an install or a removal; an image, a
// repair or an advertisement takes the package as it is.
bool TakesUpdateDecision(const CommandAction& action);

// Whether the action removes the product: "/x", or REMOVE=ALL.
bool RemovesProduct(const CommandAction& action);

// What the log says of the action.
const char* InstallerActionText(InstallerAction action);
