#include "Multistatus/XmlNamespaces.h"
#include "Multistatus/MultistatusResponse.h"

#include <gtest/gtest.h>

namespace {

// Whether the element at `path` (each name a child of the one before) matches.
class Document {
public:
    explicit Document(const char* xml) { EXPECT_TRUE(document.load_string(xml)); }

    bool matches(std::initializer_list<const char*> path, std::string_view ns,
                 std::string_view localName) {
        XmlScope scope = names.documentScope(document);
        pugi::xml_node node;
        for (const char* name : path) {
            if (node)
                scope = scope.enter(node);
            node = scope.element().child(name);
        }
        return scope.matches(node, ns, localName);
    }

private:
    pugi::xml_document document;
    XmlNamespaces names;
};

} // namespace

TEST(XmlNamespaces, MatchesByNamespaceWhateverThePrefix) {
    Document doc(R"(<d:a xmlns:d="DAV:" xmlns="urn:ietf:params:xml:ns:carddav">
        <d:href/><address-data/><x:href xmlns:x="DAV:"/>
        <d:b xmlns:d="urn:other"><d:href/></d:b></d:a>)");
    EXPECT_TRUE(doc.matches({"d:a"}, xmlns::dav, "a"));
    EXPECT_TRUE(doc.matches({"d:a", "d:href"}, xmlns::dav, "href"));
    EXPECT_TRUE(doc.matches({"d:a", "address-data"}, xmlns::carddav, "address-data"));
    EXPECT_TRUE(doc.matches({"d:a", "x:href"}, xmlns::dav, "href"));
    EXPECT_FALSE(doc.matches({"d:a", "address-data"}, xmlns::dav, "address-data"));
    // The inner declaration of d wins.
    EXPECT_FALSE(doc.matches({"d:a", "d:b", "d:href"}, xmlns::dav, "href"));
    EXPECT_FALSE(doc.matches({"d:a", "d:href"}, xmlns::dav, "HREF"));
}

TEST(XmlNamespaces, NoNamespaceMatchesUndeclaredPrefixDoesNot) {
    Document doc(
        R"(<a><href/><D:href/><b xmlns="urn:other"><href/><c xmlns=""><href/></c></b></a>)");
    EXPECT_TRUE(doc.matches({"a", "href"}, xmlns::dav, "href"));
    EXPECT_FALSE(doc.matches({"a", "D:href"}, xmlns::dav, "href"));
    EXPECT_FALSE(doc.matches({"a", "b", "href"}, xmlns::dav, "href"));
    EXPECT_TRUE(doc.matches({"a", "b", "c", "href"}, xmlns::dav, "href"));
    EXPECT_FALSE(doc.matches({"a", "missing"}, xmlns::dav, "missing"));
    EXPECT_FALSE(XmlScope().child(xmlns::dav, "href"));
}

TEST(MultistatusResponse, StatusLinesWith2xxCodesAreSuccessful) {
    EXPECT_TRUE(isSuccessPropstat("HTTP/1.1 200 OK"));
    EXPECT_TRUE(isSuccessPropstat("  HTTP/1.1   207"));
    EXPECT_FALSE(isSuccessPropstat("HTTP/1.1 404 Not Found"));
    EXPECT_FALSE(isSuccessPropstat("HTTP/1.1 2000"));
    EXPECT_FALSE(isSuccessPropstat("200 OK"));
    EXPECT_FALSE(isSuccessPropstat(""));
}
