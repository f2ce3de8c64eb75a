#include "Multistatus/xmlParser.h"

#include <gtest/gtest.h>

namespace {

const std::string listing =
    R"(<multistatus xmlns="DAV:"><response><href>/a/</href><propstat><prop><displayname>A</displayname>)"
    R"(<resourcetype><addressbook xmlns="urn:ietf:params:xml:ns:carddav"/></resourcetype>)"
    R"(<address-data xmlns="urn:ietf:params:xml:ns:carddav">BEGIN:VCARD
UID:u
END:VCARD
</address-data></prop></propstat></response></multistatus>)";

void expectNothingRead(xmlParser& parser, const std::string& body) {
    const baseprincipal principal = parser.getBasePrincipal(body);
    EXPECT_EQ(principal.principal + principal.etag + principal.lastmodified, "");
    EXPECT_EQ(parser.getAddressHome(body), "");
    EXPECT_TRUE(parser.getAddressbooks(body).empty());
    EXPECT_TRUE(parser.getCardData(body).empty());
    EXPECT_TRUE(parser.getSearchResults(body).empty());
}

} // namespace

TEST(XmlParserHostileBodies, BodiesThatAreNoMultistatusGiveNothing) {
    xmlParser parser("http://h");
    ASSERT_EQ(parser.getAddressbooks(listing).size(), 1u);
    expectNothingRead(parser, "");
    expectNothingRead(parser, "Internal Server Error");
    expectNothingRead(parser, "<html><body><h1>502 Bad Gateway</h1></body></html>");
    expectNothingRead(parser, listing.substr(0, listing.size() / 2));
    expectNothingRead(parser, std::string("<multistatus xmlns=\"DAV:\">\0<response>", 37));
}

TEST(XmlParserHostileBodies, EntitiesAreNeitherExpandedNorFetched) {
    xmlParser parser("http://h");
    const std::string body = R"(<?xml version="1.0"?>
<!DOCTYPE multistatus [
  <!ENTITY lol "lol">
  <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
  <!ENTITY xxe SYSTEM "file:///etc/passwd">
]>
<multistatus xmlns="DAV:"><response><href>/&xxe;&lol1;</href></response></multistatus>)";
    EXPECT_EQ(parser.getSearchResults(body), std::vector<std::string>{"http://h/&xxe;&lol1;"});
}

TEST(XmlParserHostileBodies, DeepNestingIsWalkedWithoutRecursion) {
    xmlParser parser("http://h");
    constexpr std::size_t depth = 1500000; // about 10 MB
    std::string nested;
    nested.reserve(depth * 7);
    for (std::size_t i = 0; i < depth; ++i)
        nested += "<x>";
    const std::string unclosed = listing.substr(0, listing.find("<displayname>")) + nested;
    for (std::size_t i = 0; i < depth; ++i)
        nested += "</x>";
    std::string body = listing;
    body.insert(body.find("<displayname>"), nested);
    ASSERT_EQ(parser.getAddressbooks(body).size(), 1u);
    ASSERT_EQ(parser.getCardData(body).size(), 1u);
    EXPECT_EQ(parser.getCardData(body)[0].uid, "u");
    expectNothingRead(parser, unclosed);
}
