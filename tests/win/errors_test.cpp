#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "base/com_holders.h"
#include "base/memory_holders.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/win_handles.h"
#include "test_support.h"

TEST(SystemErrors, DescriptionsAreNormalised) {
    const std::string text = describeSystemError(ERROR_FILE_NOT_FOUND, nullptr);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(describeSystemError(0x2000FFFF, nullptr), "No description available");
    EXPECT_EQ(formatSystemError(ERROR_FILE_NOT_FOUND, nullptr), "system error 2 (" + text + ")");
}

TEST(SystemErrors, ComErrorsDescribeTheWrappedWindowsError) {
    const std::string text = formatComError(E_ACCESSDENIED);
    EXPECT_EQ(text, "COM error 0x80070005 (" + describeSystemError(ERROR_ACCESS_DENIED, nullptr) + ")");
}

TEST(SystemErrors, SysErrorNamesContextCodeAndDescription) {
    const SysError e("open key (SOFTWARE\\X) error", functionAddress(&RegOpenKeyExA), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(e.what()), "open key (SOFTWARE\\X) error. System error [2](system error 2 (" +
                                         describeSystemError(2, GetModuleHandleA("advapi32.dll")) + "))");
    const SysError bare("x:", nullptr, 5);
    EXPECT_EQ(std::string(bare.what()), "x: System error [5](system error 5 (" + describeSystemError(5, nullptr) + "))");
}

TEST(SystemErrors, AnUnknownAddressGivesAWarningAndNoDescription) {
    ScratchDir dir("ovx_errors_test");
    CapturedLog log(dir);
    const SysError e("ctx", reinterpret_cast<const void*>(0x10), 5);  // no module holds this address
    EXPECT_EQ(std::string(e.what()), "ctx. System error [5]");
    EXPECT_NE(log.text().find("\tWARNING: GetModuleHandleEx() failed for "), std::string::npos) << log.text();
}

TEST(Report, ExceptionsAreLoggedAtTheCatchSite) {
    ScratchDir dir("ovx_report_test");
    CapturedLog log(dir);
    try {
        throw QDS_ERROR(std::runtime_error("boom"));
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    REPORT_UNKNOWN_EXCEPTION();
    const std::string text = log.text();
    EXPECT_NE(text.find("errors_test.cpp:"), std::string::npos);
    EXPECT_NE(text.find("\tERROR: Exception with message 'errors_test.cpp("), std::string::npos) << text;
    EXPECT_NE(text.find("): boom' caught\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tERROR: Unknown exception caught\r\n"), std::string::npos);
}

TEST(HandleClosers, NothingToCloseLogsNothing) {
    ScratchDir dir("ovx_closers_test");
    CapturedLog log(dir);
    closeHANDLE(INVALID_HANDLE_VALUE);
    closeHANDLE(nullptr);
    closeRegHandle(nullptr);
    closeInternetHandle(nullptr);
    EXPECT_EQ(log.text(), "");
}

TEST(HandleClosers, AFailedCloseIsLoggedNotThrown) {
    ScratchDir dir("ovx_closers_fail_test");
    CapturedLog log(dir);
    closeRegHandle(reinterpret_cast<HKEY>(0x12345678));
    const std::string text = log.text();
    EXPECT_NE(text.find("\tERROR: RegCloseKey("), std::string::npos) << text;
    EXPECT_NE(text.find(") failed with system error "), std::string::npos) << text;
}

TEST(HandleClosers, HoldersCloseOnceAndMove) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    UniqueHandle a(event);
    UniqueHandle b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_TRUE(b.valid());
    b.reset();
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed by the holder
}

namespace {
// An object that counts its references, to see what the COM holders do with them.
class Counted : public IUnknown {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};
}  // namespace

TEST(HandleClosers, ComPointersKeepTheCountRight) {
    Counted object;
    {
        ComPtr<IUnknown> first(&object);  // takes over the first reference
        ComPtr<IUnknown> copy(first);
        EXPECT_EQ(object.refs, 2u);
        ComPtr<IUnknown> moved(std::move(copy));
        EXPECT_EQ(object.refs, 2u);
        EXPECT_FALSE(copy);
        ComPtr<IUnknown> queried;
        ASSERT_EQ(first.query(IID_IUnknown, queried), S_OK);
        EXPECT_EQ(object.refs, 3u);
        ComPtr<IDispatch> none;
        EXPECT_EQ(first.query(IID_IDispatch, none), E_NOINTERFACE);
        moved = first;  // self-reference through another holder: released once, taken once
        EXPECT_EQ(object.refs, 3u);
        queried.reset();
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 0u);
}

TEST(HandleClosers, ApartmentsAreLeftAsOftenAsEntered) {
    {
        const ComScope outer;
        ASSERT_TRUE(SUCCEEDED(outer.result()));
        const ComScope inner;  // S_FALSE: already entered, and still to be left
        EXPECT_EQ(inner.result(), S_FALSE);
        const ComScope other(COINIT_MULTITHREADED);  // another model: refused, and not left
        EXPECT_EQ(other.result(), RPC_E_CHANGED_MODE);
    }
    // Left completely: a free-threaded apartment can be entered now.
    const ComScope free(COINIT_MULTITHREADED);
    EXPECT_EQ(free.result(), S_OK);
}

TEST(HandleClosers, GdiAndMemoryHoldersFreeWhatTheyHold) {
    HFONT raw = CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    ASSERT_NE(raw, nullptr);
    {
        std::vector<UniqueFont> fonts;
        fonts.emplace_back(raw);
        fonts.emplace_back(nullptr);  // holding nothing is fine
    }
    LOGFONTW info;
    EXPECT_EQ(GetObjectW(raw, sizeof(info), &info), 0);  // deleted with the vector

    LocalPointer<char> text;
    ASSERT_NE(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<char*>(text.out()), 0, nullptr),
              0u);
    ASSERT_TRUE(text);
    EXPECT_NE(std::string(text.get()).find(' '), std::string::npos);
    text.reset();
    EXPECT_FALSE(text);

    Bstr name(L"value");
    EXPECT_EQ(SysStringLen(name.get()), 5u);
    Variant variant;
    variant.get()->vt = VT_BSTR;
    variant.get()->bstrVal = name.detach();  // the variant frees it now
    EXPECT_EQ(name.get(), nullptr);
    EXPECT_EQ(variant.out()->vt, VT_EMPTY);
}
