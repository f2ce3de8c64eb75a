#include "ClientCards.h"

#include "CardFixtures.h"
#include "base64.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::string base64Of(const std::string& bytes) {
    return base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned int>(bytes.size()));
}

// The start of a JPEG file followed by `size` bytes of every value, as a stand-in picture.
std::string pretendJpeg(std::size_t size) {
    std::string bytes = "\xFF\xD8\xFF\xE0";
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    return bytes;
}

// A base64 value as vCard 2.1 writers fold it: pieces after two blanks, then an empty line.
std::vector<std::string> foldedWithTwoBlanks(const std::string& head, const std::string& base64) {
    std::vector<std::string> lines{head + base64.substr(0, 40)};
    for (std::size_t at = 40; at < base64.size(); at += 72)
        lines.push_back("  " + base64.substr(at, 72));
    lines.push_back("");
    return lines;
}

// A line folded at 75 bytes with one blank, as 3.0 writers fold it.
std::vector<std::string> foldedAt75(const std::string& line) {
    std::vector<std::string> lines{line.substr(0, 75)};
    for (std::size_t at = 75; at < line.size(); at += 74)
        lines.push_back(" " + line.substr(at, 74));
    return lines;
}

ClientCard outlook() {
    ClientCard card;
    card.style = "Outlook 2.1, quoted-printable and bare types";
    card.uid = "outlook-7d2f-0001";
    card.text = joined(
        {"BEGIN:VCARD", "VERSION:2.1", "UID:outlook-7d2f-0001",
         "N;LANGUAGE=de;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:M=FCller;J=FCrgen",
         "FN;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:J=FCrgen M=FCller",
         "ORG:Kontor Nord;Vertrieb", "TITLE:Leiter Vertrieb", "TEL;WORK;VOICE:+49 40 555 0100",
         "TEL;CELL;PREF:+49 170 555 0101", "TEL;HOME;VOICE:+49 40 555 0102",
         "ADR;WORK;PREF;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:;;Hafenstra=DFe "
         "5;Hamburg;;20457;Deutschland",
         "LABEL;WORK;PREF;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:Hafenstra=DFe 5=0D=0A=",
         "Tel: 040 555 0100=0D=0A=", "20457 Hamburg", "X-MS-OL-DEFAULT-POSTAL-ADDRESS:2",
         "URL;WORK:http://kontor-nord.example/",
         "EMAIL;PREF;INTERNET:juergen.mueller@kontor-nord.example", "REV:20240301T101500Z",
         "END:VCARD"},
        "\r\n");
    card.reads = {{"displayname", "J\xC3\xBCrgen M\xC3\xBCller"},
                  {"name_first", "J\xC3\xBCrgen"},
                  {"name_last", "M\xC3\xBCller"},
                  {"celltel", "+49 170 555 0101"},
                  {"worktel", "+49 40 555 0100"},
                  {"hometel", "+49 40 555 0102"},
                  {"email1", "juergen.mueller@kontor-nord.example"},
                  {"work_address", "Hafenstra\xC3\x9F"
                                   "e 5"},
                  {"work_city", "Hamburg"},
                  {"label", "Hafenstra\xC3\x9F"
                            "e 5\r\nTel: 040 555 0100\r\n20457 Hamburg"},
                  {"company", "Kontor Nord;Vertrieb"}};
    card.storableOnRadicale = false;
    card.field = "work_city";
    card.newValue = "Altona";
    card.changedLine = "ADR;WORK;PREF;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:;;Hafenstra="
                       "DFe 5;Hamburg;;20457;Deutschland";
    card.expectedLine = "ADR;WORK;PREF:;;Hafenstra\xC3\x9F"
                        "e 5;Altona;;20457;Deutschland";
    card.jsonPointer = "/phones/1/value";
    card.jsonValue = "+49 170 555 0199";
    card.jsonChangedLine = "TEL;CELL;PREF:+49 170 555 0101";
    card.jsonExpectedLine = "TEL;CELL;PREF:+49 170 555 0199";
    return card;
}

