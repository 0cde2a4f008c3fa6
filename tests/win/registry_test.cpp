#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/sys_error.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

const char* const kTestsKey = "SOFTWARE\\OvxTests";

// SOFTWARE\OvxTests\<name> under a root, removed from both views before and
// after; OvxTests itself goes too when the test made it.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::string& name) : root_(root), name_(name), hadParent_(remove()) {}
    ~ScratchKey() {
        remove();
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            if (!hadParent_) RegDeleteKeyExA(root_, kTestsKey, view, 0);
        }
    }
    std::string path() const { return std::string(kTestsKey) + "\\" + name_; }
    std::string sub(const std::string& name) const { return path() + "\\" + name; }

private:
    // Whether OvxTests was there in either view.
    bool remove() const {
        bool found = false;
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY parent = nullptr;
            if (RegOpenKeyExA(root_, kTestsKey, 0, KEY_ALL_ACCESS | view, &parent) == ERROR_SUCCESS) {
                found = true;
                RegDeleteTreeA(parent, name_.c_str());
                RegCloseKey(parent);
            }
        }
        return found;
    }

    HKEY root_;
    std::string name_;
    bool hadParent_;
};

bool rawKeyExists(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void rawSet(const Registry& key, const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key.handle(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

template <class F>
std::string errorText(F f) {
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no exception)";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Registry, TheViewReachesEveryKeyOpenedBelow) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "Views");
    EXPECT_EQ(Registry::hkcu32.viewFlags(), 0x200u);
    EXPECT_EQ(Registry::hklm.viewFlags(), 0u);
    {
        Registry key(Registry::hklm32, scratch.path(), Registry::Write);
        key.setString("Where", "32");
        Registry child(key, "Child", Registry::Write);
        EXPECT_EQ(child.viewFlags(), 0x200u);
        Registry grandchild(child, "Grandchild", Registry::Write);
        grandchild.setDword("Depth", 2);
        // Reopening through itself keeps the view.
        child.open(child, "Grandchild", Registry::Read, false);
        EXPECT_EQ(child.getDword("Depth"), 2u);
        EXPECT_EQ(child.viewFlags(), 0x200u);
    }
    const std::string redirected = "SOFTWARE\\Wow6432Node\\OvxTests\\Views";
    EXPECT_TRUE(rawKeyExists(redirected + "\\Child\\Grandchild", KEY_WOW64_64KEY));
    EXPECT_FALSE(Registry::hklm64.exists(scratch.path()));
    EXPECT_TRUE(Registry::hklm32.exists(scratch.sub("Child\\Grandchild")));
    EXPECT_EQ(Registry(Registry::hklm32, scratch.path()).getString("Where"), "32");

    Registry(Registry::hklm64, scratch.sub("Only64"), Registry::Write).setDword("x", 1);
    EXPECT_TRUE(rawKeyExists(scratch.sub("Only64"), KEY_WOW64_64KEY));
    EXPECT_FALSE(Registry::hklm32.exists(scratch.sub("Only64")));
    EXPECT_FALSE(rawKeyExists(redirected + "\\Only64", KEY_WOW64_64KEY));
}

TEST(Registry, ReadingAMissingKeyRaisesWritingCreatesIt) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Open");
    const std::string missing = scratch.sub("Missing");
    try {
        Registry key(Registry::hkcu, missing);
        FAIL() << "no exception";
    } catch (const SysError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.find("registry.cpp("), 0u) << what;
        EXPECT_TRUE(contains(what, ") at Registry::open(): open key (" + missing +
                                       ") error. System error [2](system error 2 ("))
            << what;
        EXPECT_EQ(what.substr(what.size() - 2), "))") << what;
    }
    EXPECT_FALSE(Registry::hkcu.exists(missing));
    Registry(Registry::hkcu, missing, Registry::Write);
    EXPECT_TRUE(Registry::hkcu.exists(missing));
}

