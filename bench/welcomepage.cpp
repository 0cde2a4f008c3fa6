// welcomepage: the launcher's own welcome page, shown at once by a program with
// the launcher's resources, manifest and libraries, and nothing of the run that
// comes before the page in the launcher (configuration, checks, log lines): the
// first page's floor as the page itself is built.
#include <windows.h>

#include <commctrl.h>
#include <oleauto.h>
#include <shlwapi.h>

#include "base/locale.h"
#include "base/resource.h"
#include "dialogs/welcome_dialog.h"

// Referenced, never called: the launcher's system imports that the page's own
// code does not need, mapped at start as they are for the launcher.
void* const volatile kLauncherImports[] = {reinterpret_cast<void*>(&SysAllocString),
                                           reinterpret_cast<void*>(&PathAppendA)};

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // As the launcher's start-up and language choice do.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    Resource::setUiLanguage(Locale::fromPreferredLanguages().getLangId());
    return static_cast<int>(CWelcomeDialog(false).DoModal());
}
