#include "Transport/HrefResolver.h"

#include <gtest/gtest.h>

// The request URLs are those the plug-in sends: the server root, a principal, a book, a card.
TEST(HrefResolver, AbsolutePathsReplaceThePathOfTheRequest) {
    const HrefResolver hrefs("http://h/dav/");
    EXPECT_EQ(hrefs.resolve("/dav/principals/u/"), "http://h/dav/principals/u/");
    EXPECT_EQ(hrefs.resolve("/other/"), "http://h/other/");
    EXPECT_EQ(resolveHref("https://u:p@[::1]:8443/remote.php/dav/?x=1", "/remote.php/dav/a/"),
              "https://u:p@[::1]:8443/remote.php/dav/a/");
    EXPECT_EQ(resolveHref("HTTP://Host.Example:5232/", "/alice/"),
              "HTTP://Host.Example:5232/alice/");
}

TEST(HrefResolver, RelativeHrefsReplaceTheLastSegment) {
    const HrefResolver book("http://h:8080/alice/book/");
    EXPECT_EQ(book.resolve("c1.vcf"), "http://h:8080/alice/book/c1.vcf");
    EXPECT_EQ(book.resolve("sub/c1"), "http://h:8080/alice/book/sub/c1");
    EXPECT_EQ(book.resolve("../other/"), "http://h:8080/alice/other/");
    EXPECT_EQ(book.resolve("./c2.card"), "http://h:8080/alice/book/c2.card");
    EXPECT_EQ(book.resolve(""), "http://h:8080/alice/book/");
    EXPECT_EQ(book.resolve("?page=2"), "http://h:8080/alice/book/?page=2");
    EXPECT_EQ(book.resolve("c1.vcf#frag"), "http://h:8080/alice/book/c1.vcf");
    // A card URL as request URL: its siblings, not its children.
    EXPECT_EQ(resolveHref("http://h/alice/book/c1.vcf", "c1.vcf"), "http://h/alice/book/c1.vcf");
    // A server root without a path.
    EXPECT_EQ(resolveHref("http://h:5232", "c1.vcf"), "http://h:5232/c1.vcf");
    EXPECT_EQ(resolveHref("http://h:5232", ""), "http://h:5232");
}

TEST(HrefResolver, DotSegmentsAreRemovedAndOtherBytesKept) {
    const HrefResolver hrefs("http://h/dav/");
    EXPECT_EQ(hrefs.resolve("/dav/a%20b/J\xc3\xbcrgen.vcf"),
              "http://h/dav/a%20b/J\xc3\xbcrgen.vcf");
    EXPECT_EQ(hrefs.resolve("/dav/../x/./y"), "http://h/x/y");
    EXPECT_EQ(hrefs.resolve("/../../a"), "http://h/a");
    EXPECT_EQ(hrefs.resolve("/a/b/.."), "http://h/a/");
}

TEST(HrefResolver, FullAndNetworkPathUrls) {
    const HrefResolver hrefs("https://h/dav/");
    EXPECT_EQ(hrefs.resolve("https://other.example/dav/a/"), "https://other.example/dav/a/");
    EXPECT_EQ(hrefs.resolve("HTTP://h/x"), "HTTP://h/x");
    EXPECT_EQ(hrefs.resolve("//cdn.example/a/b"), "https://cdn.example/a/b");
    EXPECT_EQ(hrefs.resolve("http://h/a/./b"), "http://h/a/b");
}

TEST(HrefResolver, RequestUrlThatIsNoUrlGetsTheHrefAppended) {
    EXPECT_EQ(resolveHref("", "/a/"), "/a/");
    EXPECT_EQ(resolveHref("host/dav", "/a/"), "host/dav/a/");
}

TEST(HrefResolver, OriginsCompareSchemeHostAndPort) {
    EXPECT_TRUE(sameOrigin("http://H.example/a", "http://h.EXAMPLE:80/b"));
    EXPECT_TRUE(sameOrigin("https://h/a", "HTTPS://u:p@h:443/"));
    EXPECT_TRUE(sameOrigin("http://[::1]:8080/a", "http://[::1]:8080"));
    EXPECT_FALSE(sameOrigin("http://h/a", "https://h/a"));
    EXPECT_FALSE(sameOrigin("http://h:8080/a", "http://h:8081/a"));
    EXPECT_FALSE(sameOrigin("http://h/a", "http://h.evil/a"));
    EXPECT_FALSE(sameOrigin("http://h@evil/a", "http://h/a"));
    EXPECT_FALSE(sameOrigin("", ""));
    EXPECT_FALSE(sameOrigin("ftp://h/a", "ftp://h/a"));

    const HrefResolver book("http://127.0.0.1:5232/alice/book/");
    EXPECT_TRUE(book.isOfRequestOrigin(book.resolve("c1.vcf")));
    EXPECT_FALSE(book.isOfRequestOrigin(book.resolve("http://127.0.0.1:5233/alice/book/c1.vcf")));
    EXPECT_TRUE(HrefResolver("").isOfRequestOrigin("http://anywhere/"));
}

