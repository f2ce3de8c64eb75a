#include "CardFixtures.h"

#include "CardStore.h"
#include "Functions/Sessions.h"
#include "PluginStateReset.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

std::string adaLovelaceCard() {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:uid-ada\r\nFN:Ada Lovelace\r\n"
           "N:Lovelace;Ada;;;\r\nEMAIL;TYPE=INTERNET,PREF:ada@example.org\r\n"
           "TEL;TYPE=CELL,VOICE:+44 20 1234\r\n"
           "ADR;TYPE=HOME:;;12 St James's Square;London;;SW1Y 4JH;UK\r\n"
           "NOTE:first part of a long note that the other client folded over two\r\n"
           "  lines\r\nPHOTO;ENCODING=b;TYPE=PNG:" +
           std::string(kPhotoPng) + "\r\nEND:VCARD\r\n";
}

void storeCardFile(const ConnectedPlugin& plugin, const std::string& fileName,
                   const std::string& vcardText) {
    const std::string path =
        plugin.server.folder() + "/collections/collection-root" + plugin.bookPath + fileName;
    std::ofstream out(path, std::ios::binary);
    out << vcardText;
    ASSERT_TRUE(out.good()) << path;
}

std::vector<std::string> listEntries(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (std::size_t end; (end = list.find('\r', start)) != std::string::npos; start = end + 1)
        entries.push_back(list.substr(start, end - start));
    EXPECT_EQ(start, list.size()) << "the last entry is followed by a carriage return";
    return entries;
}

std::vector<std::string> sortedEntries(const std::string& list) {
    std::vector<std::string> entries = listEntries(list);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string groupCard(const std::string& uid, const std::string& fn,
                      const std::vector<std::string>& members) {
    std::string lines = "X-ADDRESSBOOKSERVER-KIND:group";
    for (const std::string& member : members)
        lines += "\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member;
    return makeCard(uid, fn, lines);
}

void storeAdaBobAndFamily(BookOnServer& book) {
    book.put("ada", makeCard("uid-ada", "Ada"));
    book.put("bob", makeCard("uid-bob", "Bob"));
    book.put("family", groupCard("grp-a", "Family", {"uid-ada"}));
}

std::vector<std::string> tabColumns(const std::string& line) {
    std::vector<std::string> columns(1);
    for (const char c : line)
        if (c == '\t')
            columns.emplace_back();
        else
            columns.back() += c;
    return columns;
}

std::string listingAnswer(const std::vector<ListedCard>& cards, bool perElementNamespaces) {
    const std::string d = perElementNamespaces ? "" : "d:";
    const std::string davNs = perElementNamespaces ? " xmlns=\"DAV:\"" : "";
    const std::string addressData = perElementNamespaces
                                        ? "<address-data xmlns=\"urn:ietf:params:xml:ns:carddav\">"
                                        : "<card:address-data>";
    const std::string addressDataEnd =
        perElementNamespaces ? "</address-data>" : "</card:address-data>";
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + d + "multistatus" +
                       (perElementNamespaces ? davNs
                                             : " xmlns:d=\"DAV:\" "
                                               "xmlns:card=\"urn:ietf:params:xml:ns:carddav\"") +
                       ">";
    for (const ListedCard& card : cards) {
        const std::string fileName = card.href.substr(card.href.rfind('/') + 1);
        body += "<" + d + "response" + davNs + "><" + d + "href" + davNs + ">" + card.href + "</" +
                d + "href><" + d + "propstat" + davNs + "><" + d + "prop" + davNs + "><" + d +
                "getetag" + davNs + ">\"" + card.etag + "\"</" + d + "getetag><" + d +
                "displayname" + davNs + ">" + fileName + "</" + d + "displayname>" + addressData +
                escapeXml(asListed(card.vcard)) + addressDataEnd + "</" + d + "prop><" + d +
                "status" + davNs + ">HTTP/1.1 200 OK</" + d + "status></" + d + "propstat></" + d +
                "response>";
    }
    return body + "</" + d + "multistatus>";
}

LoopbackPlugin::LoopbackPlugin() {
    resetPluginState();
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    session().connected = true;
    session().root_address_url = server.baseUrl() + "/home/";
}

loopback::Response syncTokenAnswer(const std::string& token) {
    return xmlResponse(207,
                       "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/home/book/</d:href>"
                       "<d:propstat><d:prop><d:sync-token>" +
                           token +
                           "</d:sync-token></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                           "</d:propstat></d:response></d:multistatus>");
}

void LoopbackPlugin::selectBook(const std::vector<ListedCard>& cards) {
    server.enqueue(syncTokenAnswer("tok-0"));
    server.enqueue(xmlResponse(207, listingAnswer(cards)));
    const CallResult select = host.call("CardDav_SelectAddressBook", {Arg::text(bookUrl())});
    EXPECT_EQ(select.error, 0);
    server.clearRequests();
}
