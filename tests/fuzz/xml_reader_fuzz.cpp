// libFuzzer target: the XML reader over arbitrary bytes. The input is copied to
// a block of exactly its size plus the NUL, so that the sanitizers catch a read
// past it. Besides that, it checks the tree's contracts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "xml/xml_reader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Walks the tree without recursion; every lookup must find what the walk sees.
void checkTree(XmlNode* root) {
    XmlNode* stack[kXmlMaxDepth + 1];
    int depth = 0;
    stack[0] = root;
    while (depth >= 0) {
        XmlNode* node = stack[depth];
        if (!node) {
            --depth;
            continue;
        }
        stack[depth] = node->nextSibling;
        check(node->kind == XML_ELEMENT || node->kind == XML_TEXT);
        check(node->name != nullptr);
        if (node->kind == XML_TEXT) {
            check(node->attributes == nullptr && node->firstChild == nullptr);
            continue;
        }
        XmlNode* found = findElement(node, node->name);
        check(found == node || (found && std::strcmp(found->name, node->name) == 0));
        for (XmlAttribute* a = node->attributes; a; a = a->next) {
            check(a->name && a->value);
            check(getAttribute(node->attributes, a->name) != nullptr);
        }
        if (node->firstChild) {
            check(depth + 1 < kXmlMaxDepth);
            stack[++depth] = node->firstChild;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    XmlNode* tree = parseXml(text.get());
    checkTree(tree);
    freeXmlTree(tree);
    return 0;
}
