#include "xml/xml_reader.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

enum TokenKind : int {
    ATTRIBUTE_NAME = 0,
    START_TAG = 1,
    END_TAG = 2,
    TAG_END = 3,
    EMPTY_ELEMENT_END = 4,
    TEXT = 5,
    ATTRIBUTE_VALUE = 6,
    END_OF_INPUT = 7,
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool startsName(char c) { return isLetter(c) || c == '_' || c == ':'; }
bool continuesName(char c) { return isLetter(c) || isDigit(c) || c == '-' || c == '.' || c == ':' || c == '_'; }

// Just after the next occurrence of marker, or at the terminating NUL.
const char* skipPast(const char* from, const char* marker) {
    const char* found = std::strstr(from, marker);
    return found ? found + std::strlen(marker) : from + std::strlen(from);
}

char* copyText(const char* text) {
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

// Where a chain of siblings is being built: the link that takes its next node.
struct Level {
    XmlNode** link;
};

// One parse: the cursor in the text and the current token.
class Reader {
public:
    explicit Reader(const char* text) : cursor_(text) {}

    XmlNode* parse() {
        nextToken();
        return buildTree();
    }

private:
    void skip() {
        const char*& p = cursor_;
        for (;;) {
            const char* before = p;
            while (isBlank(*p)) ++p;
            if (std::strncmp(p, "<!--", 4) == 0) {
                p = skipPast(p + 4, "-->");
            } else if (p[0] == '<' && p[1] == '!') {
                p = skipPast(p + 2, ">");
            } else if (p[0] == '<' && p[1] == '?') {
                p = skipPast(p + 2, "?>");
            }
            if (p == before) return;
        }
    }

    void setToken(const char* text, size_t length, int kind) {
        token_.assign(text, length);
        kind_ = kind;
    }

    // The five predefined entities, in place; anything else after "&" stays.
    void decodeToken() {
        static const struct {
            const char* reference;
            size_t length;
            char character;
        } kEntities[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&apos;", 6, '\''}, {"&quot;", 6, '"'}};
        char* in = token_.data();
        char* out = token_.data();
        while (*in) {
            bool replaced = false;
            if (*in == '&') {
                for (const auto& entity : kEntities) {
                    if (std::strncmp(in, entity.reference, entity.length) == 0) {
                        *out++ = entity.character;
                        in += entity.length;
                        replaced = true;
                        break;
                    }
                }
            }
            if (!replaced) *out++ = *in++;
        }
        token_.resize(static_cast<size_t>(out - token_.data()));
    }

    void readName(int kind) {
        const char* start = cursor_;
        const char* p = start;
        if (startsName(*p)) {
            ++p;
            while (continuesName(*p)) ++p;
        }
        cursor_ = p;
        setToken(start, static_cast<size_t>(p - start), kind);
    }

    void nextToken() {
        skip();
        const char*& p = cursor_;
        if (*p == '\0') {
            setToken(p, 0, END_OF_INPUT);
        } else if (*p == '<') {
            if (p[1] == '/') {
                p += 2;
                readName(END_TAG);
            } else {
                p += 1;
                readName(START_TAG);
            }
        } else if (*p == '>') {
            ++p;
            setToken(p, 0, TAG_END);
        } else if (p[0] == '/' && p[1] == '>') {
            p += 2;
            setToken(p, 0, EMPTY_ELEMENT_END);
        } else {
            const char* start = p;
            while (*p && *p != '<') ++p;
            setToken(start, static_cast<size_t>(p - start), TEXT);
            decodeToken();
        }
    }

    XmlNode* newNode(int kind) {
        return new XmlNode{kind, copyText(token_.c_str()), nullptr, nullptr, nullptr};
    }

    // The next attribute of the current start tag, or null when none is left.
    XmlAttribute* readAttribute() {
        for (;;) {
            skip();
            const char*& p = cursor_;
            if (*p == '\0' || *p == '>' || (p[0] == '/' && p[1] == '>')) return nullptr;
            const char* start = p;
            while (*p && !isBlank(*p) && *p != '=') ++p;
            setToken(start, static_cast<size_t>(p - start), ATTRIBUTE_NAME);
            skip();
            if (*p != '=') continue;  // an attribute without a value is dropped
            char* name = copyText(token_.c_str());
            ++p;
            if (*p == '"') {
                const char* value = ++p;
                while (*p && *p != '"') ++p;
                setToken(value, static_cast<size_t>(p - value), ATTRIBUTE_VALUE);
                if (*p == '"') ++p;
            } else {
                const char* value = p;
                while (*p && !isBlank(*p)) ++p;
                setToken(value, static_cast<size_t>(p - value), ATTRIBUTE_VALUE);
            }
            return new XmlAttribute{name, copyText(token_.c_str()), nullptr};
        }
    }

    // Builds the node at the current token and its siblings. Siblings are built in
    // a loop and children on an explicit stack of bounded depth, so that no document
    // can exhaust the call stack; otherwise the tree is the recursive rules' tree.
    XmlNode* buildTree() {
        XmlNode* root = nullptr;
        Level levels[kXmlMaxDepth + 1];  // levels[d] holds the nodes at depth d + 1
        int depth = 0;
        levels[0].link = &root;
        for (;;) {
            // Build one node of the current chain.
            bool chainEnds = false;
            if ((kind_ == TEXT || kind_ == START_TAG) && depth == kXmlMaxDepth) {
                // Too deep: the rest of the input is not read.
                cursor_ += std::strlen(cursor_);
                setToken(cursor_, 0, END_OF_INPUT);
                chainEnds = true;
            } else if (kind_ == TEXT) {
                *levels[depth].link = newNode(XML_TEXT);
                nextToken();
                chainEnds = true;  // a text node takes no siblings
            } else if (kind_ != START_TAG) {
                chainEnds = true;
            } else {
                XmlNode* element = newNode(XML_ELEMENT);
                *levels[depth].link = element;
                levels[depth].link = &element->nextSibling;
                while (XmlAttribute* attribute = readAttribute()) {
                    attribute->next = element->attributes;
                    element->attributes = attribute;
                }
                nextToken();
                if (kind_ == EMPTY_ELEMENT_END) {
                    nextToken();
                } else if (kind_ == TAG_END) {
                    nextToken();
                    levels[++depth].link = &element->firstChild;
                    continue;
                }
                chainEnds = kind_ == END_OF_INPUT;
            }
            // Close finished chains: back in the parent, after its children.
            while (chainEnds) {
                if (depth == 0) return root;
                --depth;
                if (kind_ == END_TAG) {
                    // The end tag's name is not compared with the start tag's.
                    do {
                        nextToken();
                    } while (kind_ != TAG_END && kind_ != END_OF_INPUT);
                    nextToken();
                }
                chainEnds = kind_ == END_OF_INPUT;
            }
        }
    }

    const char* cursor_;
    std::string token_;
    int kind_ = END_OF_INPUT;
};

void freeAttributes(XmlAttribute* attribute) {
    while (attribute) {
        XmlAttribute* next = attribute->next;
        delete[] attribute->name;
        delete[] attribute->value;
        delete attribute;
        attribute = next;
    }
}

}  // namespace

XmlNode* parseXml(const char* text) {
    if (!text) return nullptr;
    return Reader(text).parse();
}

XmlNode* findElement(XmlNode* node, const char* name) {
    for (; node; node = node->nextSibling) {
        if (node->kind == XML_ELEMENT && name && std::strcmp(node->name, name) == 0) return node;
    }
    return nullptr;
}

const char* getAttribute(XmlAttribute* attributes, const char* name) {
    for (; attributes; attributes = attributes->next) {
        if (name && std::strcmp(attributes->name, name) == 0) return attributes->value;
    }
    return nullptr;
}

void freeXmlTree(XmlNode* node) {
    // Children are rotated into the sibling chain first: no recursion, no stack.
    while (node) {
        if (XmlNode* child = node->firstChild) {
            node->firstChild = child->nextSibling;
            child->nextSibling = node;
            node = child;
        } else {
            XmlNode* next = node->nextSibling;
            freeAttributes(node->attributes);
            delete[] node->name;
            delete node;
            node = next;
        }
    }
}