ClientCard android() {
    ClientCard card;
    card.style = "Android 2.1, custom rows and a bare-typed photo";
    card.uid = "android-3c41-0002";
    card.photo = pretendJpeg(200);
    card.photoStream = "JPEG";
    std::vector<std::string> lines = {
        "BEGIN:VCARD",
        "VERSION:2.1",
        "UID:android-3c41-0002",
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=98stergaard;S=C3=B8ren;;;",
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:S=C3=B8ren =C3=98stergaard",
        "X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Sasa;1;;;;;;;;;;;;;",
        "TEL;CELL:+45 20 55 01 00",
        "TEL;WORK:+45 33 55 01 01",
        "EMAIL;HOME:soren@example.dk",
        "ADR;HOME:;;Strandvejen 12;Hellerup;;2900;Danmark",
        "ORG:Lighthouse ApS",
        "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Mette;14;;;;;;;;;;;;;",
        "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;2012-06-02;0;Anniversary;;;;;;;;;;"
        ";;",
        "BDAY:1985-04-12"};
    for (const std::string& line :
         foldedWithTwoBlanks("PHOTO;ENCODING=BASE64;JPEG:", base64Of(card.photo)))
        lines.push_back(line);
    lines.push_back("END:VCARD");
    card.text = joined(lines, "\r\n");
    card.reads = {{"displayname", "S\xC3\xB8ren \xC3\x98stergaard"},
                  {"name_last", "\xC3\x98stergaard"},
                  {"celltel", "+45 20 55 01 00"},
                  {"worktel", "+45 33 55 01 01"},
                  {"email2", "soren@example.dk"},
                  {"home_city", "Hellerup"},
                  {"company", "Lighthouse ApS"},
                  {"birthday", "1985-04-12"}};
    card.storableOnRadicale = false;
    card.field = "celltel";
    card.newValue = "+45 20 55 09 99";
    card.changedLine = "TEL;CELL:+45 20 55 01 00";
    card.expectedLine = "TEL;CELL:+45 20 55 09 99";
    card.jsonPointer = "/emails/0/value";
    card.jsonValue = "soren@new.example";
    card.jsonChangedLine = "EMAIL;HOME:soren@example.dk";
    card.jsonExpectedLine = "EMAIL;HOME:soren@new.example";
    return card;
}

ClientCard apple() {
    ClientCard card;
    card.style = "Apple 3.0, item groups and labels";
    card.uid = "5B1C2D3E-0000-4000-8000-ABCDEF012345";
    card.text = joined(
        {"BEGIN:VCARD", "VERSION:3.0", "PRODID:-//Orchard Computer//Address Book 14.2//EN",
         "N:Appleseed;Jonna;;;", "FN:Jonna Appleseed", "ORG:Orchard Labs;",
         "item1.EMAIL;type=INTERNET;type=pref:jonna@orchard.example",
         "item1.X-ABLabel:_$!<Other>!$_", "item2.EMAIL;type=INTERNET:jonna.private@example.net",
         "item2.X-ABLabel:", "TEL;type=CELL;type=VOICE;type=pref:+1 408 555 0134",
         "item3.ADR;type=HOME;type=pref:;;1 Orchard Loop;Cupertino;CA;95014;United States",
         "item3.X-ABADR:us", "item4.X-ABRELATEDNAMES;type=pref:Sam Appleseed",
         "item4.X-ABLabel:_$!<Spouse>!$_", "X-ABUID:5B1C2D3E-0000-4000-8000-ABCDEF012345:ABPerson",
         "UID:5B1C2D3E-0000-4000-8000-ABCDEF012345", "END:VCARD"},
        "\r\n");
    card.reads = {{"email1", "jonna@orchard.example"}, {"email2", "jonna@orchard.example"},
                  {"celltel", "+1 408 555 0134"},      {"home_city", "Cupertino"},
                  {"home_postalcode", "95014"},        {"company", "Orchard Labs;"}};
    card.field = "home_city";
    card.newValue = "Palo Alto";
    card.changedLine =
        "item3.ADR;type=HOME;type=pref:;;1 Orchard Loop;Cupertino;CA;95014;United States";
    card.expectedLine =
        "item3.ADR;type=HOME;type=pref:;;1 Orchard Loop;Palo Alto;CA;95014;United States";
    // The e-mail whose label line is empty: that line stays.
    card.jsonPointer = "/emails/1/value";
    card.jsonValue = "jonna@new.example";
    card.jsonChangedLine = "item2.EMAIL;type=INTERNET:jonna.private@example.net";
    card.jsonExpectedLine = "item2.EMAIL;type=INTERNET:jonna@new.example";
    return card;
}

