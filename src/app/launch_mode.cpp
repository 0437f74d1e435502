#include "app/launch_mode.h"
#include "app/text.h"

LaunchMode ChooseLaunchMode(bool productInstalled, const std::wstring& commandLine) {
    if (productInstalled) {
        return LaunchMode::Direct;
    }
    // "/qf" contains "/q", so a full-interface request always lands here.
    if (ContainsText(commandLine, L"/q") || ContainsText(commandLine, L"-q")) {
        const bool fullInterface =
            ContainsText(commandLine, L"/qf") || ContainsText(commandLine, L"-qf");
        return fullInterface ? LaunchMode::Interactive : LaunchMode::Direct;
    }
    for (const wchar_t* directSwitch : {L"/passive", L"-passive", L"/?", L"-?"}) {
        if (ContainsText(commandLine, directSwitch)) {
            return LaunchMode::Direct;
        }
    }
    return LaunchMode::Interactive;
}
