#include "PeerClient.h"
#include "RadicaleServer.h"

#include <gtest/gtest.h>

// The fixture the integration tests rest on: a server that starts, authenticates, stores cards
// and stops.
TEST(RadicaleServer, StartsStoresCardsAndRefusesWrongPasswords) {
    RadicaleServer server;
    PeerClient peer(server.baseUrl(), server.user(), server.password());
    ASSERT_EQ(peer.createAddressBook("/alice/contacts/", "Contacts").status, 201) << server.log();
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\nN:;Ada;;;\r\n"
                             "END:VCARD\r\n";
    const PeerResponse created = peer.put("/alice/contacts/u1.vcf", card);
    EXPECT_EQ(created.status, 201);
    const PeerResponse fetched = peer.get("/alice/contacts/u1.vcf");
    EXPECT_EQ(fetched.status, 200);
    EXPECT_NE(fetched.body.find("FN:Ada"), std::string::npos);
    EXPECT_FALSE(fetched.etag.empty());

    PeerClient intruder(server.baseUrl(), server.user(), "wrong");
    EXPECT_EQ(intruder.get("/alice/contacts/u1.vcf").status, 401);
}
