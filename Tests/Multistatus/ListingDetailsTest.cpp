#include "Multistatus/KnownCards.h"
#include "ReadValues.h"

#include <gtest/gtest.h>

namespace {

// A response in the form with unprefixed elements and default namespaces.
std::string response(const std::string& href, const std::string& props) {
    return "<response>" + href + "<propstat><prop>" + props +
           "</prop><status>HTTP/1.1 200 OK</status></propstat></response>";
}
std::string multistatus(const std::string& responses) {
    return R"(<?xml version="1.0"?><multistatus xmlns="DAV:">)" + responses + "</multistatus>";
}
std::string addressData(const std::string& content) {
    return R"(<address-data xmlns="urn:ietf:params:xml:ns:carddav">)" + content + "</address-data>";
}

} // namespace

TEST(XmlParserListing, RecordFieldsAreCleanedAsCallersExpect) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    const std::string vcard = "BEGIN:VCARD\nUID:u1\nFN:A\nX-ADDRESSBOOKSERVER-KIND:Group\n"
                              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m1\n"
                              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:\nEND:VCARD\n";
    const std::vector<addresscard> cards = parser.getCardData(
        multistatus(
            response("<href>/c/a.vcf</href>", R"(<getetag>"3-abc"</getetag>)"
                                              "<displayname>a.vcf.b.vcf</displayname>" +
                                                  addressData("<![CDATA[" + vcard + "]]>")) +
            // Escaped text with the CDATA markers still in it reads the same.
            response("<href>/c/b.vcf</href>", addressData("&lt;![CDATA[" + vcard + "]]&gt;")) +
            // Without href, or with the request's own, a response is about the collection asked,
            // which is no card.
            response("", addressData(vcard)) + response("<href>/</href>", addressData(vcard)) +
            "<response><href>/no-prop/</href></response>"),
        requestUrl);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].url, "http://h/c/a.vcf");
    EXPECT_EQ(cards[0].etag, "3-abc");
    EXPECT_EQ(cards[0].cardid, "a.b");
    EXPECT_EQ(cards[0].displayname, "a.vcf.b.vcf");
    EXPECT_TRUE(cards[0].isgroup);
    EXPECT_EQ(cards[0].members, (std::vector<std::string>{"m1", ""}));
    EXPECT_EQ(cards[1].url, "http://h/c/b.vcf");
    EXPECT_EQ(cards[1].uid, "u1");
    EXPECT_EQ(cards[1].fn, cards[0].fn);
    EXPECT_EQ(cards[1].members, cards[0].members);
}

TEST(XmlParserListing, CardWithoutDisplayNameTakesItsIdentifierFromItsHref) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    const std::vector<addresscard> cards = parser.getCardData(
        multistatus(response("<href>/book/f00d.vcf</href>", "<getetag>\"t\"</getetag>") +
                    response("<href>http://h/book/plain</href>", "<getetag>\"t\"</getetag>")),
        requestUrl);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].cardid, "f00d");
    EXPECT_EQ(cards[0].displayname, "");
    EXPECT_EQ(cards[1].cardid, "plain");
}

TEST(XmlParserListing, PrincipalIsReadFromTheFirstRootResponse) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    const auto principalResponse = [](const std::string& href, const std::string& principal) {
        return response("<href>" + href + "</href>", "<current-user-principal><href>" + principal +
                                                         "</href></current-user-principal>");
    };
    EXPECT_EQ(parser
                  .getBasePrincipal(multistatus(principalResponse("/x/", "/p0/") +
                                                principalResponse("/", "/p1/") +
                                                principalResponse("/", "/p2/")),
                                    requestUrl)
                  .principal,
              "/p1/");
    // A full URL naming the requested collection counts as well.
    EXPECT_EQ(
        parser.getBasePrincipal(multistatus(principalResponse("http://h/", "/p3/")), requestUrl)
            .principal,
        "/p3/");
    EXPECT_EQ(parser.getBasePrincipal(multistatus(principalResponse("/x/", "/p0/")), requestUrl)
                  .principal,
              "");
}

TEST(XmlParserListing, AddressbookMarker) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    const auto book = [](const std::string& href, const std::string& resourcetype) {
        return response("<href>" + href + "</href>",
                        "<resourcetype>" + resourcetype + "</resourcetype>");
    };
    const std::vector<addressbook> books = parser.getAddressbooks(
        multistatus(
            book("/own-xmlns-any-case/",
                 R"(<collection/><AddressBook xmlns="urn:ietf:params:xml:ns:carddav"/>)") +
            book("/prefixed/",
                 R"(<C:addressbook xmlns:C="urn:ietf:params:xml:ns:carddav"/><collection/>)") +
            book("/dav-namespace/", "<addressbook/>") +
            book("/other-namespace/",
                 R"(<C:addressbook xmlns:C="urn:ietf:params:xml:ns:caldav"/>)") +
            book("/undeclared-prefix/", "<C:addressbook/>") +
            // A response without prop is no address book, whatever it holds.
            R"(<response><href>/no-prop/</href><addressbook xmlns="x"/></response>)"),
        requestUrl);
    ASSERT_EQ(books.size(), 2u);
    EXPECT_EQ(books[0].url, "http://h/own-xmlns-any-case/");
    EXPECT_EQ(books[1].url, "http://h/prefixed/");
}

