#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "msi/action.h"
#include "msi/msi_api.h"
#include "progress/install_callback.h"
#include "test_support.h"

namespace {

struct Message {
    unsigned type;
    unsigned flags;
    std::string text;
};

class RecordingCallback : public msi::Callback {
public:
    void onMessage(unsigned type, unsigned flags, const std::string& text) override { messages.push_back({type, flags, text}); }
    std::vector<Message> messages;
};

bool runtimeRegistered() {
    HKEY key = nullptr;
    const bool found = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrunSoft\\Orun Runtime Environment\\1.9.0", 0,
                                     KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    return found;
}

// A getter that answers like the installer for a value of 25 characters.
std::vector<DWORD> g_offeredSizes;
UINT WINAPI fakeGetter(MSIHANDLE, LPCSTR, LPSTR buffer, LPDWORD size) {
    const std::string value = "abcdefghijklmnopqrstuvwxy";
    g_offeredSizes.push_back(*size);
    if (*size <= value.size()) {
        *size = static_cast<DWORD>(value.size());
        return ERROR_MORE_DATA;
    }
    memcpy(buffer, value.c_str(), value.size() + 1);
    *size = static_cast<DWORD>(value.size());
    return ERROR_SUCCESS;
}

UINT WINAPI failingGetter(MSIHANDLE, LPCSTR, LPSTR, LPDWORD) { return ERROR_UNKNOWN_PROPERTY; }

}  // namespace

TEST(MsiError, CarriesTheInstallersOwnText) {
    const std::string text = msi::makeMessage("MsiInstallProduct(x.msi, ) failed", 1603);
    EXPECT_EQ(text.find("MsiInstallProduct(x.msi, ) failed. MSI error [1603]("), 0u) << text;
    EXPECT_GT(text.size(), std::string("MsiInstallProduct(x.msi, ) failed. MSI error [1603]()").size()) << text;
    EXPECT_EQ(text.back(), ')');
    // A code without a text only shortens the message.
    EXPECT_EQ(msi::makeMessage("ctx", 77777), "ctx. MSI error [77777]");
    EXPECT_EQ(msi::Error("ctx", 3010).getCode(), 3010u);
}

TEST(MsiProperty, TheBufferDoublesUntilTheValueFits) {
    g_offeredSizes.clear();
    EXPECT_EQ(msi::getProperty(&fakeGetter, 7, "ProductVersion"), "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(g_offeredSizes, (std::vector<DWORD>{20, 40}));
    try {
        msi::getProperty(&failingGetter, 7, "Nope");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("MsiGetProductProperty(7, Nope) failed. MSI error [1608]"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(msi::getProductProperty(0, "ProductVersion"), "");
}

TEST(MsiApi, EveryFunctionIsReachedByOrdinal) {
    const msi::Api& api = msi::api();
    EXPECT_TRUE(api.closeHandle && api.getProductProperty && api.installProduct && api.openProduct && api.setExternalUI &&
                api.setInternalUI && api.enableLog && api.configureProductEx);
}

// The real package through the real installer: install with the messages
// forwarded, read a property of the installed product, remove it again.
TEST(MsiAction, InstallsQueriesAndRemovesTheRuntimePackage) {
    ASSERT_FALSE(runtimeRegistered()) << "the shared prefix must start without the runtime";
    ScratchDir dir("ovx_msi_action");
    RecordingCallback callback;
    msi::action<msi::install> install;
    install.setPackagePath(OVX_TEST_PACKAGE);
    install.setCallback(&callback);
    install.setLogFile(dir.file("install.log"));
    install.setProperty("INSTALLDIR", dir.file("Orun Runtime"));
    ASSERT_NO_THROW(install.execute());
    EXPECT_TRUE(runtimeRegistered());
    EXPECT_TRUE(FileUtils::exists(dir.file("install.log")));

    bool sawActionStart = false;
    for (const Message& m : callback.messages) {
        EXPECT_EQ(m.type & 0x00FFFFFFu, 0u);
        EXPECT_EQ(m.flags & 0xFF000000u, 0u);
        if (m.type == INSTALLMESSAGE_ACTIONSTART && m.text.find("CostInitialize") != std::string::npos) sawActionStart = true;
    }
    EXPECT_TRUE(sawActionStart);

    {
        const Guid code(std::string(OVX_RUNTIME_PRODUCT_CODE));
        msi::ProductHandle product = msi::openProduct(code);
        EXPECT_EQ(msi::getProductProperty(product.get(), "ProductCode"), code.toString());
    }

    // Without a callback and a log file nothing is registered and the log is off.
    msi::action<msi::uninstall> remove{Guid(std::string(OVX_RUNTIME_PRODUCT_CODE))};
    ASSERT_NO_THROW(remove.execute());
    EXPECT_FALSE(runtimeRegistered());
    EXPECT_FALSE(FileUtils::exists(dir.file("Orun Runtime\\release")));
}

TEST(MsiAction, AFailingInstallRaisesItsCodeAndRestoresTheSettings) {
    ScratchDir dir("ovx_msi_action_fail");
    const INSTALLUILEVEL before = msi::api().setInternalUI.get()(INSTALLUILEVEL_NOCHANGE, nullptr);
    msi::action<msi::install> install;
    install.setPackagePath(OVX_TEST_PACKAGE);
    install.setCommandLine("  ORUN_TEST_FAIL=1 ");
    install.setProperty("INSTALLDIR", dir.file("Orun Runtime"));
    try {
        install.execute();
        FAIL() << "the package was told to fail";
    } catch (const msi::Error& e) {
        EXPECT_EQ(e.getCode(), 1603u);
        const std::string what = e.what();
        EXPECT_EQ(what.find("action.cpp("), 0u) << what;
        EXPECT_NE(what.find(") at msi::action<msi::install>::execute(): MsiInstallProduct(" + std::string(OVX_TEST_PACKAGE) +
                            ", ORUN_TEST_FAIL=1 INSTALLDIR=\"" + dir.file("Orun Runtime") + "\") failed. MSI error [1603]("),
                  std::string::npos)
            << what;
    }
    EXPECT_FALSE(runtimeRegistered());
    // The scope gave the user-interface level back.
    EXPECT_EQ(msi::api().setInternalUI.get()(INSTALLUILEVEL_NOCHANGE, nullptr), before);
}

TEST(MsiAction, RemovingAProductThatIsNotInstalledFails) {
    msi::action<msi::uninstall> remove{Guid(std::string("{00000000-1111-2222-3333-444444444444}"))};
    try {
        remove.execute();
        FAIL();
    } catch (const msi::Error& e) {
        EXPECT_EQ(e.getCode(), static_cast<unsigned>(ERROR_UNKNOWN_PRODUCT));
        EXPECT_NE(std::string(e.what()).find("MsiConfigureProductEx({00000000-1111-2222-3333-444444444444}, 65535, 2, ) failed"),
                  std::string::npos)
            << e.what();
    }
}
