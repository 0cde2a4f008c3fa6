#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "xml/xml_reader.h"

namespace {
struct TreeDeleter {
    void operator()(XmlNode* node) const { freeXmlTree(node); }
};
using Tree = std::unique_ptr<XmlNode, TreeDeleter>;

// Parses from a heap block of exactly the text's size, so that the sanitizer
// sees any read past the terminating NUL.
Tree parse(const std::string& text) {
    std::unique_ptr<char[]> exact(new char[text.size() + 1]);
    std::memcpy(exact.get(), text.c_str(), text.size() + 1);
    return Tree(parseXml(exact.get()));
}

// a[x=1,y=2]{'t',b} c : elements with their attributes in list order and their
// children, text nodes quoted, siblings separated by blanks.
std::string show(const XmlNode* node) {
    std::string out;
    for (; node; node = node->nextSibling) {
        if (!out.empty()) out += ' ';
        if (node->kind == XML_TEXT) {
            out += "'" + std::string(node->name) + "'";
            continue;
        }
        out += node->name;
        if (node->attributes) {
            out += '[';
            for (const XmlAttribute* a = node->attributes; a; a = a->next) {
                out += std::string(a->name) + "=" + a->value + (a->next ? "," : "");
            }
            out += ']';
        }
        if (node->firstChild) out += "{" + show(node->firstChild) + "}";
    }
    return out;
}

std::string shape(const std::string& text) { return show(parse(text).get()); }

int depthOf(const XmlNode* node) {
    int depth = 0;
    for (; node; node = node->firstChild) ++depth;
    return depth;
}
}  // namespace

TEST(XmlReader, AttributesComeInReverseOrderAndTheLaterDuplicateWins) {
    EXPECT_EQ(shape("<a x=\"1\" y=2 >t</a>"), "a[y=2,x=1]{'t'}");
    Tree dup = parse("<a x=\"1\" x=\"2\"/>");
    ASSERT_TRUE(dup);
    EXPECT_STREQ(getAttribute(dup->attributes, "x"), "2");
    EXPECT_EQ(getAttribute(dup->attributes, "X"), nullptr);
    EXPECT_EQ(getAttribute(nullptr, "x"), nullptr);
}

TEST(XmlReader, AttributeValuesAreTakenAsWritten) {
    EXPECT_EQ(shape("<a b=c>"), "a[b=c>]");                  // unquoted: up to white space
    EXPECT_EQ(shape("<a b='q r'/>"), "a[b='q]");              // single quotes do not group
    EXPECT_EQ(shape("<a b='q' c=\"&amp;\"/>"), "a[c=&amp;,b='q']");  // single quotes kept, no decoding
    EXPECT_EQ(shape("<a flag b=\"1\"/>"), "a[b=1]");          // no value: dropped
    EXPECT_EQ(shape("<a b = \"1\"/>"), "a[b=]");               // white space after "=" ends the value
    EXPECT_EQ(shape("<a =\"v\"/>"), "a[=v]");
}

TEST(XmlReader, DeclarationsCommentsAndInstructionsAreSkipped) {
    EXPECT_EQ(shape("<?xml version=\"1.0\"?><!-- c --><a/>"), "a");
    EXPECT_EQ(shape("<!DOCTYPE a SYSTEM \"a.dtd\">\n<a><!-- x -->\r\n\t<b/><?pi x?></a>"), "a{b}");
    EXPECT_EQ(shape("<a <!-- c --> x=\"1\"/>"), "a[x=1]");  // also between attributes
}

TEST(XmlReader, TextIsDecodedForTheFiveEntitiesOnly) {
    EXPECT_EQ(shape("<a>x &lt; y &amp; z</a>"), "a{'x < y & z'}");
    EXPECT_EQ(shape("<a>&gt;&apos;&quot;&#60;&amp;lt;&unknown;&</a>"), "a{'>'\"&#60;&lt;&unknown;&'}");
    EXPECT_EQ(shape("<a>  padded  </a>"), "a{'padded  '}");
}

TEST(XmlReader, TreeShapesFollowTheForgivingRules) {
    // The text content as callers read it is the first child's name.
    Tree mixed = parse("<a><b/>text</a>");
    ASSERT_TRUE(mixed && mixed->firstChild);
    EXPECT_STREQ(mixed->firstChild->name, "b");
    EXPECT_EQ(show(mixed.get()), "a{b 'text'}");

    EXPECT_EQ(shape("<a><b></c></a>"), "a{b}");
    EXPECT_EQ(shape("<r><a><b/></a><c>1</c></r><d/>"), "r{a{b} c{'1'}} d");
    EXPECT_EQ(shape("<a/><b/><c/>"), "a b c");
    // A text node takes no siblings: an element after it closes its parent.
    EXPECT_EQ(shape("<a>text<b/></a>"), "a{'text'} b");
    EXPECT_EQ(shape("text<a/>"), "'text'");
    // The rest of an end tag up to a ">" token is passed over, whatever it holds.
    EXPECT_EQ(shape("<a><b/></a >after<c/>"), "a{b} 'after'");
    EXPECT_EQ(shape("<a><b/></a junk>after<c/>"), "a{b}");  // "junk>after" is one text token
    EXPECT_EQ(shape("<a></a"), "a");
}

