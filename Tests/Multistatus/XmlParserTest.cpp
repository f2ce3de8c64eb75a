// The principal as the answers of real servers' styles name it. What a script sees of the other
// answers in these styles is played by the protocol cases (Tests/Protocol/cases/multistatus-*).
#include "ReadValues.h"
#include "ServerStyles.h"

#include <gtest/gtest.h>

namespace {

const ServerStyle styles[] = {
    {"DefaultNamespaceWithPrefixedCardDav",
     R"( xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav" xmlns:CR="urn:ietf:params:xml:ns:carddav")",
     "", false, true},
    {"DAndCardPrefixes",
     R"( xmlns:d="DAV:" xmlns:s="http://sabredav.org/ns" xmlns:card="urn:ietf:params:xml:ns:carddav")",
     "d:", false, false},
    {"Ns0PrefixesStatusFirst", R"( xmlns:ns0="DAV:" xmlns:ns1="urn:ietf:params:xml:ns:carddav")",
     "ns0:", true, true},
    {"DefaultNamespaceAlone", R"( xmlns="DAV:")", "", false, false},
    {"Rfc6352Prefixes", R"( xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav")", "D:", false,
     false},
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

INSTANTIATE_TEST_SUITE_P(Servers, ServerStyleTest, testing::ValuesIn(styles),
                         [](const auto& info) { return std::string(info.param.name); });
