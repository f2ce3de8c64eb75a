#include "Transport/HrefResolver.h"

#include <gtest/gtest.h>

TEST(HrefResolver, BaseWithoutPathJoinsByConcatenation) {
    const HrefResolver hrefs("HTTP://Host.Example:5232");
    EXPECT_EQ(hrefs.resolve("/alice/"), "HTTP://Host.Example:5232/alice/");
    EXPECT_EQ(hrefs.resolve("card.vcf"), "HTTP://Host.Example:5232card.vcf");
    EXPECT_EQ(hrefs.resolve(""), "HTTP://Host.Example:5232");
}

TEST(HrefResolver, AbsolutePathReplacesThePathOfTheBase) {
    const HrefResolver hrefs("http://h/dav");
    EXPECT_EQ(hrefs.resolve("/dav/principals/u/"), "http://h/dav/principals/u/");
    EXPECT_EQ(hrefs.resolve("/other/"), "http://h/other/");
    // Not an absolute path: appended as before.
    EXPECT_EQ(hrefs.resolve("a.vcf"), "http://h/dava.vcf");
    EXPECT_EQ(resolveHref("https://u:p@[::1]:8443/remote.php/dav?x=1", "/remote.php/dav/a/"),
              "https://u:p@[::1]:8443/remote.php/dav/a/");
}

TEST(HrefResolver, KeepsTheBytesTheServerSent) {
    const HrefResolver hrefs("http://h/dav");
    EXPECT_EQ(hrefs.resolve("/dav/a%20b/J\xc3\xbcrgen.vcf"),
              "http://h/dav/a%20b/J\xc3\xbcrgen.vcf");
    EXPECT_EQ(hrefs.resolve("/dav/../x/./y"), "http://h/dav/../x/./y");
}

TEST(HrefResolver, FullUrlsAreUsedAsTheyAre) {
    const HrefResolver hrefs("http://h/dav");
    EXPECT_EQ(hrefs.resolve("https://other.example/dav/a/"), "https://other.example/dav/a/");
    EXPECT_EQ(hrefs.resolve("HTTP://h/x"), "HTTP://h/x");
}

TEST(HrefResolver, BaseThatIsNoUrlJoinsByConcatenation) {
    EXPECT_EQ(resolveHref("", "/a/"), "/a/");
    EXPECT_EQ(resolveHref("host/dav", "/a/"), "host/dav/a/");
}