TEST(XmlReader, NothingMeaningfulGivesNull) {
    EXPECT_EQ(parse(""), nullptr);
    EXPECT_EQ(parse("</a>"), nullptr);
    EXPECT_EQ(parse(" \r\n<!-- only -->"), nullptr);
    EXPECT_EQ(parse(">"), nullptr);
    EXPECT_EQ(parseXml(nullptr), nullptr);
}

TEST(XmlReader, TruncatedInputEndsTheScanAtItsEnd) {
    EXPECT_EQ(shape("<a><!-- never closed"), "a");
    EXPECT_EQ(shape("<a><!DOCTYPE never closed"), "a");
    EXPECT_EQ(shape("<a><?pi never closed"), "a");
    EXPECT_EQ(shape("<a b=\"never closed"), "a[b=never closed]");
    EXPECT_EQ(shape("<a b="), "a[b=]");
    EXPECT_EQ(shape("<a b"), "a");
    EXPECT_EQ(shape("<"), "");
    EXPECT_EQ(shape("<a>&am"), "a{'&am'}");
}

TEST(XmlReader, ANulInsideAQuotedValueEndsTheInput) {
    const std::string text("<a b=\"x\0y\"/><c/>", 16);
    Tree tree = parse(text);  // the copy is cut at the NUL as any C text is
    EXPECT_EQ(show(tree.get()), "a[b=x]");
}

TEST(XmlReader, AMegabyteOfSiblingsIsBuiltWithoutRecursion) {
    std::string text = "<r>";
    while (text.size() < 1024 * 1024) text += "<item v=\"1\"/>";
    text += "</r>";
    Tree tree = parse(text);
    ASSERT_TRUE(tree);
    size_t count = 0;
    for (const XmlNode* n = tree->firstChild; n; n = n->nextSibling) ++count;
    EXPECT_EQ(count, (text.size() - 7) / 13);

    std::string top;
    while (top.size() < 1024 * 1024) top += "<a/>";
    Tree flat = parse(top);
    size_t siblings = 0;
    for (const XmlNode* n = flat.get(); n; n = n->nextSibling) ++siblings;
    EXPECT_EQ(siblings, top.size() / 4);
}

TEST(XmlReader, NestingDepthIsBounded) {
    std::string exact, deep;
    for (int i = 0; i < kXmlMaxDepth; ++i) exact += "<e>";
    for (int i = 0; i < kXmlMaxDepth; ++i) exact += "</e>";
    exact += "<after/>";
    Tree full = parse(exact);
    EXPECT_EQ(depthOf(full.get()), kXmlMaxDepth);
    ASSERT_TRUE(full && full->nextSibling);
    EXPECT_STREQ(full->nextSibling->name, "after");

    // Deeper documents keep their first kXmlMaxDepth levels; the rest is not read.
    for (int i = 0; i < 20000; ++i) deep += "<e>";
    deep += "text";
    for (int i = 0; i < 20000; ++i) deep += "</e>";
    deep += "<after/>";
    Tree cut = parse(deep);
    EXPECT_EQ(depthOf(cut.get()), kXmlMaxDepth);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->nextSibling, nullptr);

    EXPECT_EQ(depthOf(parse(exact).get()), kXmlMaxDepth);  // the reader recovers for the next parse
}

TEST(XmlReader, TheTokenBufferIsReusedAcrossParses) {
    const std::string longText(100000, 'x');
    EXPECT_EQ(shape("<a>" + longText + "</a>"), "a{'" + longText + "'}");
    EXPECT_EQ(shape("<b>y</b>"), "b{'y'}");
    EXPECT_EQ(shape("<c>" + longText + "z</c>"), "c{'" + longText + "z'}");
}

TEST(XmlReader, ParsesOnTwoThreadsDoNotMeet) {
    // Long tokens, so that a shared token buffer would be regrown under the other parse.
    const std::string first = "<a x=\"" + std::string(5000, '1') + "\">" + std::string(3000, 'p') + "</a>";
    const std::string second = "<b><c>" + std::string(7000, 'q') + "</c></b>";
    const std::string firstShape = shape(first), secondShape = shape(second);
    std::atomic<int> wrong{0};
    auto run = [&wrong](const std::string& text, const std::string& expected) {
        for (int i = 0; i < 300; ++i) {
            if (shape(text) != expected) ++wrong;
        }
    };
    std::thread one(run, std::cref(first), std::cref(firstShape));
    std::thread two(run, std::cref(second), std::cref(secondShape));
    one.join();
    two.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(XmlLookups, FindElementWalksSiblingsAndMatchesExactly) {
    Tree tree = parse("<list>text<x/></list>");  // "x" becomes a sibling of "list"
    Tree doc = parse("<root>t<!-- --></root><info version=\"1.0\"/><Info/><info version=\"2.0\"/>");
    ASSERT_TRUE(doc);
    XmlNode* info = findElement(doc.get(), "info");
    ASSERT_TRUE(info);
    EXPECT_STREQ(getAttribute(info->attributes, "version"), "1.0");
    EXPECT_STREQ(getAttribute(findElement(info->nextSibling->nextSibling, "info")->attributes, "version"), "2.0");
    EXPECT_EQ(findElement(doc.get(), "INFO"), nullptr);
    EXPECT_EQ(findElement(doc.get(), "inf"), nullptr);
    EXPECT_EQ(findElement(doc->firstChild, "t"), nullptr);  // text nodes are not elements
    EXPECT_EQ(findElement(nullptr, "info"), nullptr);
    EXPECT_STREQ(findElement(tree.get(), "x")->name, "x");
}
