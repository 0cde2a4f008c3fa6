#include "scrub/latest_version.h"

#include <algorithm>
#include <memory>

#include "xml/xml_reader.h"

namespace qscrub {
namespace {

struct TreeDeleter {
    void operator()(XmlNode* node) const { freeXmlTree(node); }
};

// The text of the element's first child. A first child that is an element
// carries a tag name, not a text: that counts as no text.
bool firstChildText(const XmlNode* element, std::string& out) {
    const XmlNode* child = element ? element->firstChild : nullptr;
    if (!child || child->kind != XML_TEXT || !child->name) return false;
    out = child->name;
    return true;
}

// The text of the first child element of that name, when there is one.
bool childText(XmlNode* parent, const char* name, std::string& out) {
    return firstChildText(findElement(parent ? parent->firstChild : nullptr, name), out);
}

using namespace OrunVersionDetails;

// Three components whatever the version's form: "1.8" never names the family of 1.8.0_x.
std::string familyKey(const RuntimeVersion& v) {
    return std::to_string(v[Major]) + "." + std::to_string(v[Minor]) + "." + std::to_string(v[Micro]);
}

// A version text without a build ("1.9.0") stands for every build of that
// version: the builds of one version replace each other, so the installed
// one is the version being installed whatever its build.
bool isVersionBeingInstalled(const RuntimeVersion& installed, const RuntimeVersion& installing) {
    if (installing[Build] != 0) return installed == installing;
    return installed[Major] == installing[Major] && installed[Minor] == installing[Minor] &&
           installed[Micro] == installing[Micro] && installed[Update] == installing[Update];
}

}  // namespace

bool readFamily(XmlNode* family, FamilyTexts& out) {
    if (!family || !family->firstChild || !family->attributes) return false;
    const char* id = getAttribute(family->attributes, "id");
    if (!id) return false;

    FamilyTexts texts;
    texts.id = id;
    if (!childText(family, "latestVersion", texts.latest)) texts.latest = texts.id;
    if (!childText(family, "baselineVersion", texts.baseline)) texts.baseline = texts.id;
    XmlNode* ranges = findElement(family->firstChild, "ranges");
    XmlNode* range = ranges ? findElement(ranges->firstChild, "range") : nullptr;
    if (!childText(range, "minVersion", texts.rangeMin)) texts.rangeMin = texts.id;
    if (!childText(range, "maxVersion", texts.rangeMax)) texts.rangeMax = texts.latest;
    out = texts;
    return true;
}

FamilyTable parseLatestVersionDocument(const std::string& document) {
    FamilyTable table;
    std::unique_ptr<XmlNode, TreeDeleter> tree(parseXml(document.c_str()));
    if (!tree) return table;
    XmlNode* versions = findElement(tree.get(), "ovxVersions");
    XmlNode* first = versions ? findElement(versions->firstChild, "family") : nullptr;
    // From the first family on, every sibling is read as one, whatever its name.
    for (XmlNode* node = first; node; node = node->nextSibling) {
        FamilyTexts texts;
        if (!readFamily(node, texts)) continue;
        FamilyVersions family{RuntimeVersion(texts.id), RuntimeVersion(texts.latest), RuntimeVersion(texts.baseline),
                              RuntimeVersion(texts.rangeMin), RuntimeVersion(texts.rangeMax)};
        table.insert_or_assign(texts.id, family);
    }
    return table;
}

std::optional<FamilyVersions> findFamily(const FamilyTable& table, const std::string& versionText) {
    const auto found = table.find(familyKey(RuntimeVersion(versionText)));
    if (found == table.end()) return std::nullopt;
    return found->second;
}

std::vector<InstalledVersion> selectOutOfDateVersions(const FamilyTable& table, const std::string& installingVersion,
                                                      const std::vector<InstalledVersion>& installed) {
    const RuntimeVersion installing(installingVersion);
    std::vector<InstalledVersion> result;
    for (const InstalledVersion& record : installed) {
        if (isVersionBeingInstalled(record.version, installing)) continue;
        const auto found = table.find(familyKey(record.version));
        if (found == table.end()) continue;
        const FamilyVersions& family = found->second;
        if (record.version >= family.baseline) continue;
        InstalledVersion outOfDate = record;
        if (family.rangeMin <= record.version && record.version <= family.rangeMax) {
            outOfDate.flags |= InstalledVersion::preselected;
        } else {
            outOfDate.flags &= ~InstalledVersion::preselected;
        }
        result.push_back(outOfDate);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const InstalledVersion& a, const InstalledVersion& b) { return a.version < b.version; });
    return result;
}

}  // namespace qscrub
