#include "metrics/installer_options.h"

#include <cstring>
#include <memory>

#include "xml/xml_reader.h"

namespace {

struct TreeDeleter {
    void operator()(XmlNode* node) const { freeXmlTree(node); }
};

// The text of the element's first child, when the element is there.
bool childText(XmlNode* parent, const char* name, std::string& out) {
    XmlNode* element = findElement(parent->firstChild, name);
    if (!element) return false;
    const XmlNode* text = element->firstChild;
    out = text && text->kind == XML_TEXT && text->name ? text->name : "";
    if (out.size() > kOptionsValueMax) out.resize(kOptionsValueMax);
    return true;
}

XmlNode* firstElement(XmlNode* node) {
    while (node && node->kind != XML_ELEMENT) node = node->nextSibling;
    return node;
}

bool is(const char* value, const std::string& expected) { return value && expected == value; }

}  // namespace

bool readInstallerOptions(const std::string& document, const std::string& languageCode, InstallerOptions& out) {
    std::unique_ptr<XmlNode, TreeDeleter> tree(parseXml(document.c_str()));
    XmlNode* root = firstElement(tree.get());
    if (!root || std::strcmp(root->name, "orun-update") != 0) return false;

    bool result = false;
    for (XmlNode* node = root->firstChild; node; node = node->nextSibling) {
        if (node->kind != XML_ELEMENT || std::strcmp(node->name, "information") != 0) continue;
        if (!is(getAttribute(node->attributes, "version"), "1.0")) continue;
        const char* lang = getAttribute(node->attributes, "xml:lang");
        if (!is(lang, languageCode) && !is(lang, "en")) continue;

        childText(node, "offline-options", out.offlineOptions);
        result = false;
        std::string status;
        if (childText(node, "post-status", status) && status != "0") {
            out.reportAddress = status;
            result = true;
        }
        childText(node, "cntry-lookup", out.lookupAddress);
        childText(node, "msi-url", out.pictureBase);
        if (is(lang, languageCode)) break;
    }
    return result;
}
