// CardDav_LastErrorText and CardDav_LastErrorDetail: the last error as a sentence for the user, and
// for the developer with the server's own reason, never with a secret.
#include "CardFixtures.h"
#include "CardStore.h"
#include "Functions/Sessions.h"
#include "PlainTextPort.h"
#include "SelfSignedCertificate.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

using loopback::Response;

const std::string kCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\nN:A;;;;\r\nEND:VCARD\r\n";

// An answer whose body is no text: its status line says all there is.
Response binaryAnswer() {
    Response answer(507, {"Content-Type: application/octet-stream"}, "\x01\x02");
    answer.reason = "Insufficient Storage";
    return answer;
}

class ErrorText : public ::testing::Test {
protected:
    void SetUp() override {
        store.serveBook("/home/book/");
        store.put("/home/book/u1.vcf", kCard, "t1");
        plugin.host.call("CardDav_SetAuth",
                         {Arg::text("basic"), Arg::text("ann"), Arg::text("s3cret-pass")});
        ASSERT_EQ(call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}).error, 0);
        ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("u1")}).number(), 1);
    }
    CallResult call(const std::string& function, const std::vector<Arg>& args = {}) {
        return plugin.host.call(function, args);
    }
    std::string text() { return call("CardDav_LastErrorDetail").text(); }

    LoopbackPlugin plugin;
    CardStore store{plugin.server};
};

