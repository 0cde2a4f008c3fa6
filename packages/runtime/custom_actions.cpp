// Custom actions of the runtime package (orun_ca.dll).
//
// The Windows Installer loads this DLL into a custom-action server process of
// its own and calls the exports below by name. Nothing here may throw across
// the boundary or show a window: a silent install has nobody to answer it.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#define ORUN_CA extern "C" __declspec(dllexport) UINT __stdcall

namespace {

// Writes one line into the installer's log (visible with msiexec /l*v).
void logLine(MSIHANDLE install, const char* text)
{
    MSIHANDLE record = MsiCreateRecord(0);
    if (!record)
        return;
    MsiRecordSetStringA(record, 0, text);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

} // namespace

// Test switch: scheduled only when ORUN_TEST_FAIL="1", after the files and
// registry records are in place, so that a failed install also exercises the
// installer's rollback. The install then ends with 1603.
ORUN_CA FailOnPurpose(MSIHANDLE install)
{
    logLine(install, "FailOnPurpose: ORUN_TEST_FAIL is set, failing the installation");
    return ERROR_INSTALL_FAILURE;
}

// Bracket the registration of the runtime (the registry records). They will
// report that operation to the launcher's progress mailbox; until then they
// only leave a trace in the log.
ORUN_CA ReportStart(MSIHANDLE install)
{
    logLine(install, "ReportStart: registering the runtime");
    return ERROR_SUCCESS;
}

ORUN_CA ReportEnd(MSIHANDLE install)
{
    logLine(install, "ReportEnd: runtime registered");
    return ERROR_SUCCESS;
}
