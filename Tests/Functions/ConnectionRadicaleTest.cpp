// Connecting to a real CardDAV server (Radicale on loopback) the way a FileMaker script does.
#include "ConnectedPlugin.h"
#include "Functions/CardDavState.h"
#include "PluginStateReset.h"
#include "SelfSignedCertificate.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(ConnectionRadicale, RightAndWrongPasswords) {
    ConnectedPlugin plugin;
    EXPECT_EQ(plugin_state.root_address_url, plugin.server.baseUrl() + "/alice/");
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 0);

    plugin.host.call("CardDav_SetAuth",
                     {Arg::text("basic"), Arg::text("alice"), Arg::text("wrong")});
    EXPECT_EQ(plugin.host.call("CardDav_Connect").error, -1);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), -1);
    // The home found before stays in use.
    EXPECT_EQ(plugin_state.root_address_url, plugin.server.baseUrl() + "/alice/");

    // Without credentials the server refuses as well.
    plugin.host.call("CardDav_SetAuth", {Arg::text(""), Arg::text("alice"), Arg::text("x")});
    EXPECT_EQ(plugin.host.call("CardDav_Connect").error, -1);
}

TEST(ConnectionRadicale, CertificateCheckOverTls) {
    char dir[] = "/tmp/talvero-cert-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const CertificateFiles files = writeSelfSignedCertificate(dir);
    RadicaleServer::Options options;
    options.certificateFile = files.certificateFile;
    options.keyFile = files.keyFile;
    ConnectedPlugin plugin("contacts", options);
    EXPECT_EQ(plugin_state.root_address_url, plugin.server.baseUrl() + "/alice/");

    plugin.host.call("CardDav_SetSsl", {Arg::text("tls1"), Arg::boolean(true)});
    EXPECT_EQ(plugin.host.call("CardDav_Connect").error, 46);
    // The home found before stays known: the listing request itself is refused, not skipped.
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressBooks").error, 46);

    plugin.host.call("CardDav_SetSsl", {Arg::text("tls1")});
    EXPECT_EQ(plugin.host.call("CardDav_Connect").error, 0);
    std::filesystem::remove_all(dir);
}
