#include "XmlNamespaces.h"
#include "MultistatusResponse.h"

#include <gtest/gtest.h>

namespace {

// The element at `path` (first child, then its first child, ...) of `xml`.
struct Document {
    explicit Document(const char* xml) { EXPECT_TRUE(document.load_string(xml)); }
    pugi::xml_node at(std::initializer_list<const char*> path) const {
        pugi::xml_node node = document;
        for (const char* name : path)
            node = node.child(name);
        return node;
    }
    pugi::xml_document document;
};

} // namespace

TEST(XmlNamespaces, MatchesByNamespaceWhateverThePrefix) {
    const Document doc(R"(<d:a xmlns:d="DAV:" xmlns="urn:ietf:params:xml:ns:carddav">
        <d:href/><address-data/><x:href xmlns:x="DAV:"/>
        <d:b xmlns:d="urn:other"><d:href/></d:b></d:a>)");
    XmlNamespaces names;
    EXPECT_TRUE(names.matches(doc.at({"d:a", "d:href"}), xmlns::dav, "href"));
    EXPECT_TRUE(names.matches(doc.at({"d:a", "address-data"}), xmlns::carddav, "address-data"));
    EXPECT_TRUE(names.matches(doc.at({"d:a", "x:href"}), xmlns::dav, "href"));
    EXPECT_FALSE(names.matches(doc.at({"d:a", "address-data"}), xmlns::dav, "address-data"));
    // The inner declaration of d wins.
    EXPECT_FALSE(names.matches(doc.at({"d:a", "d:b", "d:href"}), xmlns::dav, "href"));
    EXPECT_FALSE(names.matches(doc.at({"d:a", "d:href"}), xmlns::dav, "HREF"));
}

TEST(XmlNamespaces, NoNamespaceMatchesUndeclaredPrefixDoesNot) {
    const Document doc(
        R"(<a><href/><D:href/><b xmlns="urn:other"><href/><c xmlns=""><href/></c></b></a>)");
    XmlNamespaces names;
    EXPECT_TRUE(names.matches(doc.at({"a", "href"}), xmlns::dav, "href"));
    EXPECT_FALSE(names.matches(doc.at({"a", "D:href"}), xmlns::dav, "href"));
    EXPECT_FALSE(names.matches(doc.at({"a", "b", "href"}), xmlns::dav, "href"));
    EXPECT_TRUE(names.matches(doc.at({"a", "b", "c", "href"}), xmlns::dav, "href"));
    EXPECT_FALSE(names.child(doc.at({"a"}), xmlns::dav, "missing"));
    EXPECT_FALSE(names.child(pugi::xml_node(), xmlns::dav, "href"));
}

TEST(MultistatusResponse, StatusLinesWith2xxCodesAreSuccessful) {
    EXPECT_TRUE(isSuccessStatus("HTTP/1.1 200 OK"));
    EXPECT_TRUE(isSuccessStatus("  HTTP/1.1   207"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.1 404 Not Found"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.1 2000"));
    EXPECT_FALSE(isSuccessStatus("200 OK"));
    EXPECT_FALSE(isSuccessStatus(""));
}
