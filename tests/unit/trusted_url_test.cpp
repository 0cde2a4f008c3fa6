#include <gtest/gtest.h>

#include <cstring>

#include "base/trusted_url.h"

TEST(IsTrustedUrl, MakersSitesOnly) {
    EXPECT_TRUE(IsTrustedUrl("https://www.kyn.example/"));
    EXPECT_TRUE(IsTrustedUrl("https://sdlc.kyn.example/ping"));
    EXPECT_TRUE(IsTrustedUrl("http://metrics.orunsoft.example/x"));
    EXPECT_TRUE(IsTrustedUrl("http://metrics.velmar.example:8080/x"));
    EXPECT_FALSE(IsTrustedUrl("http://metrics.velmar.example:80/x"));  // the port has four characters
    EXPECT_FALSE(IsTrustedUrl("http://kyn.example.evil.example/"));
    EXPECT_FALSE(IsTrustedUrl("http://evil.example/?to=orunsoft.example"));
    EXPECT_FALSE(IsTrustedUrl("no dot here"));
    EXPECT_FALSE(IsTrustedUrl("http://host.orunsoft.example"));  // no slash after the host
}

TEST(AppendXmlElement, AppendsOneElement) {
    char buffer[64] = "<a>";
    AppendXmlElement(buffer, "v", "1.9.0");
    EXPECT_STREQ(buffer, "<a><v>1.9.0</v>");
}
