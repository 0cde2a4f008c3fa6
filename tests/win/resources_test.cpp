#include <gtest/gtest.h>

#include <ios>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <type_traits>

#include "base/locale.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/sha256.h"
#include "test_support.h"

TEST(StringResource, ReadsTheLaunchersOwnTables) {
    EXPECT_EQ(StringResource(IDS_WARNING_CAPTION).string(), "Warning - Orun Installer");
    EXPECT_EQ(StringResource(IDS_CONFIG_ERROR_CAPTION).string(), "Orun Installation Not Completed");
    EXPECT_EQ(StringResource(IDS_ERROR_OPEN_FILE).string().find("Unable to install Orun\n\nUnable to open file %s."), 0u);
}

TEST(StringResource, TheChosenLanguageChoosesTheTable) {
    const LANGID before = Resource::uiLanguage();
    Resource::setUiLanguage(1031);  // the German table is language 7
    const std::wstring german = StringResource(IDS_WARNING_CAPTION).wstring();
    Resource::setUiLanguage(1041);
    const std::wstring japanese = StringResource(IDS_WARNING_CAPTION).wstring();
    Resource::setUiLanguage(1049);  // no Russian table: English
    const std::wstring fallback = StringResource(IDS_WARNING_CAPTION).wstring();
    Resource::setUiLanguage(3070);  // English only, whatever the language
    const std::wstring englishOnly = StringResource(IDS_HELP_ADDRESS).wstring();
    Resource::setUiLanguage(before);
    EXPECT_EQ(german, L"Warnung - Orun-Installationsprogramm");
    EXPECT_EQ(japanese, L"\u8B66\u544A - Orun \u30A4\u30F3\u30B9\u30C8\u30FC\u30E9");
    EXPECT_EQ(fallback, L"Warning - Orun Installer");
    EXPECT_FALSE(englishOnly.empty());
}

TEST(StringResource, AMissingEntryRaisesOrGivesTheDefault) {
    ScratchDir dir("ovx_strings_missing");
    CapturedLog log(dir);
    EXPECT_THROW(StringResource(4037).string(), std::runtime_error);
    EXPECT_EQ(StringResource(4037).string("fallback"), "fallback");
    EXPECT_NE(log.text().find("cannot find resource (name='#4037', type='#6')"), std::string::npos) << log.text();
}

// The build draws the pictures and the digests together. Every picture
// differs, so a language whose table lacks the digest (and falls back to
// English) fails as well.
TEST(StringResource, TheLauncherCarriesTheDigestOfEachLanguagesSponsorPicture) {
    const struct {
        LANGID language;
        const char* code;
    } pictures[] = {{1033, "en"}, {2052, "zh"}, {1041, "ja"}, {1028, "zh_TW"}, {1031, "de"}, {1034, "es"},
                    {1036, "fr"}, {1040, "it"}, {1042, "ko"}, {1046, "pt_BR"}, {1053, "sv"}};
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> launcher(
        LoadLibraryExA(OVX_TEST_BIN_DIR "/ovxoffline.exe", nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
        &FreeLibrary);
    ASSERT_TRUE(launcher) << GetLastError();
    const LANGID before = Resource::uiLanguage();
    std::set<std::string> digests;
    for (const auto& picture : pictures) {
        Resource::setUiLanguage(picture.language);
        const std::string carried = StringResource(IDS_PROMO_PICTURE_DIGEST, launcher.get()).string("");
        const std::string bytes =
            readFile(std::string(OVX_SPONSOR_PICTURE_DIR "/OrunPromoPicture_") + picture.code + ".jpg");
        EXPECT_FALSE(bytes.empty()) << picture.code;
        const std::string actual = sha256OfBytes(bytes.data(), bytes.size());
        EXPECT_EQ(carried, actual) << picture.code;
        digests.insert(actual);
    }
    Resource::setUiLanguage(before);
    EXPECT_EQ(digests.size(), std::size(pictures));
}

// Every file of the pages, byte for byte, in US English under its upper-case
// name, and nothing else as RT_HTML.
TEST(Resource, TheLauncherCarriesEveryPageFile) {
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> launcher(
        LoadLibraryExA(OVX_TEST_BIN_DIR "/ovxoffline.exe", nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
        &FreeLibrary);
    ASSERT_TRUE(launcher) << GetLastError();
    std::set<std::string> files;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(OVX_PAGES_DIR "/*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = data.cFileName;
        for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        files.insert(name);
        HRSRC found = FindResourceExA(launcher.get(), MAKEINTRESOURCEA(23), name.c_str(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        ASSERT_TRUE(found) << name;
        size_t size = 0;
        const void* bytes = Resource(name.c_str(), MAKEINTRESOURCEA(23), launcher.get()).getPtr(size);
        EXPECT_EQ(std::string(static_cast<const char*>(bytes), size), readFile(std::string(OVX_PAGES_DIR "/") + data.cFileName))
            << name;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_TRUE(files.count("ORUNSCRUB_VERSIONS_PT_BR.WXL"));
    EXPECT_GE(files.size(), 5u + 55u + 5u + 1u + 5u);

    std::set<std::string> carried;
    EnumResourceNamesA(
        launcher.get(), MAKEINTRESOURCEA(23),
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR out) -> BOOL {
            if (!IS_INTRESOURCE(name)) reinterpret_cast<std::set<std::string>*>(out)->insert(name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&carried));
    EXPECT_EQ(carried, files);
}

TEST(Resource, AMissingResourceNamesItsIdAndType) {
    try {
        size_t size = 0;
        Resource(MAKEINTRESOURCEA(105), "ORUN_INSTALLER").getPtr(size);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("cannot find resource (name='#105', type='ORUN_INSTALLER'). System error ["),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(Resource("NAME", MAKEINTRESOURCEA(23)).nameText(), "NAME");
    EXPECT_EQ(Resource("NAME", MAKEINTRESOURCEA(23)).typeText(), "#23");
}

TEST(Resource, SaveAsReplacesTheTargetInOneStep) {
    ScratchDir dir("ovx_resource_save");
    const std::string target = dir.file("manifest.xml");
    writeFile(target, "old content that is longer than nothing");
    const Resource manifest(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    manifest.saveAs(target);
    size_t size = 0;
    const char* bytes = static_cast<const char*>(manifest.getPtr(size));
    EXPECT_EQ(readFile(target), std::string(bytes, size));
    // Only the target is left: no temporary file beside it.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(dir.file("qds*.tmp").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST(Resource, AFailedMoveLeavesTheTargetAndNoTemporaryFile) {
    ScratchDir dir("ovx_resource_save_fail");
    const std::string target = dir.file("busy.xml");
    writeFile(target, "kept");
    HANDLE busy = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_THROW(Resource(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST).saveAs(target), std::ios_base::failure);
    CloseHandle(busy);
    EXPECT_EQ(readFile(target), "kept");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(dir.file("qds*.tmp").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST(Locale, PreferredLanguagesComeFromTheSystem) {
    const std::vector<uint16_t> ids = Locale::preferredLanguages();
    ASSERT_FALSE(ids.empty());
    // The test prefix runs in US English.
    EXPECT_EQ(Locale::fromPreferredLanguages().getName(), "en");
}