TEST_F(ErrorText, NamesTheFunctionTheStatusAndTheServersReason) {
    EXPECT_EQ(text(), "") << "nothing failed";
    // Each failure kind a save meets: its code, the user's sentence, the developer's detail.
    struct Case {
        Response answer;
        int code;
        const char* sentence;
        const char* expected;
    };
    const char* const general = "Something went wrong with the contacts server.";
    const Case cases[] = {
        {Response(400, {"Content-Type: text/plain"}, "must contain at least 1 FN\n"), -1, general,
         "SaveCard: HTTP 400 Bad Request: must contain at least 1 FN"},
        {Response(412), 19,
         "Someone else changed the contact in the meantime; nothing was overwritten.",
         "SaveCard: HTTP 412 Precondition Failed"},
        {Response(404), 23, "The contact no longer exists on the server.",
         "SaveCard: HTTP 404 Not Found: the card is no longer on the server; nothing was written"},
        {Response(401, {"Content-Type: text/html"},
                  "<html><body><h1>Unauthorized</h1> for ann:s3cret-pass "
                  "(YW5uOnMzY3JldC1wYXNz)</body></html>"),
         24, "The server refused the user name or password.",
         "SaveCard: HTTP 401 Unauthorized: Unauthorized for ann:[hidden] ([hidden])"},
        {xmlResponse(403, "<d:error xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                          "<c:valid-address-data/></d:error>"),
         43, "The server refused the request.", "SaveCard: HTTP 403 Forbidden: valid-address-data"},
        {binaryAnswer(), -1, general, "SaveCard: HTTP 507 Insufficient Storage"},
    };
    for (const Case& c : cases) {
        store.failNext("PUT", "/home/book/u1.vcf", c.answer);
        EXPECT_EQ(call("CardDav_SaveCard").error, c.code) << c.expected;
        EXPECT_EQ(call("CardDav_LastErrorText").text(), c.sentence);
        EXPECT_EQ(text(), c.expected);
    }
    // A failure of the plug-in's own, with the code's meaning; read again, the same text.
    EXPECT_EQ(call("CardDav_GetvCard", {Arg::text("nobody")}).error, 3);
    EXPECT_EQ(call("CardDav_LastErrorText").text(), "The contact is not in the address book.");
    EXPECT_EQ(text(), "GetvCard: no card with that UID is known in the selected address book");
    EXPECT_EQ(text(), "GetvCard: no card with that UID is known in the selected address book");
    // The next call that succeeds clears it.
    EXPECT_EQ(call("CardDav_GetvCard", {Arg::text("u1")}).error, 0);
    EXPECT_EQ(text(), "");
}

// Each failure kind that leaves no answer: its code, the user's sentence, the developer's detail.
TEST(ErrorTextConnection, EachKindOfNoAnswerHasItsCodeSentenceAndDetail) {
    LoopbackPlugin plugin;
    loopback::RefusingPort refusing;
    TempFolder folder;
    const CertificateFiles files = writeSelfSignedCertificate(folder.path());
    loopback::Options tls;
    tls.certificateFile = files.certificateFile;
    tls.keyFile = files.keyFile;
    loopback::HttpServer secure(tls);
    loopback::PlainTextPort plainText;
    const std::string plainHost = plugin.server.baseUrl().substr(std::string("http://").size());
    const struct {
        std::string url;
        bool validcert;
        int code;
        const char* sentence;
        const char* detail; // how it begins
    } cases[] = {
        {refusing.baseUrl(), false, 25, "The contacts server cannot be reached.",
         "Connect: no answer from the server (Couldn't connect to server)"},
        {plainText.httpsUrl(), false, 26, "No secure connection could be made with the server.",
         "Connect: no answer from the server ("},
        {"htp://" + plainHost, false, 27, "The server address cannot be used.",
         "Connect: no answer from the server ("},
        {secure.baseUrl(), true, 46, "The server's certificate could not be verified.",
         "Connect: the server's certificate could not be verified ("},
    };
    for (const auto& c : cases) {
        plugin.host.call("CardDav_SetServer",
                         {Arg::text(c.url), Arg::boolean(false), Arg::boolean(c.validcert)});
        EXPECT_EQ(plugin.host.call("CardDav_Connect").error, c.code) << c.url;
        EXPECT_EQ(plugin.host.call("CardDav_LastErrorText").text(), c.sentence);
        EXPECT_EQ(plugin.host.call("CardDav_LastErrorDetail").text().rfind(c.detail, 0), 0u)
            << plugin.host.call("CardDav_LastErrorDetail").text();
    }
    // A function that connects on its own says why no home is known.
    plugin.host.call("CardDav_SetServer", {Arg::text(refusing.baseUrl())});
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressBooks").error, 11);
    EXPECT_EQ(plugin.host.call("CardDav_LastErrorDetail").text(),
              "GetAddressBooks: no address-book home is known: set the server and connect first "
              "(connecting failed: no answer from the server (Couldn't connect to server))");
}

// A page may echo the password escaped in any way, or long enough that the shown text is cut
// inside it: none of it is shown.
TEST_F(ErrorText, SecretsEchoedInAnyEscapingAreHidden) {
    const std::string secret = "p&ss<w\"rd'/x y";
    call("CardDav_SetAuth", {Arg::text("basic"), Arg::text("ann"), Arg::text(secret)});
    const std::string echoes[] = {
        "p&amp;ss&lt;w&quot;rd&#39;/x y",
        "p&#38;ss&#60;w&#34;rd&#x27;/x y",
        "p%26ss%3Cw%22rd%27%2Fx%20y",
        "p%26ss%3cw%22rd%27%2fx%20y",
        "p%26ss%3Cw%22rd%27%2Fx+y",
        "p&ss<w\\\"rd'\\/x y",
        std::string(180, 'a') + " p&amp;ss&lt;w&quot;rd",
    };
    for (const std::string& echo : echoes) {
        store.failNext("PUT", "/home/book/u1.vcf",
                       Response(401, {"Content-Type: text/plain"}, "bad login: " + echo + " end"));
        call("CardDav_SaveCard");
        const std::string shown = text();
        for (const std::string& part : {std::string("p&"), std::string("ss<"), std::string("%26ss"),
                                        std::string("p&amp;ss"), std::string("w%22")})
            EXPECT_EQ(shown.find(part), std::string::npos) << echo << " shown as " << shown;
        EXPECT_NE(shown.find("[hidden]"), std::string::npos) << shown;
    }
}

} // namespace