TEST(Registry, TypedReadsCheckTypeAndSize) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Typed");
    Registry key(Registry::hkcu, scratch.path(), Registry::Write);
    key.setDword("Number", 0xFFFFFFFEu);
    key.setString("Text", "hello");
    rawSet(key, "Short", REG_DWORD, "\1\2\3", 3);

    EXPECT_EQ(key.getDword("Number"), 0xFFFFFFFEu);
    EXPECT_EQ(key.getValue("Text").data.size(), 6u);  // the terminator is written and read back
    EXPECT_TRUE(contains(errorText([&] { key.getDword("Short"); }),
                         ") at Registry::getDword(): query dword value (Short) error: wrong size"));
    EXPECT_TRUE(contains(errorText([&] { key.getDword("Text"); }), "query dword value (Text) error: wrong type"));
    EXPECT_TRUE(contains(errorText([&] { key.getString("Number"); }),
                         ") at Registry::getString(): query string value (Number) error: wrong type"));
    EXPECT_TRUE(contains(errorText([&] { key.getBinary("Text"); }), "query binary value (Text) error: wrong type"));
    EXPECT_TRUE(contains(errorText([&] { key.getString("Nope"); }),
                         ") at Registry::getValue(): query value (Nope) error. System error [2](system error 2 ("));
    EXPECT_EQ(key.getString("Number", "fallback"), "fallback");
    EXPECT_EQ(key.getString("Nope", "fallback"), "fallback");
    EXPECT_EQ(key.getString("Text", "fallback"), "hello");
    // A key opened for reading refuses writes.
    EXPECT_TRUE(contains(errorText([&] { Registry(Registry::hkcu, scratch.path()).setDword("W", 1); }),
                         ") at Registry::setDword(): set dword value (W) error. System error [5]"));
}