ClientCard google() {
    ClientCard card;
    card.style = "Google export, labelled groups and escaped colons";
    card.uid = "3f9a1c70b2d84e51";
    card.text = joined(
        {"BEGIN:VCARD", "VERSION:3.0", "FN:Amara Okafor", "N:Okafor;Amara;;;",
         "EMAIL;TYPE=INTERNET;TYPE=HOME:amara@example.com",
         "EMAIL;TYPE=INTERNET;TYPE=WORK:a.okafor@lagoon.example", "TEL;TYPE=CELL:+234 803 555 0199",
         "TEL;TYPE=WORK:+234 1 555 0100", "ADR;TYPE=HOME:;;12 Marina Road;Lagos;;101001;Nigeria",
         "ORG:Lagoon Analytics", "TITLE:Data Lead",
         "item1.EMAIL;TYPE=INTERNET:amara@conference.example", "item1.X-ABLabel:Conference",
         "item2.URL:https\\://amara.example/", "item2.X-ABLabel:PROFILE",
         "NOTE:Met at the summit\\, Lagos 2023.\\nPrefers e-mail.",
         "CATEGORIES:myContacts,Partners", "UID:3f9a1c70b2d84e51", "END:VCARD"},
        "\r\n");
    card.reads = {{"email1", ""},
                  {"email2", "amara@example.com"},
                  {"worktel", "+234 1 555 0100"},
                  {"home_city", "Lagos"},
                  {"company", "Lagoon Analytics"},
                  {"url", "https\\://amara.example/"},
                  {"note", "Met at the summit\\, Lagos 2023.\\nPrefers e-mail."}};
    card.field = "email1";
    card.newValue = "amara@new.example";
    card.expectedLine = "EMAIL;TYPE=PREF:amara@new.example";
    card.jsonPointer = "/urls/0/value";
    card.jsonValue = "https://amara.example/new";
    card.jsonChangedLine = "item2.URL:https\\://amara.example/";
    card.jsonExpectedLine = "item2.URL:https://amara.example/new";
    return card;
}

ClientCard evolution() {
    ClientCard card;
    card.style = "Evolution, slot parameters and a quoted identifier";
    card.uid = "pas-id-6601A2B3C4D5E6F7";
    card.text =
        joined({"BEGIN:VCARD",
                "VERSION:3.0",
                "UID:pas-id-6601A2B3C4D5E6F7",
                "X-COUCHDB-UUID:83a7c1e2-55b0-4d0e-9f41-0c8f2a6e7d10",
                "X-COUCHDB-REVISION:3-9f0e1d2c3b4a",
                "FN:Li Wei",
                "N:Li;Wei;;;",
                "X-EVOLUTION-FILE-AS:Li\\, Wei",
                "EMAIL;X-EVOLUTION-UI-SLOT=1;TYPE=WORK:li.wei@example.org",
                "EMAIL;X-EVOLUTION-UI-SLOT=2;TYPE=HOME:wei@home.example",
                "EMAIL;X-COUCHDB-UUID=\"83a7c1e2-55b0-4d0e-9f41-0c8f2a6e7d10\";TYPE=OTHER:wei@old."
                "example",
                "TEL;X-EVOLUTION-UI-SLOT=1;TYPE=CELL:+86 139 5550 1234",
                "TEL;X-EVOLUTION-UI-SLOT=2;TYPE=WORK;TYPE=VOICE:+86 21 5550 0100",
                "X-SIP;X-EVOLUTION-UI-SLOT=1;TYPE=WORK:sip:li.wei@example.org",
                "X-JABBER;X-EVOLUTION-UI-SLOT=1;TYPE=HOME:liwei@chat.example",
                "ADR;TYPE=WORK:;;88 Century Avenue;Shanghai;;200120;China",
                "LABEL;TYPE=WORK:88 Century Avenue\\nShanghai 200120\\nChina",
                "X-EVOLUTION-BLOG-URL:https://blog.example/liwei",
                "REV:2024-02-11T08:15:00Z",
                "END:VCARD"},
               "\r\n");
    card.reads = {{"email2", "li.wei@example.org"},
                  {"celltel", "+86 139 5550 1234"},
                  {"voicetel", "+86 21 5550 0100"},
                  {"work_city", "Shanghai"},
                  {"label", "88 Century Avenue\\nShanghai 200120\\nChina"}};
    card.field = "work_postalcode";
    card.newValue = "200121";
    card.changedLine = "ADR;TYPE=WORK:;;88 Century Avenue;Shanghai;;200120;China";
    card.expectedLine = "ADR;TYPE=WORK:;;88 Century Avenue;Shanghai;;200121;China";
    card.jsonPointer = "/ims/0/value";
    card.jsonValue = "sip:wei@example.org";
    card.jsonChangedLine = "X-SIP;X-EVOLUTION-UI-SLOT=1;TYPE=WORK:sip:li.wei@example.org";
    card.jsonExpectedLine = "X-SIP;X-EVOLUTION-UI-SLOT=1;TYPE=WORK:sip:wei@example.org";
    return card;
}