TEST(XmlParserListing, PropertiesOfFailedPropstatsAreNotRead) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    // Only failed propstats: the card is still listed, with empty fields.
    const std::vector<addresscard> cards = parser.getCardData(
        multistatus("<response><href>/a.vcf</href><propstat><prop><getetag>\"x\"</getetag></prop>"
                    "<status>HTTP/1.1 403 Forbidden</status></propstat></response>"),
        requestUrl);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].etag, "");
    EXPECT_EQ(cards[0].url, "http://h/a.vcf");
}

TEST(XmlParserListing, ALongListingIsReadWholeAndInOrder) {
    // Long enough to be read in two halves at once. Each response declares its own prefix;
    // some lead to another server; the server cut its results at one point; some whole cards
    // came escaped. Texts are taken in the listing's order while the budget lasts.
    constexpr int kResponses = 5000;
    const auto cardText = [](int n) {
        return "BEGIN:VCARD\nVERSION:3.0\nUID:u" + std::to_string(n) +
               "\nFN:P\nEMAIL:p@example.org\nEND:VCARD\n";
    };
    std::string body = R"(<?xml version="1.0"?><d:multistatus xmlns:d="DAV:">)";
    std::vector<std::string> uids;
    std::size_t budget = 0;
    for (int n = 0; n < kResponses; ++n) {
        const std::string prefix = "p" + std::to_string(n % 7);
        const bool elsewhere = n % 997 == 5;
        const bool escaped = n % 3 == 0;
        std::string text = cardText(n);
        if (escaped)
            text = "&lt;![CDATA[" + text + "]]&gt;";
        if (n == 3700) {
            body += "<d:response><d:href>/book/</d:href><d:status>HTTP/1.1 507 Insufficient "
                    "Storage</d:status></d:response>";
            continue;
        }
        body += "<" + prefix + ":response xmlns:" + prefix + "=\"DAV:\"><" + prefix + ":href>" +
                (elsewhere ? "http://other/book/" : "/book/") + std::to_string(n) + ".vcf</" +
                prefix + ":href><" + prefix + ":propstat><" + prefix + ":prop><" + prefix +
                ":getetag>\"t\"</" + prefix + ":getetag><c:address-data " +
                "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">" + text + "</c:address-data></" +
                prefix + ":prop></" + prefix + ":propstat></" + prefix + ":response>";
        if (elsewhere)
            continue;
        uids.push_back("u" + std::to_string(n));
        if (uids.size() <= 4000)
            budget += cardText(n).size();
    }
    body += "</d:multistatus>";

    const Read<cardlisting> read =
        xmlParser().getCardData(body, "http://h/book/", CardTexts::WhenWhole, budget);
    ASSERT_EQ(read.form, BodyForm::Multistatus);
    const cardlisting& listing = read.value;
    EXPECT_TRUE(listing.truncated);
    ASSERT_EQ(listing.cards.size(), uids.size());
    ASSERT_EQ(listing.texts.size(), uids.size());
    for (std::size_t i = 0; i < uids.size(); ++i) {
        ASSERT_EQ(listing.cards[i].uid, uids[i]) << i;
        const int n = std::stoi(uids[i].substr(1));
        EXPECT_EQ(listing.cards[i].url, "http://h/book/" + std::to_string(n) + ".vcf");
        EXPECT_EQ(listing.texts[i], i < 4000 ? cardText(n) : "") << i;
    }

    // Read again with those records known, every tenth since changed here: each card listed
    // exactly as known comes as its known record, the others as new records, in the same order.
    CardsByUid known;
    for (std::size_t i = 0; i < listing.cards.size(); ++i)
        known[listing.cards[i].uid] = listing.cards[i];
    for (std::size_t i = 0; i < uids.size(); i += 10)
        known[uids[i]].fn = "changed";
    const KnownCards knownCards(known, CardsByUid());
    std::vector<std::string> handedOn;
    std::size_t knownHandedOn = 0;
    const Read<cardlisting> again = ListingReading::of(
        body, "http://h/book/", CardTexts::WhenWhole, budget,
        [&](ListedEntry&& card, std::string&&) {
            knownHandedOn += card.isKnown() ? 1 : 0;
            handedOn.push_back(card.isKnown() ? knownCards.card(card.knownPlace).uid
                                              : card.record.key());
        },
        &knownCards);
    EXPECT_EQ(again.form, BodyForm::Multistatus);
    EXPECT_EQ(handedOn, uids);
    EXPECT_EQ(knownHandedOn, uids.size() - (uids.size() + 9) / 10);
}
