#pragma once
// A small, forgiving reader for the maker's two XML documents. Any text is
// accepted, no error is reported: malformed text yields a partial tree or null.
// Narrow text as received, no encoding conversion, no namespaces.
// Each parse keeps its own state: parses on several threads do not meet.

enum XmlNodeKind : int { XML_ELEMENT = 0, XML_TEXT = 1 };

struct XmlAttribute {
    char* name;
    char* value;  // as written, not entity-decoded
    XmlAttribute* next;
};

struct XmlNode {
    int kind;                 // XML_ELEMENT or XML_TEXT
    char* name;               // the tag name, or a text node's decoded character data
    XmlAttribute* attributes;  // reverse document order; empty for text
    XmlNode* firstChild;
    XmlNode* nextSibling;
};

// Elements nest at most this deep; the rest of a deeper document is not read.
inline constexpr int kXmlMaxDepth = 256;

// The first top-level node (its siblings follow), or null. The text must stay
// unchanged during the call only; nothing in the tree points into it.
XmlNode* parseXml(const char* text);

// From node along its siblings: the first element named exactly name, or null.
XmlNode* findElement(XmlNode* node, const char* name);

// The value of the first attribute of that name in the list (the document's
// last one), or null.
const char* getAttribute(XmlAttribute* attributes, const char* name);

// Frees the node, its attributes, its children and all its following siblings.
void freeXmlTree(XmlNode* node);