ClientCard version4() {
    ClientCard card;
    card.style = "vCard 4, PREF, quoted parameters and a data URI photo";
    card.uid = "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1";
    card.photo = base64_decode(kPhotoPng);
    card.photoStream = "PNGf";
    card.text = joined(
        {"BEGIN:VCARD", "VERSION:4.0", "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1",
         "KIND:individual", "FN:Zo\xC3\xAB Nakamura",
         "N;SORT-AS=\"Nakamura,Zo\xC3\xAB\":Nakamura;Zo\xC3\xAB;;;",
         "ORG;SORT-AS=\"Kiri\":Studio Kiri", "EMAIL;TYPE=home:zoe@example.jp",
         "EMAIL;TYPE=work;PREF=1:zoe@studio.example",
         "TEL;VALUE=uri;TYPE=\"voice,cell\";PREF=1:tel:+81-90-5550-0199",
         "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+81-3-5550-0100",
         "ADR;TYPE=work;LABEL=\"2-1 Kanda\\nTokyo 101-0047\\nJapan\":;;2-1 Kanda;Tokyo;;101-0047;"
         "Japan",
         "X-SOCIALPROFILE;TYPE=x-mastodon;X-SERVICE-TYPE=Mastodon:https://social.example/@zoe",
         "LANG;PREF=1:ja", "NOTE;LANGUAGE=en-us:Prefers mornings\\, call first.",
         "PHOTO:data:image/png;base64," + std::string(kPhotoPng), "END:VCARD"},
        "\r\n");
    card.reads = {{"displayname", "Zo\xC3\xAB Nakamura"}, {"email1", "zoe@studio.example"},
                  {"email2", "zoe@example.jp"},           {"celltel", "tel:+81-90-5550-0199"},
                  {"worktel", "tel:+81-3-5550-0100"},     {"work_city", "Tokyo"}};
    card.field = "photo";
    card.newValue = pretendJpeg(30);
    card.changedLine = "PHOTO:data:image/png;base64," + std::string(kPhotoPng);
    card.expectedLine = "PHOTO:data:image/jpeg;base64," + base64Of(card.newValue);
    card.jsonPointer = "/phones/1/value";
    card.jsonValue = "tel:+81-3-5550-0111";
    card.jsonChangedLine = "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+81-3-5550-0100";
    card.jsonExpectedLine = "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+81-3-5550-0111";
    return card;
}

ClientCard iphone() {
    ClientCard card;
    card.style = "iPhone export, CR CR LF and a byte-order mark";
    card.uid = "E1F2A3B4-0000-4000-8000-000000000007";
    card.photo = pretendJpeg(120);
    card.photoStream = "JPEG";
    std::vector<std::string> lines = {
        "\xEF\xBB\xBF"
        "BEGIN:VCARD",
        "VERSION:3.0",
        "PRODID:-//Orchard Computer//Phone OS 17.4//EN",
        "N:Silva;Ana;;;",
        "FN:Ana Silva",
        "ORG:Mar Azul;",
        "TITLE:Arquiteta",
        "EMAIL;type=INTERNET;type=HOME;type=pref:ana@example.pt",
        "TEL;type=CELL;type=VOICE;type=pref:+351 912 555 010",
        "item1.ADR;type=HOME;type=pref:;;Rua das Flores 10;Lisboa;;1200-195;Portugal",
        "item1.X-ABADR:pt",
        "BDAY:1990-06-15"};
    for (const std::string& line : foldedAt75("PHOTO;ENCODING=b;TYPE=JPEG:" + base64Of(card.photo)))
        lines.push_back(line);
    lines.push_back("UID:E1F2A3B4-0000-4000-8000-000000000007");
    lines.push_back("END:VCARD");
    card.text = joined(lines, "\r\r\n");
    card.reads = {{"email1", "ana@example.pt"},
                  {"celltel", "+351 912 555 010"},
                  {"home_city", "Lisboa"},
                  {"title", "Arquiteta"}};
    card.storableOnRadicale = false;
    card.field = "note";
    card.newValue = "edited";
    // A property a script adds carries the field's TYPE, empty for a note.
    card.expectedLine = "NOTE;TYPE=:edited";
    card.jsonPointer = "/addresses/0/city";
    card.jsonValue = "Porto";
    card.jsonChangedLine =
        "item1.ADR;type=HOME;type=pref:;;Rua das Flores 10;Lisboa;;1200-195;Portugal";
    card.jsonExpectedLine =
        "item1.ADR;type=HOME;type=pref:;;Rua das Flores 10;Porto;;1200-195;Portugal";
    return card;
}

