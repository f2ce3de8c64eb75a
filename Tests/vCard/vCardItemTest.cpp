#include "vCard/vCardItem.h"
#include "Mapping/DataMapping.h"
#include "vCard/vCardComponents.h"

#include <gtest/gtest.h>

namespace {

vCardItem structured(const std::string& name, const std::string& value) {
    vCardItem item(name, value);
    item.setinnervalues(componentNames(name));
    return item;
}

} // namespace

TEST(vCardItemComponents, ReadsComponentsAndWholeValue) {
    const vCardItem adr = structured("ADR", ";;Main St;Berlin;;10115;DE");
    EXPECT_EQ(adr.get(""), ";;Main St;Berlin;;10115;DE");
    EXPECT_EQ(adr.get("City"), "Berlin");
    EXPECT_EQ(adr.get("foo"), "");
    EXPECT_EQ(vCardItem("EMAIL", "a@b.c").get("city"), "a@b.c");

    const vCardItem shortAdr = structured("ADR", "a;b");
    EXPECT_EQ(shortAdr.innervalues.size(), 7u);
    EXPECT_EQ(shortAdr.get("extended"), "b");
    EXPECT_EQ(shortAdr.get("country"), "");
}

TEST(vCardItemComponents, SetRebuildsTheValueFromAllComponents) {
    vCardItem adr = structured("ADR", "");
    adr.set("Berlin", "city");
    EXPECT_EQ(adr.value, ";;;Berlin;;;");

    vCardItem partial = structured("ADR", "a;b");
    partial.set("x", "nosuchpart");
    EXPECT_EQ(partial.value, "a;b;;;;;");

    vCardItem tooLong = structured("GEO", "1;2;3");
    tooLong.set("5", "LONGITUDE");
    EXPECT_EQ(tooLong.value, "1;5");

    // Without a component the whole value changes, the components stay as they were.
    adr.set("whole", "");
    EXPECT_EQ(adr.value, "whole");
    EXPECT_EQ(adr.get("city"), "Berlin");
}

TEST(vCardItemComponents, ComponentTextHoldingSeparatorsStaysOneComponent) {
    vCardItem adr = structured("ADR", ";;;Town;;;");
    adr.set("Main St; Apt 4, rear", "address");
    EXPECT_EQ(adr.value, ";;Main St\\; Apt 4\\, rear;Town;;;");
    EXPECT_EQ(adr.getRawValues(';')[3], "Town");
    adr.setinnervalues(componentNames("ADR"));
    EXPECT_EQ(adr.get("city"), "Town");
    EXPECT_EQ(adr.get("address"), "Main St\\; Apt 4\\, rear");
    // Already escaped text and a trailing backslash do not swallow the next separator.
    adr.set("C:\\", "pobox");
    adr.set("a\\;b", "extended");
    EXPECT_EQ(adr.value, "C:\\\\;a\\;b;Main St\\; Apt 4\\, rear;Town;;;");
}

TEST(vCardItemParameters, GetAndSetIgnoreCase) {
    vCardItem photo("PHOTO", "AAAA");
    EXPECT_EQ(photo.getTypeValue("ENCODING"), "");
    photo.setTypeValue("Encoding", "b");
    ASSERT_EQ(photo.params.size(), 1u);
    EXPECT_EQ(photo.params[0].key, "ENCODING");
    photo.setTypeValue("encoding", "B");
    ASSERT_EQ(photo.params.size(), 1u);
    EXPECT_EQ(photo.getTypeValue("encoding"), "B");
    photo.setTypeValue("TYPE", "");
    EXPECT_EQ(photo.params.size(), 2u);
}

TEST(vCardItemToString, WritesUpperCaseParametersInPlace) {
    vCardItem email("EMAIL", "x@y.z");
    email.params.push_back({"type", "home"});
    EXPECT_EQ(email.toString(), "EMAIL;TYPE=HOME:x@y.z");
    EXPECT_EQ(email.params[0].key, "TYPE");
    EXPECT_EQ(email.params[0].value, "HOME");
    EXPECT_EQ(vCardItem("NOTE", "").toString(), "");
    vCardItem empty("EMAIL", "x");
    empty.params.push_back({"TYPE", ""});
    EXPECT_EQ(empty.toString(), "EMAIL;TYPE=:x");
}