// RFC 3986 section 5.4: the normal and abnormal examples, against its base URL. Fragments are
// dropped (they never go to a server), so the examples with one expect the URL without it.
TEST(HrefResolver, ResolvesTheReferenceExamplesOfRfc3986) {
    const HrefResolver base("http://a/b/c/d;p?q");
    const std::pair<const char*, const char*> examples[] = {
        // Normal examples.
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        // Not RFC examples: absolute paths with a query, a dot segment, a fragment.
        {"/g?y", "http://a/g?y"},
        {"/g?y/../x", "http://a/g?y/../x"},
        {"/g/..?y#s", "http://a/?y"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q"},
        {"g#s", "http://a/b/c/g"},
        {"g?y#s", "http://a/b/c/g?y"},
        {";x", "http://a/b/c/;x"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        // Abnormal examples.
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g"},
        {"g#s/../x", "http://a/b/c/g"},
        {"http:g", "http:g"}, // the strict reading
    };
    for (const auto& [reference, target] : examples)
        EXPECT_EQ(base.resolve(reference), target) << reference;
}

TEST(HrefResolver, UrlsCompareInNormalForm) {
    struct Case {
        const char* url;
        const char* normal;
    };
    const Case cases[] = {
        {"HTTP://Host.Example/Book/c.vcf", "http://host.example/Book/c.vcf"},
        {"http://h/book/%63%2d%7E.vcf", "http://h/book/c-~.vcf"},
        {"http://h/a%2fb%c3%bc?q=%3d%41", "http://h/a%2Fb%C3%BC?q=%3DA"},
        {"http://h:80/", "http://h/"},
        {"https://h:443/a", "https://h/a"},
        {"https://h:80/a", "https://h:80/a"},
        {"http://h:8080", "http://h:8080/"},
        {"http://h", "http://h/"},
        {"http://Alice@H%41/a/%2E%2E/b/./c#top", "http://Alice@ha/b/c"},
        {"http://[::1]:80/x", "http://[::1]/x"},
        {"http://h/100%/a%zz", "http://h/100%/a%zz"},
        {"/book/c.vcf", "/book/c.vcf"},
        // Lower case already: only dot segments change it, and names that merely start with dots
        // are none.
        {"http://h/a/.well-known/..x/.../b", "http://h/a/.well-known/..x/.../b"},
        {"http://h/a/./b/../c/.", "http://h/a/c/"},
        {"http://h/a/..", "http://h/"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(normalUrl(test.url), test.normal) << test.url;

    // A collection is named with or without its final "/", in any spelling.
    for (const char* url : {"http://h/book/", "http://h/book", "HTTP://h:80/book/x/.."})
        EXPECT_TRUE(namesCollection(url, "http://h/book/")) << url;
    for (const char* url :
         {"http://h/book/x", "http://h/boo", "http://h/book//", "http://h/books/"})
        EXPECT_FALSE(namesCollection(url, "http://h/book/")) << url;

    // A card a multiget answer names in another spelling is still the card asked for.
    EXPECT_EQ(normalUrl("http://127.0.0.1:5232/alice/book/c1.vcf"),
              normalUrl("HTTP://127.0.0.1:5232/alice/book/%631.vcf"));
    EXPECT_EQ(normalUrl("http://host/book/"), normalUrl("http://HOST:80/book/"));
    EXPECT_NE(normalUrl("http://h/book/c1.vcf"), normalUrl("http://h/book/C1.vcf"));
    EXPECT_NE(normalUrl("http://h/book/a%2Fb"), normalUrl("http://h/book/a/b"));
    EXPECT_NE(normalUrl("http://h/x"), normalUrl("https://h/x"));
}

TEST(HrefResolver, HrefsNeverLeaveHttpsForPlainHttp) {
    struct Case {
        const char* given;
        const char* url;
        const char* used; // nullptr: refused
    };
    const Case cases[] = {
        {"https://h/dav/", "https://h/dav/a/", "https://h/dav/a/"},
        {"https://h/dav/", "https://other.example/a/", "https://other.example/a/"},
        // A TLS-terminating proxy that writes http for its own https URLs.
        {"https://h/dav/", "http://h/dav/a/", "https://h/dav/a/"},
        {"HTTPS://H:443/dav/", "http://h:80/dav/a/", "https://h/dav/a/"},
        {"https://h:8443/", "http://h:8443/a/", "https://h:8443/a/"},
        {"https://h/", "http://h:443/a/", "https://h:443/a/"},
        {"https://h/dav/", "http://h:8080/dav/a/", nullptr},
        {"https://h:8443/", "http://h/a/", nullptr},
        {"https://h/dav/", "http://other.example/dav/a/", nullptr},
        {"https://h/dav/", "ftp://h/dav/a/", nullptr},
        {"https://h/dav/", "/dav/a/", nullptr},
        // Plain http given: any http or https URL stands.
        {"http://h/dav/", "http://other.example/a/", "http://other.example/a/"},
        {"http://h/dav/", "https://h/dav/a/", "https://h/dav/a/"},
        {"", "http://h/a/", "http://h/a/"},
    };
    for (const Case& test : cases) {
        const std::optional<std::string> used = secureHrefUrl(test.given, test.url);
        if (test.used == nullptr)
            EXPECT_FALSE(used) << test.given << " " << test.url << " gave " << used.value_or("");
        else
            EXPECT_EQ(used.value_or("refused"), test.used) << test.given << " " << test.url;
    }
}
