// Reading responses one after another with one reader, and text that servers split into pieces.
#include "Multistatus/MultistatusResponse.h"
#include "ReadValues.h"

#include <gtest/gtest.h>

TEST(MultistatusResponseText, PiecesOfTextAndCdataAreJoined) {
    // Parsed either way: with the leading text in a node of its own or kept in the element.
    for (const unsigned options :
         {pugi::parse_default, pugi::parse_default | pugi::parse_embed_pcdata}) {
        SCOPED_TRACE(options);
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(
            "<r><one>plain &amp; simple</one><split>a<![CDATA[<b>]]>c<x>not text</x>d</split>"
            "<cdata><![CDATA[only]]>then</cdata><late><x>child</x>late</late><none><x>y</x></none>"
            "<empty/></r>",
            options));
        const pugi::xml_node r = document.child("r");
        std::string joined;
        EXPECT_EQ(textOf(r.child("one"), joined), "plain & simple");
        EXPECT_EQ(textOf(r.child("split"), joined), "a<b>cd");
        EXPECT_EQ(textOf(r.child("cdata"), joined), "onlythen");
        EXPECT_EQ(textOf(r.child("late"), joined), "late");
        EXPECT_EQ(textOf(r.child("none"), joined), "");
        EXPECT_EQ(textOf(r.child("empty"), joined), "");
        EXPECT_EQ(textOf(pugi::xml_node(), joined), "");
        // The owning form gives the same texts.
        EXPECT_EQ(textOf(r.child("split")), "a<b>cd");
        EXPECT_EQ(textOf(r.child("one")), "plain & simple");
    }
}

TEST(MultistatusResponseText, OneReaderForgetsTheResponseBefore) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(
        R"(<d:multistatus xmlns:d="DAV:">)"
        "<d:response><d:href>/a</d:href><d:propstat><d:prop><d:getetag>e</d:getetag></d:prop>"
        "</d:propstat></d:response>"
        "<d:response><d:propstat><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
        "</d:multistatus>"));
    XmlNamespaces names;
    const XmlScope top = names.documentScope(document).enter(document.document_element());
    const pugi::xml_node first = top.element().first_child();
    MultistatusResponse response(top.enter(first));
    EXPECT_EQ(response.href(), "/a");
    EXPECT_TRUE(response.hasProp());
    EXPECT_EQ(response.propertyText(xmlns::dav, "getetag"), "e");

    response.read(top.enter(first.next_sibling()));
    EXPECT_EQ(response.href(), "");
    EXPECT_FALSE(response.hasProp());
    EXPECT_FALSE(response.propertyElement(xmlns::dav, "getetag"));
    EXPECT_FALSE(response.property(xmlns::dav, "getetag"));
}

TEST(XmlParserListing, CardTextSplitIntoPiecesAndListingsOneAfterAnother) {
    ReadValues parser;
    const std::string requestUrl = "http://h/";
    const std::string listing =
        R"(<multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">)"
        "<response><href>/c/</href><href>/second-href/</href><propstat><prop>"
        "<getetag>\"1\"</getetag><getetag>\"2\"</getetag>"
        "<C:address-data>BEGIN:VCARD&#13;\nUID:u<![CDATA[-1\r\nFN:Ann & Bob]]>\r\nEND:VCARD"
        "</C:address-data></prop></propstat></response>"
        "<response><href>/d/</href><propstat><prop><getetag>\"3\"</getetag></prop></propstat>"
        "</response></multistatus>";
    std::vector<addresscard> cards = parser.getCardData(listing, requestUrl);
    ASSERT_EQ(cards.size(), 2u);
    // The first href and the first of two equal properties count.
    EXPECT_EQ(cards[0].url, "http://h/c/");
    EXPECT_EQ(cards[0].etag, "1");
    EXPECT_EQ(cards[0].uid, "u-1");
    EXPECT_EQ(cards[0].fn, "Ann & Bob");
    // Nothing of the first card carries over to the second.
    EXPECT_EQ(cards[1].url, "http://h/d/");
    EXPECT_EQ(cards[1].etag, "3");
    EXPECT_EQ(cards[1].uid, "");
    EXPECT_EQ(cards[1].fn, "");

    // A second listing read by the same parser gives its own cards only.
    cards = parser.getCardData(
        R"(<multistatus xmlns="DAV:"><response><href>/e/</href><propstat><prop>)"
        "<displayname>e.vcf</displayname></prop></propstat></response></multistatus>",
        requestUrl);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].cardid, "e");
    EXPECT_TRUE(parser.getCardData("not xml", requestUrl).empty());
}