TEST(vCardItemToString, EscapesValuesByKindOfProperty) {
    const auto line = [](const std::string& name, const std::string& value,
                         std::vector<RawDataPair> params = {}) {
        vCardItem item(name, value);
        item.params = std::move(params);
        return item.toString();
    };
    EXPECT_EQ(line("FN", "Lovelace, Ada"), "FN:Lovelace\\, Ada");
    EXPECT_EQ(line("TITLE", "Head, Research"), "TITLE:Head\\, Research");
    EXPECT_EQ(line("NOTE", "a, b; c\rnext\r\nline\nend"), "NOTE:a\\, b\\; c\\nnext\\nline\\nend");
    EXPECT_EQ(line("NOTE", "x\nUID:other"), "NOTE:x\\nUID:other");
    EXPECT_EQ(line("ORG", "Acme, Inc.;R&D"), "ORG:Acme\\, Inc.;R&D");
    EXPECT_EQ(line("N", "Lovelace;Ada;;;"), "N:Lovelace;Ada;;;");
    EXPECT_EQ(line("ITEM1.ADR", ";;a,b;c"), "ITEM1.ADR:;;a,b;c");
    EXPECT_EQ(line("CATEGORIES", "a,b;c"), "CATEGORIES:a,b\\;c");
    EXPECT_EQ(line("URL", "http://x/?a=1,2;b"), "URL:http://x/?a=1,2;b");
    EXPECT_EQ(line("TEL", "tel:+1-555;ext=5", {{"VALUE", "uri"}}),
              "TEL;VALUE=URI:tel:+1-555;ext=5");
    EXPECT_EQ(line("X-DATA", "a,b", {{"ENCODING", "b"}}), "X-DATA;ENCODING=B:a,b");
    // Identifiers and URIs as stored, backslashes included; only a line break is escaped.
    EXPECT_EQ(line("UID", "x,y;z\\"), "UID:x,y;z\\");
    EXPECT_EQ(line("X-ADDRESSBOOKSERVER-MEMBER", "urn:uuid:k,1"),
              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:k,1");
    EXPECT_EQ(line("UID", "a\r\nEND:VCARD\rb\nc"), "UID:a\\nEND:VCARD\\nb\\nc");
    // Values read from a server keep their escapes byte for byte.
    EXPECT_EQ(line("NOTE", "a\\, b\\nc\\\\"), "NOTE:a\\, b\\nc\\\\");
}

TEST(vCardItemToString, NeverWritesALineThatReadsBackAsSomethingElse) {
    // Would continue the line before it.
    EXPECT_EQ(vCardItem(" X", "y").toString(), "");
    EXPECT_EQ(vCardItem("\tX", "y").toString(), "");
    EXPECT_EQ(vCardItem("TEL\n", "1").toString(), "");
    // Would end the card.
    EXPECT_EQ(vCardItem("END", "VCARD").toString(), "");
    EXPECT_EQ(vCardItem("END", "other").toString(), "END:other");
    // A parameter with a line break is left out, the property is kept.
    vCardItem tel("TEL", "1");
    tel.params = {{"TYPE", "CELL\n"}, {"X-A", "b"}};
    EXPECT_EQ(tel.toString(), "TEL;X-A=B:1");
}

TEST(vCardItemToString, FoldsAfterEscaping) {
    EXPECT_EQ(vCardItem("NOTE", std::string(71, 'a')).toString(), "NOTE:" + std::string(71, 'a'));
    EXPECT_EQ(vCardItem("NOTE", std::string(72, 'a')).toString(),
              "NOTE:\r\n " + std::string(72, 'a'));
    // 70 characters become 71 bytes once the comma is escaped.
    EXPECT_EQ(vCardItem("NOTE", std::string(69, 'a') + ",").toString(),
              "NOTE:" + std::string(69, 'a') + "\\,");
    EXPECT_EQ(vCardItem("NOTE", std::string(70, 'a') + ",").toString(),
              "NOTE:\r\n " + std::string(70, 'a') + "\\,");
}