ClientCard outlookLatin1() {
    ClientCard card;
    card.style = "Outlook 2.1 in 8-bit text, with and without a charset";
    card.uid = "outlook-5e10-0008";
    card.text = joined({"BEGIN:VCARD", "VERSION:2.1", "UID:outlook-5e10-0008",
                        "N;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen", "FN:J\xFCrgen M\xFCller",
                        "TITLE;CHARSET=Windows-1252:Gesch\xE4"
                        "ftsf\xFChrer",
                        "TEL;WORK;VOICE:+49 221 555 0100",
                        "ADR;WORK;CHARSET=ISO-8859-1:;;K\xF6nigstra\xDF"
                        "e 5;K\xF6ln;;50667;Deutschland",
                        "NOTE:Gr\xFC\xDF"
                        "e \x96 bis bald",
                        "END:VCARD"},
                       "\r\n");
    card.reads = {{"displayname", "J\xC3\xBCrgen M\xC3\xBCller"},
                  {"name_first", "J\xC3\xBCrgen"},
                  {"title", "Gesch\xC3\xA4"
                            "ftsf\xC3\xBChrer"},
                  {"work_city", "K\xC3\xB6ln"},
                  {"note", "Gr\xC3\xBC\xC3\x9F"
                           "e \xE2\x80\x93 bis bald"}};
    card.storableOnRadicale = false;
    card.field = "worktel";
    card.newValue = "+49 221 555 0199";
    card.changedLine = "TEL;WORK;VOICE:+49 221 555 0100";
    card.expectedLine = "TEL;WORK;VOICE:+49 221 555 0199";
    // A line changed is UTF-8, and no longer claims another charset.
    card.jsonPointer = "/title";
    card.jsonValue = "Gesch\xC3\xA4"
                     "ftsleiter";
    card.jsonChangedLine = "TITLE;CHARSET=Windows-1252:Gesch\xE4"
                           "ftsf\xFChrer";
    card.jsonExpectedLine = "TITLE:Gesch\xC3\xA4"
                            "ftsleiter";
    return card;
}

ClientCard appleLabels() {
    ClientCard card;
    card.style = "Apple phones with built-in, custom and empty labels";
    card.uid = "9C0FFEE0-0000-4000-8000-00000000A110";
    card.text =
        joined({"BEGIN:VCARD", "VERSION:3.0", "PRODID:-//Orchard Computer//Phone OS 17.4//EN",
                "N:Rivera;Sam;;;", "FN:Sam Rivera", "item1.TEL;type=pref:+1 415 555 0100",
                "item1.X-ABLabel:_$!<AssistantPhone>!$_", "ITEM2.TEL:+1 415 555 0101",
                "Item2.x-ablabel:_$!<Mobile>!$_", "item3.TEL;type=VOICE:+1 415 555 0102",
                "item3.X-ABLabel:", "item4.EMAIL;type=INTERNET:sam@example.com",
                "item4.X-ABLabel:Hobby\\, weekends", "UID:9C0FFEE0-0000-4000-8000-00000000A110",
                "END:VCARD"},
               "\r\n");
    card.reads = {{"email2", "sam@example.com"}, {"voicetel", "+1 415 555 0102"}};
    card.field = "voicetel";
    card.newValue = "+1 415 555 0199";
    card.changedLine = "item3.TEL;type=VOICE:+1 415 555 0102";
    card.expectedLine = "item3.TEL;type=VOICE:+1 415 555 0199";
    card.jsonPointer = "/phones/0/value";
    card.jsonValue = "+1 415 555 0190";
    card.jsonChangedLine = "item1.TEL;type=pref:+1 415 555 0100";
    card.jsonExpectedLine = "item1.TEL;type=pref:+1 415 555 0190";
    return card;
}

