// The one action of the administrator's command, as msiexec.exe reads its switches.
#include "app/installer_action.h"

#include <gtest/gtest.h>

namespace {

constexpr size_t kNone = CommandAction::kNoSwitch;

TEST(ChooseActionTest, Table) {
    const InstallerAction install = InstallerAction::Install;
    const InstallerAction remove = InstallerAction::Remove;
    const InstallerAction image = InstallerAction::AdministrativeImage;
    const InstallerAction repair = InstallerAction::Repair;
    const InstallerAction advertise = InstallerAction::Advertise;
    const InstallerAction refused = InstallerAction::Refused;
    const struct {
        const wchar_t* arguments;
        InstallerAction action;
        size_t lastSwitch;
        bool removesProduct;
        bool updateDecision;
    } cases[] = {
        {L"", install, kNone, false, true},
        {L"/qn INSTALLDIR=C:\\x", install, kNone, false, true},
        {L"/i /qn", install, 0, false, true},
        {L"/qn -I", install, 1, false, true},
        {L"/package /qn", install, 0, false, true},
        {L"/i /package", install, 1, false, true},
        {L"/x /qn", remove, 0, true, true},
        {L"/qn -Uninstall", remove, 1, true, true},
        {L"/x -X", remove, 1, true, true},
        // REMOVE=ALL removes, as far as the update decision goes.
        {L"/qn REMOVE=ALL", install, kNone, true, true},
        {L"/qn remove=\"All\"", install, kNone, true, true},
        {L"/qn \"REMOVE=ALL\"", install, kNone, true, true},
        {L"/qn REMOVE=Driver", install, kNone, false, true},
        {L"/qn REMOVE=ALLX", install, kNone, false, true},
        {L"/qn MYREMOVE=ALL", install, kNone, false, true},
        {L"/x REMOVE=ALL", remove, 0, true, true},
        {L"/a TARGETDIR=C:\\Image /qn", image, 0, false, false},
        {L"/qn -A", image, 1, false, false},
        {L"/a REMOVE=ALL", image, 0, false, false},
        {L"/fa /qn", repair, 0, false, false},
        {L"/f", repair, 0, false, false},
        {L"/FOMUS", repair, 0, false, false},
        {L"-fvecmsu /qn", repair, 0, false, false},
        {L"/jm /qn", advertise, 0, false, false},
        {L"/JU", advertise, 0, false, false},
        {L"/qn /update C:\\p.msp", install, kNone, false, true},
        {L"/fa /update C:\\p.msp", repair, 0, false, false},
        // Options that only look like actions.
        {L"/forcerestart /promptrestart /passive /norestart /quiet /log x", install, kNone, false,
         true},
        {L"/fx /j /jmu /ax /xy /ix", install, kNone, false, true},
        {L"PROP=\"/a /x\"", install, kNone, false, true},
        // A patch, or a function that takes no package.
        {L"/qn /p C:\\x.msp", refused, 1, false, false},
        {L"/P x.msp", refused, 0, false, false},
        {L"-y C:\\x.dll", refused, 0, false, false},
        {L"/z C:\\x.dll", refused, 0, false, false},
        {L"/regserver", refused, 0, false, false},
        {L"/unregserver", refused, 0, false, false},
        {L"/unreg", refused, 0, false, false},
        {L"-Unregister", refused, 0, false, false},
        {L"/embedding", refused, 0, false, false},
        {L"/@", refused, 0, false, false},
        // Two actions: the second would reach msiexec.exe without its package.
        {L"/i /x", refused, 1, false, false},
        {L"/x /a", refused, 1, false, false},
        {L"/a /a", refused, 1, false, false},
        {L"/fa /fu", refused, 1, false, false},
        {L"/qn /a /p x.msp", refused, 2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.arguments)));
        const CommandAction action = ChooseAction(c.arguments);
        EXPECT_EQ(action.action, c.action);
        EXPECT_EQ(action.lastSwitch, c.lastSwitch);
        EXPECT_EQ(RemovesProduct(action), c.removesProduct);
        EXPECT_EQ(TakesUpdateDecision(action), c.updateDecision);
    }
}

} // namespace
