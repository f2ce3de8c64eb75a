#include "ReadValues.h"

#include <gtest/gtest.h>

namespace {

const std::string listing =
    R"(<multistatus xmlns="DAV:"><response><href>/a/</href><propstat><prop><displayname>A</displayname>)"
    R"(<resourcetype><addressbook xmlns="urn:ietf:params:xml:ns:carddav"/></resourcetype>)"
    R"(<address-data xmlns="urn:ietf:params:xml:ns:carddav">BEGIN:VCARD
UID:u
END:VCARD
</address-data></prop></propstat></response></multistatus>)";

const std::string requestUrl = "http://h/";

void expectNothingRead(ReadValues& parser, const std::string& body) {
    const baseprincipal principal = parser.getBasePrincipal(body, requestUrl);
    EXPECT_EQ(principal.principal + principal.etag + principal.lastmodified, "");
    EXPECT_EQ(parser.getAddressHome(body), "");
    EXPECT_TRUE(parser.getAddressbooks(body, requestUrl).empty());
    EXPECT_TRUE(parser.getCardData(body, requestUrl).empty());
    EXPECT_NE(parser.parser.getCardData(body, requestUrl).form, BodyForm::Multistatus);
}

} // namespace

TEST(XmlParserHostileBodies, BodiesThatAreNoMultistatusGiveNothing) {
    ReadValues parser;
    ASSERT_EQ(parser.getAddressbooks(listing, requestUrl).size(), 1u);
    expectNothingRead(parser, "");
    expectNothingRead(parser, "Internal Server Error");
    expectNothingRead(parser, "<html><body><h1>502 Bad Gateway</h1></body></html>");
    expectNothingRead(parser, listing.substr(0, listing.size() / 2));
    expectNothingRead(parser, std::string("<multistatus xmlns=\"DAV:\">\0<response>", 37));
}

TEST(XmlParserHostileBodies, EntitiesAreNeitherExpandedNorFetched) {
    ReadValues parser;
    const std::string body = R"(<?xml version="1.0"?>
<!DOCTYPE multistatus [
  <!ENTITY lol "lol">
  <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
  <!ENTITY xxe SYSTEM "file:///etc/passwd">
]>
<multistatus xmlns="DAV:"><response><href>/&xxe;&lol1;</href><propstat><prop/></propstat>)"
                             R"(</response></multistatus>)";
    const std::vector<addresscard> cards = parser.getCardData(body, requestUrl);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].url, "http://h/&xxe;&lol1;");
}

TEST(XmlParserHostileBodies, DeepNestingIsWalkedWithoutRecursion) {
    ReadValues parser;
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
    ASSERT_EQ(parser.getAddressbooks(body, requestUrl).size(), 1u);
    ASSERT_EQ(parser.getCardData(body, requestUrl).size(), 1u);
    EXPECT_EQ(parser.getCardData(body, requestUrl)[0].uid, "u");
    expectNothingRead(parser, unclosed);
}
