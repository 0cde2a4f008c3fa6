#include <gtest/gtest.h>

#include <stdexcept>

#include "base/source_location.h"

namespace qds_test {
template <class T>
struct Box {
    std::string where() const { return qualifiedFunctionName(__PRETTY_FUNCTION__); }
};
struct Widget {
    Widget() : name(qualifiedFunctionName(__PRETTY_FUNCTION__)) {}
    std::string name;
    std::string op() const { return qualifiedFunctionName(__PRETTY_FUNCTION__); }
    [[noreturn]] void raise() const { throw QDS_ERROR(std::runtime_error("open key (SOFTWARE\\X) error")); }
};
}  // namespace qds_test

namespace {
std::string inAnonymous() { return qualifiedFunctionName(__PRETTY_FUNCTION__); }
}  // namespace

TEST(QualifiedFunctionName, ReducesCompilerSignatures) {
    EXPECT_EQ(qualifiedFunctionName("int WinMain(HINSTANCE, HINSTANCE, LPSTR, int)"), "WinMain");
    EXPECT_EQ(qualifiedFunctionName("void Registry::open(const std::string&) const"), "Registry::open");
    EXPECT_EQ(qualifiedFunctionName("std::vector<std::pair<int, int> > ns::C::list(int)"), "ns::C::list");
    EXPECT_EQ(qualifiedFunctionName("static Locale Locale::fromLangId(uint16_t)"), "Locale::fromLangId");
    EXPECT_EQ(qualifiedFunctionName("void msi::action<msi::install>::execute()"), "msi::action<msi::install>::execute");
    EXPECT_EQ(qualifiedFunctionName("std::string {anonymous}::makeMessage(const std::string&, unsigned int)"),
              "`anonymous-namespace'::makeMessage");
    EXPECT_EQ(qualifiedFunctionName("void (anonymous namespace)::f(int)"), "`anonymous-namespace'::f");
    EXPECT_EQ(qualifiedFunctionName("void Holder<T>::reset(T) [with T = void*]"), "Holder<void*>::reset");
    EXPECT_EQ(qualifiedFunctionName("bool X::operator()(int) const"), "X::operator()");
    EXPECT_EQ(qualifiedFunctionName("bool X::operator<(const X&) const"), "X::operator<");
    EXPECT_EQ(qualifiedFunctionName("T::TestBody()::<lambda(int)>"), "T::TestBody::<lambda(int)>");
    EXPECT_EQ(qualifiedFunctionName(nullptr), "");
}

TEST(QualifiedFunctionName, MatchesWhatTheCompilerGives) {
    EXPECT_EQ(qds_test::Box<int>().where(), "qds_test::Box<int>::where");
    EXPECT_EQ(qds_test::Widget().name, "qds_test::Widget::Widget");
    EXPECT_EQ(qds_test::Widget().op(), "qds_test::Widget::op");
    EXPECT_EQ(inAnonymous(), "`anonymous-namespace'::inAnonymous");
    const auto lambda = [] { return qualifiedFunctionName(__PRETTY_FUNCTION__); };
    EXPECT_EQ(lambda(), "QualifiedFunctionName_MatchesWhatTheCompilerGives_Test::TestBody::<lambda()>");
}

TEST(QdsError, PrefixesTheRaiseSiteAndKeepsTheBaseType) {
    try {
        qds_test::Widget().raise();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.find("source_location_test.cpp("), 0u) << what;
        EXPECT_NE(what.find(") at qds_test::Widget::raise(): open key (SOFTWARE\\X) error"), std::string::npos) << what;
    }
}

TEST(QdsError, CopiesKeepTheComposedMessage) {
    const SourceLocation where{"C:\\src\\Registry.cpp", "void Registry::open()", 62};
    QdsError<std::logic_error> error(std::logic_error("bad"), where);
    const QdsError<std::logic_error> copy = error;
    EXPECT_STREQ(copy.what(), "Registry.cpp(62) at Registry::open(): bad");
    QdsError<std::runtime_error> fromText(std::string("text"), SourceLocation{"a/b/c.cpp", "int f()", 7});
    EXPECT_STREQ(fromText.what(), "c.cpp(7) at f(): text");
}
