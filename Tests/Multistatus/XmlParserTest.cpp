#include "ReadValues.h"
#include "ServerStyles.h"

#include <gtest/gtest.h>

namespace {

const char* const cardText =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-1\r\nFN:Ann Example\r\nEND:VCARD\r\n";
const char* const groupText =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:group-1\r\nFN:Friends\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
    "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:card-1\r\nEND:VCARD\r\n";

const ServerStyle styles[] = {
    {"DefaultNamespaceWithPrefixedCardDav",
     R"( xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav" xmlns:CR="urn:ietf:params:xml:ns:carddav")",
     "", "CR:", false, true, false},
    {"DAndCardPrefixes",
     R"( xmlns:d="DAV:" xmlns:s="http://sabredav.org/ns" xmlns:card="urn:ietf:params:xml:ns:carddav")",
     "d:", "card:", false, false, false},
    {"Ns0PrefixesStatusFirst", R"( xmlns:ns0="DAV:" xmlns:ns1="urn:ietf:params:xml:ns:carddav")",
     "ns0:", "ns1:", true, true, false},
    {"PerElementXmlnsWithCdata", R"( xmlns="DAV:")", "", "", false, false, true},
    {"Rfc6352Prefixes", R"( xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav")",
     "D:", "C:", false, false, false},
};

class ServerStyleTest : public testing::TestWithParam<ServerStyle> {
protected:
    AnswerWriter answer{GetParam()};
    // A server that lives under /dav.
    ReadValues parser;
    const std::string requestUrl = "http://h/dav/";
};

} // namespace

TEST_P(ServerStyleTest, PrincipalComesFromTheResponseForTheRequestedCollection) {
    const AnswerWriter& a = answer;
    const std::string cup =
        a.dav("current-user-principal", a.dav("href", "/dav/principals/alice/"));
    const baseprincipal principal = parser.getBasePrincipal(
        a.multistatus(
            a.response("/dav/principals/",
                       a.dav("current-user-principal", a.dav("href", "/wrong/")),
                       a.dav("getetag")) +
            a.response("/dav/", cup + a.dav("getetag", "\"p-1\"") + a.dav("getlastmodified", "Mon"),
                       a.dav("creationdate"))),
        requestUrl);
    EXPECT_EQ(principal.principal, "/dav/principals/alice/");
    EXPECT_EQ(principal.etag, "\"p-1\"");
    EXPECT_EQ(principal.lastmodified, "Mon");
    EXPECT_EQ(principal.creationdate, "");
}

TEST_P(ServerStyleTest, AddressHomeComesFromASuccessfulPropstat) {
    const AnswerWriter& a = answer;
    const std::string home = a.card("addressbook-home-set", a.dav("href", "/dav/alice/"));
    // The first response lists the home set as missing.
    EXPECT_EQ(parser.getAddressHome(
                  a.multistatus(a.response("/dav/principals/bob/", a.dav("displayname", "Bob"),
                                           a.card("addressbook-home-set")) +
                                a.response("/dav/principals/alice/", home, a.dav("displayname")))),
              "/dav/alice/");
}

TEST_P(ServerStyleTest, AddressbooksAreTheCollectionsMarkedAsCardDav) {
    const AnswerWriter& a = answer;
    const std::vector<addressbook> books = parser.getAddressbooks(
        a.multistatus(
            a.response("/dav/alice/", a.dav("resourcetype", a.dav("collection")),
                       a.dav("getetag")) +
            a.response("/dav/alice/contacts/",
                       a.dav("resourcetype", a.card("addressbook") + a.dav("collection")) +
                           a.dav("displayname", "Contacts") + a.dav("getlastmodified", "Tue"),
                       a.dav("getetag")) +
            a.response("/dav/alice/notes/", a.dav("resourcetype", a.dav("collection")),
                       a.dav("displayname"))),
        requestUrl);
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(books[0].url, "http://h/dav/alice/contacts/");
    EXPECT_EQ(books[0].displayname, "Contacts");
    EXPECT_EQ(books[0].lastmodified, "Tue");
}

TEST_P(ServerStyleTest, CardsAndGroupsOfAListing) {
    const AnswerWriter& a = answer;
    const std::vector<addresscard> cards = parser.getCardData(
        a.multistatus(a.response("/dav/alice/contacts/card-1.vcf",
                                 a.dav("getetag", "\"e1\"") + a.dav("displayname", "card-1.vcf") +
                                     a.addressData(cardText),
                                 a.dav("creationdate")) +
                      a.response("/dav/alice/contacts/group-1.vcf",
                                 a.dav("getetag", "\"e2\"") + a.addressData(groupText) +
                                     a.dav("getlastmodified", "Wed"),
                                 a.dav("displayname"))),
        requestUrl);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].url, "http://h/dav/alice/contacts/card-1.vcf");
    EXPECT_EQ(cards[0].etag, "e1");
    EXPECT_EQ(cards[0].cardid, "card-1");
    EXPECT_EQ(cards[0].uid, "card-1");
    EXPECT_EQ(cards[0].fn, "Ann Example");
    EXPECT_FALSE(cards[0].isgroup);
    EXPECT_EQ(cards[1].etag, "e2");
    EXPECT_EQ(cards[1].lastmodified, "Wed");
    EXPECT_EQ(cards[1].uid, "group-1");
    EXPECT_TRUE(cards[1].isgroup);
    EXPECT_EQ(cards[1].members, std::vector<std::string>{"card-1"});
    EXPECT_EQ(cards[1].fn, "Friends");
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerStyleTest, testing::ValuesIn(styles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XmlParser, RadicaleHomeAnswer) {
    ReadValues parser;
    const std::string requestUrl = "http://127.0.0.1:5232/";
    EXPECT_EQ(
        parser.getAddressHome(
            R"(<multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav" xmlns:CR="urn:ietf:params:xml:ns:carddav"><response><href>/alice/</href><propstat><prop><getetag /><CR:principal-address /><displayname /></prop><status>HTTP/1.1 404 Not Found</status></propstat><propstat><prop><CR:addressbook-home-set><href>/alice/</href></CR:addressbook-home-set></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>)"),
        "/alice/");
}

TEST(XmlParser, Rfc6352AddressbookQueryAnswer) {
    ReadValues parser;
    const std::string requestUrl = "https://addressbook.example.com/";
    const std::vector<addresscard> cards =
        parser.getCardData(R"(<?xml version="1.0" encoding="utf-8" ?>
   <D:multistatus xmlns:D="DAV:"
                  xmlns:C="urn:ietf:params:xml:ns:carddav">
     <D:response>
       <D:href>/home/bernard/addressbook/v102.vcf</D:href>
       <D:propstat>
         <D:prop>
           <D:getetag>"23ba4d-ff11fb"</D:getetag>
           <C:address-data>BEGIN:VCARD
VERSION:3.0
NICKNAME:me
UID:34222-232@example.com
FN:Cyrus Daboo
EMAIL:daboo@example.com
END:VCARD
</C:address-data>
         </D:prop>
         <D:status>HTTP/1.1 200 OK</D:status>
       </D:propstat>
     </D:response>
   </D:multistatus>)",
                           requestUrl);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].url, "https://addressbook.example.com/home/bernard/addressbook/v102.vcf");
    EXPECT_EQ(cards[0].etag, "23ba4d-ff11fb");
    EXPECT_EQ(cards[0].uid, "34222-232@example.com");
    EXPECT_EQ(cards[0].fn, "Cyrus Daboo");
}
