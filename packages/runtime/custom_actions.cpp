// Custom actions of the runtime package (orun_ca.dll).
//
// The Windows Installer loads this DLL into a custom-action server process of
// its own and calls the exports below by name. Nothing here may throw across
// the boundary or show a window: a silent install has nobody to answer it.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <cstring>

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

// The launcher's operation mailbox: one 8-byte record {id, state} in named
// shared memory, written whole; the launcher polls it and acts on changes.
const char* const kMailboxName = "QdsOperationSequenceSharedMemory";
const unsigned kRuntimeRegistration = 7;
enum : unsigned { Started = 1, Finished = 2 };

void postOperation(unsigned id, unsigned state)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kMailboxName);
    // No launcher page is watching: a mailbox of our own, which nobody reads.
    if (!mapping)
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8, kMailboxName);
    if (!mapping)
        return;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 8)) {
        const unsigned record[2] = {id, state};
        CopyMemory(view, record, sizeof(record));
        FlushViewOfFile(view, sizeof(record));
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

// Test switch ORUN_TEST_SLOW=<ms>, handed in as the action's data: the
// registration takes that long before and after its start is reported, so
// that a test can watch the progress page.
DWORD testDelay(MSIHANDLE install)
{
    char data[32] = {};
    DWORD size = sizeof(data);
    if (MsiGetPropertyA(install, "CustomActionData", data, &size) != ERROR_SUCCESS)
        return 0;
    const unsigned long ms = strtoul(data, nullptr, 10);
    return ms > 120000 ? 120000 : static_cast<DWORD>(ms);
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

// Bracket the registration of the runtime (the registry records) and report
// it to the launcher's progress mailbox as operation 7.
ORUN_CA ReportStart(MSIHANDLE install)
{
    logLine(install, "ReportStart: registering the runtime");
    const DWORD delay = testDelay(install);
    Sleep(delay);
    postOperation(kRuntimeRegistration, Started);
    Sleep(delay);
    return ERROR_SUCCESS;
}

ORUN_CA ReportEnd(MSIHANDLE install)
{
    postOperation(kRuntimeRegistration, Finished);
    logLine(install, "ReportEnd: runtime registered");
    return ERROR_SUCCESS;
}

// Test switch: the status text the runtime leaves for the launcher's report
// ("reinstall", "exists", ...). Written from an immediate action, outside the
// installer's transaction, so that a failing install keeps it as the real
// package's own check does.
ORUN_CA WriteInstallStatus(MSIHANDLE install)
{
    char status[256] = {};
    DWORD size = sizeof(status);
    if (MsiGetPropertyA(install, "ORUN_TEST_STATUS", status, &size) != ERROR_SUCCESS || !status[0])
        return ERROR_SUCCESS;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrunSoft", 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    RegSetValueExA(key, "InstallStatus", 0, REG_SZ, reinterpret_cast<const BYTE*>(status), size + 1);
    RegCloseKey(key);
    logLine(install, "WriteInstallStatus: status written");
    return ERROR_SUCCESS;
}

// Test only (ORUN_TEST_TAMPER=<result file>): while the files are installed,
// from this process, another one than the launcher's, try to open the package
// being installed for writing, to rename it and to delete it, and write each
// outcome ("write 32": the system error, 0: it succeeded) to the result file.
// Its data: "<result file>;<package>".
ORUN_CA TryToReplacePackage(MSIHANDLE install)
{
    char data[2 * MAX_PATH + 2] = {};
    DWORD size = sizeof(data);
    if (MsiGetPropertyA(install, "CustomActionData", data, &size) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    char* separator = strchr(data, ';');
    if (!separator || separator == data)
        return ERROR_SUCCESS;
    *separator = '\0';
    const char* resultPath = data;
    const char* package = separator + 1;

    auto outcome = [](BOOL done) { return done ? 0ul : GetLastError(); };
    HANDLE writer = CreateFileA(package, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const unsigned long write = outcome(writer != INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    char moved[MAX_PATH + 8];
    wsprintfA(moved, "%s.moved", package);
    const unsigned long rename = outcome(MoveFileExA(package, moved, 0));
    const unsigned long remove = outcome(DeleteFileA(package));

    char text[3 * MAX_PATH];
    const int length = wsprintfA(text, "package %s\r\nwrite %lu\r\nrename %lu\r\ndelete %lu\r\n", package, write,
                                 rename, remove);
    HANDLE result = CreateFileA(resultPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (result != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(result, text, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(result);
    }
    logLine(install, "TryToReplacePackage: tried");
    return ERROR_SUCCESS;
}
