#include "ConnectedPlugin.h"

#include "PluginStateReset.h"

#include <gtest/gtest.h>

ConnectedPlugin::ConnectedPlugin(const std::string& bookName, RadicaleServer::Options options)
    : server(std::move(options)), peer(server.baseUrl(), server.user(), server.password()),
      bookPath(server.homePath() + bookName + "/"), bookUrl(server.baseUrl() + bookPath) {
    resetPluginState();
    EXPECT_EQ(peer.createAddressBook(bookPath, "Contacts").status, 201) << server.log();
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    host.call("CardDav_SetAuth",
              {Arg::text("basic"), Arg::text(server.user()), Arg::text(server.password())});
    const CallResult connect = host.call("CardDav_Connect");
    EXPECT_EQ(connect.error, 0) << server.log();
}

std::string ConnectedPlugin::putCard(const std::string& name, const std::string& vcardText) {
    const PeerResponse response = peer.put(bookPath + name + ".vcf", vcardText);
    EXPECT_EQ(response.status, 201) << response.body << server.log();
    return response.etag;
}

void ConnectedPlugin::selectBook() {
    const CallResult select = host.call("CardDav_SelectAddressBook", {Arg::text(bookUrl)});
    ASSERT_EQ(select.error, 0);
    ASSERT_EQ(select.number(), 1);
}

std::string makeCard(const std::string& uid, const std::string& fn, const std::string& extraLines) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + fn + "\r\n";
    for (std::size_t start = 0; start < extraLines.size();) {
        std::size_t end = extraLines.find('\n', start);
        if (end == std::string::npos)
            end = extraLines.size();
        text += extraLines.substr(start, end - start) + "\r\n";
        start = end + 1;
    }
    return text + "END:VCARD\r\n";
}