TEST(Registry, ValuesComeBackAsStored) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Stored");
    Registry key(Registry::hkcu, scratch.path(), Registry::Write);
    // A byte after the counted ones: the system adds a forgotten terminator when it finds a NUL there.
    rawSet(key, "NoNul", REG_SZ, "abcZ", 3);
    rawSet(key, "TwoNuls", REG_SZ, "abc\0\0", 5);
    rawSet(key, "Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
    key.setBinary("Empty", {});
    std::string text(100000, 'v');
    std::vector<unsigned char> bytes(300000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    for (size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('a' + i % 26);
    key.setString("LongText", text);
    key.setBinary("LongBytes", bytes);

    EXPECT_EQ(key.getString("NoNul"), "abc");
    EXPECT_EQ(key.getString("TwoNuls"), std::string("abc\0", 4));
    EXPECT_EQ(key.getString("Expand"), "%SystemRoot%\\x");
    EXPECT_TRUE(key.getBinary("Empty").empty());
    EXPECT_EQ(key.getString("LongText"), text);
    EXPECT_EQ(key.getBinary("LongBytes"), bytes);
}

TEST(Registry, SubkeysAreListed) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Enum");
    Registry key(Registry::hkcu, scratch.path(), Registry::Write);
    EXPECT_TRUE(key.getSubkeyNames().empty());
    std::vector<std::string> made = {"beta", "Alpha", "gamma 3", std::string(255, 'k')};  // 255: the longest name
    for (const std::string& name : made) Registry(key, name, Registry::Write);
    Registry(key, "beta\\nested", Registry::Write);

    std::vector<std::string> names = Registry(Registry::hkcu, scratch.path()).getSubkeyNames();
    std::sort(names.begin(), names.end());
    std::sort(made.begin(), made.end());
    EXPECT_EQ(names, made);
}

TEST(RegKey, ReturnsWindowsCodesAndReopens) {
    ScratchKey scratch(HKEY_CURRENT_USER, "Plain");
    Registry(Registry::hkcu, scratch.sub("A"), Registry::Write).setString("Name", "first");
    Registry(Registry::hkcu, scratch.sub("B"), Registry::Write).setDword("Name", 7);
    RegKey plain(HKEY_CURRENT_USER);
    EXPECT_EQ(plain.open(scratch.sub("Missing"), KEY_READ), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(plain.open(scratch.sub("A"), KEY_READ), ERROR_SUCCESS);
    RegValue value;
    ASSERT_EQ(plain.query("Name", value), ERROR_SUCCESS);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(value.data.begin(), value.data.end()), std::string("first", 6));
    ASSERT_EQ(plain.open(scratch.sub("B"), KEY_READ), ERROR_SUCCESS);
    ASSERT_EQ(plain.query("Name", value), ERROR_SUCCESS);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(plain.query("Nope", value), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(value.data.empty());
}

TEST(GetRegValueOfStringType, Looks64BitThen32BitAndStaysInTheBuffer) {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "StringType");
    ScratchDir dir("ovx_registry_test");
    CapturedLog log(dir);
    Registry(Registry::hklm64, scratch.sub("Both"), Registry::Write).setString("V", "sixty-four");
    Registry(Registry::hklm32, scratch.sub("Both"), Registry::Write).setString("V", "thirty-two");
    Registry(Registry::hklm32, scratch.sub("Only32"), Registry::Write).setString("V", "thirty-two");
    Registry key(Registry::hklm64, scratch.sub("Only64"), Registry::Write);
    key.setDword("D", 1);
    key.setString("Long", std::string(5000, 'L'));
    rawSet(key, "Seven", REG_SZ, "ABCDEFGZ", 7);  // no terminator stored
    rawSet(key, "Eight", REG_SZ, "ABCDEFGHZ", 8);

    auto read = [&](const char* name, const std::string& subkey, DWORD capacity, std::string* text) {
        char bytes[64 + 16];  // the buffer, then guard bytes
        std::memset(bytes, '#', sizeof(bytes));
        DWORD size = capacity;
        const int result = GetRegValueOfStringType(name, bytes, subkey.c_str(), &size);
        EXPECT_EQ(std::string(bytes + capacity, 16), std::string(16, '#')) << name;
        *text = result ? std::string(bytes, size) : std::string(1, bytes[0]);
        return result;
    };
    std::string text;
    EXPECT_EQ(read("V", scratch.sub("Both"), 64, &text), 1);
    EXPECT_EQ(text, std::string("sixty-four", 11));
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(read("V", scratch.sub("Only32"), 64, &text), 1);
    EXPECT_EQ(text, std::string("thirty-two", 11));
    EXPECT_TRUE(contains(log.text(), "\tERROR: Error Opening RegKey at 64 bit loaction: ")) << log.text();
    EXPECT_EQ(read("V", scratch.sub("Missing"), 64, &text), 0);
    EXPECT_TRUE(contains(log.text(), "\tERROR: Error Opening RegKey at 32 or 64 bit loaction: ")) << log.text();
    EXPECT_EQ(read("D", scratch.sub("Only64"), 64, &text), 0);
    EXPECT_TRUE(contains(log.text(), "\tERROR: Registry Value not of type REG_SZ: ")) << log.text();
    EXPECT_EQ(read("Nope", scratch.sub("Only64"), 64, &text), 0);
    EXPECT_TRUE(contains(log.text(), "\tERROR: Registry Value not found: ")) << log.text();

    EXPECT_EQ(read("Seven", scratch.sub("Only64"), 8, &text), 1);
    EXPECT_EQ(text, std::string("ABCDEFG", 8));  // terminated inside the buffer
    // Too long, or no room left for a terminator: nothing half-copied is left.
    EXPECT_EQ(read("Long", scratch.sub("Only64"), 8, &text), 0);
    EXPECT_EQ(text, std::string(1, '\0'));
    EXPECT_EQ(read("Eight", scratch.sub("Only64"), 8, &text), 0);
    EXPECT_EQ(text, std::string(1, '\0'));
}