ClientCard hostile() {
    ClientCard card;
    card.style = "Hostile text, CDATA markers, backslashes and a quoted type";
    card.uid = "hostile-0009";
    card.text = joined({"BEGIN:VCARD", "VERSION:4.0", "UID:hostile-0009",
                        "FN:Back\\\\slash\\, and \"quotes\"", "N:Slash;Back;;;",
                        "NOTE:if (a[b[1]]>0) then <![CDATA[warn]]> C:\\\\new",
                        "TEL;TYPE=\"COMMA,SEPARATED:inside.dquote\",pref:+1 555 0100",
                        "TEL;TYPE=cell:+1 555 0101", "EMAIL:x@example.org", "END:VCARD"},
                       "\r\n");
    card.reads = {{"displayname", "Back\\\\slash\\, and \"quotes\""},
                  {"note", "if (a[b[1]]>0) then <![CDATA[warn]]> C:\\\\new"},
                  {"celltel", "+1 555 0101"}};
    card.field = "celltel";
    card.newValue = "+1 555 0199";
    card.changedLine = "TEL;TYPE=cell:+1 555 0101";
    card.expectedLine = "TEL;TYPE=cell:+1 555 0199";
    card.jsonPointer = "/fields/note";
    card.jsonValue = "C:\\new\\table ]]> <![CDATA[";
    card.jsonChangedLine = "NOTE:if (a[b[1]]>0) then <![CDATA[warn]]> C:\\\\new";
    card.jsonExpectedLine = "NOTE:C:\\\\new\\\\table ]]> <![CDATA[";
    return card;
}

bool endsInSoftBreak(const std::string& line) {
    return !line.empty() && line.back() == '=' &&
           line.substr(0, line.find(':')).find("QUOTED-PRINTABLE") != std::string::npos;
}

} // namespace

std::string joined(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string text;
    for (const std::string& line : lines)
        text += line + lineEnd;
    return text;
}

std::vector<ClientCard> clientCards() {
    return {outlook(),  android(), apple(),         google(),      evolution(),
            version4(), iphone(),  outlookLatin1(), appleLabels(), hostile()};
}

std::vector<ClientCard> cardsRadicaleStores() {
    std::vector<ClientCard> cards;
    for (ClientCard& card : clientCards())
        if (card.storableOnRadicale)
            cards.push_back(std::move(card));
    return cards;
}

Arg changedValue(const ClientCard& card) {
    if (card.field == "photo")
        return Arg::container({Stream{"JPEG", card.newValue}});
    return Arg::text(card.newValue);
}

std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    bool softBreak = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lines.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (softBreak)
            lines.back() += line;
        else if (line.empty())
            continue;
        else if ((line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
        softBreak = endsInSoftBreak(lines.back());
        if (softBreak)
            lines.back().pop_back();
    }
    return lines;
}

std::vector<std::string> linesAfterChange(const std::string& original,
                                          const std::string& changedLine,
                                          const std::string& expectedLine) {
    std::vector<std::string> lines = logicalLines(original);
    if (changedLine.empty()) {
        lines.insert(lines.end() - 1, expectedLine);
        return lines;
    }
    const auto changed = std::find(lines.begin(), lines.end(), changedLine);
    EXPECT_NE(changed, lines.end()) << "no line " << changedLine;
    if (changed != lines.end())
        *changed = expectedLine;
    return lines;
}

std::vector<std::string> linesAfterChange(const ClientCard& card, const std::string& original) {
    return linesAfterChange(original, card.changedLine, card.expectedLine);
}

std::string cardStyleName(const ClientCard& card) {
    std::string name;
    for (const char c : card.style.substr(0, card.style.find(',')))
        name +=
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? c : '_';
    return name;
}

void PrintTo(const ClientCard& card, std::ostream* out) {
    *out << card.style;
}
