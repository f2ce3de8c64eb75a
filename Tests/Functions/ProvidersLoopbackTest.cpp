// The whole job, step by step, on a stand-in for each large hosted provider
// (Tests/Support/ProviderShapes.cpp): connect from the URL a user types, name the books, select,
// read every card as JSON, edit and save, create, set groups, delete with the tag, sync after
// another client's changes, and the refusals a script meets (a wrong password, a read-only
// book). Each step asserts what the provider holds afterwards, and every step that no
// credential reached another party's host.
#include "Multistatus/xmlParser.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "ProviderServer.h"
#include "Transport/CardDavClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace {

using namespace providers;
using nlohmann::json;

// One step on one shape; the steps are the table below the fixture.
struct Case {
    const Shape* shape;
    std::size_t step;
};

bool isGroupCard(const std::string& text) {
    return text.find("KIND:group") != std::string::npos;
}

bool hasLine(const std::string& text, const std::string& line) {
    return text.find(line + "\r\n") != std::string::npos;
}

// The pieces of `text` that each `separator` ends.
std::vector<std::string> piecesOf(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(separator, at), text.size());
        pieces.push_back(text.substr(at, end - at));
        at = end + separator.size();
    }
    return pieces;
}

// The lines of a card text, each without its CR LF.
std::vector<std::string> linesOf(const std::string& text) {
    return piecesOf(text, "\r\n");
}

// Whether a line of the card gives `property` the value `value`, whatever its parameters.
bool holdsValue(const std::string& text, const std::string& property, const std::string& value) {
    for (const std::string& line : linesOf(text))
        if (line.rfind(property, 0) == 0 && line.size() > property.size() &&
            (line[property.size()] == ':' || line[property.size()] == ';') &&
            line.size() >= value.size() + 1 &&
            line.compare(line.size() - value.size() - 1, std::string::npos, ":" + value) == 0)
            return true;
    return false;
}

// The entries of a list result, each followed by a carriage return.
std::set<std::string> entries(const std::string& list) {
    const std::vector<std::string> pieces = piecesOf(list, "\r");
    return {pieces.begin(), pieces.end()};
}

class ProvidersLoopback : public ::testing::TestWithParam<Case> {
protected:
    ProvidersLoopback() : provider(*GetParam().shape) { resetPluginState(); }

    // Whatever the step did, another party's host never saw the credentials.
    void TearDown() override {
        for (const Host host : provider.hosts()) {
            if (ProviderServer::isProvidersOwn(host))
                continue;
            for (const loopback::Request& request : provider.requests(host))
                EXPECT_FALSE(request.header("Authorization"))
                    << request.requestLine << " carried the credentials off the provider";
        }
    }

    const Shape& shape() const { return provider.shape(); }
    CallResult call(const std::string& function, const std::vector<Arg>& args = {}) {
        return host.call(function, args);
    }
    std::string authWord() const {
        switch (shape().credentials) {
        case Credentials::Digest:
            return "digest";
        case Credentials::Bearer:
            return "bearer";
        case Credentials::Basic:
            break;
        }
        return "basic";
    }
    CallResult connect(const std::string& secret) {
        call("CardDav_SetServer", {Arg::text(provider.typedUrl())});
        call("CardDav_SetAuth",
             {Arg::text(authWord()), Arg::text(shape().user), Arg::text(secret)});
        return call("CardDav_Connect");
    }
    void connectAndSelect(std::size_t book = 0) {
        ASSERT_EQ(connect(shape().secret).error, 0) << call("CardDav_LastErrorDetail").text();
        const CallResult selected =
            call("CardDav_SelectAddressBook", {Arg::text(provider.bookUrl(book))});
        ASSERT_EQ(selected.error, 0) << call("CardDav_LastErrorDetail").text();
    }
    // A client of the Transport layer with the account's settings, as the plug-in has them.
    CardDavClient client() const {
        CardDavClient configured;
        configured.set_baseurl(provider.typedUrl());
        configured.set_auth(authWord(), shape().user, shape().secret);
        return configured;
    }

    // Where the provider holds the card with this UID in the first book.
    std::string pathOf(const std::string& uid) const { return provider.pathOf(uid).value(); }
    std::string held(const std::string& path, std::size_t book = 0) {
        return provider.book(book).text(path);
    }
    std::size_t requestCount() const {
        std::size_t count = 0;
        for (const Host host : provider.hosts())
            count += provider.requests(host).size();
        return count;
    }

public:
    void connects();
    void namesBooks();
    void selects();
    void readsAllAsJson();
    void readsPhotoByUrl();
    void editsAndSaves();
    void creates();
    void setsGroups();
    void deletesWithTag();
    void givesServersOwnReason();
    void syncsIncrementally();
    void refusesReadOnlyBook();
    void reportsWrongPassword();

protected:
    ProviderServer provider;
    PluginHarness host;
};

void ProvidersLoopback::connects() {
    const CallResult connected = connect(shape().secret);
    ASSERT_EQ(connected.error, 0) << call("CardDav_LastErrorDetail").text();
    std::string books;
    for (std::size_t book = 0; book < shape().books.size(); ++book)
        books += provider.bookUrl(book) + "\r";
    EXPECT_EQ(call("CardDav_GetAddressBooks").text(), books);
}

void ProvidersLoopback::namesBooks() {
    // The reader gives each book's name and whether the account may write to it.
    CardDavClient reader = client();
    Query answer = reader.get_addressbooks(provider.homeUrl());
    ASSERT_EQ(answer.status, 207);
    const std::vector<addressbook> books =
        xmlParser().getAddressbooks(std::move(answer.body), provider.homeUrl()).value;
    ASSERT_EQ(books.size(), shape().books.size());
    std::string expected;
    for (std::size_t book = 0; book < books.size(); ++book) {
        EXPECT_EQ(books[book].url, provider.bookUrl(book));
        EXPECT_EQ(books[book].displayname, shape().books[book].name);
        // Where the server names no privileges, nothing says the book is read-only.
        EXPECT_EQ(books[book].writable, shape().books[book].writable || !shape().privileges);
        expected += books[book].url + "\t" + books[book].displayname + "\t" +
                    (books[book].writable ? "writable" : "read-only") + "\r";
    }
    // One line per book, its URL, name and whether it may be written, tab-separated.
    ASSERT_EQ(connect(shape().secret).error, 0);
    EXPECT_EQ(call("CardDav_GetAddressBookDetails").text(), expected);
}

void ProvidersLoopback::selects() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    std::set<std::string> uids;
    for (const Seed& seed : shape().books[0].cards)
        if (!isGroupCard(seed.text))
            uids.insert(seed.uid);
    std::string listed;
    for (const std::string& uid : uids)
        listed += uid + "\r";
    EXPECT_EQ(call("CardDav_GetAddressbookvCards").text(), listed);
}

void ProvidersLoopback::readsAllAsJson() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    EXPECT_EQ(call("CardDav_FetchvCards", {Arg::text("*")}).error, 0);
    for (const Seed& seed : shape().books[0].cards) {
        if (isGroupCard(seed.text))
            continue;
        const json card = json::parse(call("CardDav_GetvCardJSON", {Arg::text(seed.uid)}).text());
        EXPECT_EQ(card["uid"], seed.uid);
        EXPECT_EQ(card["href"], provider.bookUrl() + seed.file);
        EXPECT_EQ(card["etag"], provider.book().tag(pathOf(seed.uid)));
        EXPECT_TRUE(hasLine(provider.seedText(seed),
                            "FN:" + card["fields"]["displayname"].get<std::string>()));
    }
}

void ProvidersLoopback::readsPhotoByUrl() {
    const Picture& picture = shape().pictures.at(0);
    const std::string url = provider.url(picture.host, picture.path);
    // The Transport reads it, with the credentials only where the connection goes.
    CardDavClient reader = client();
    const Query read = reader.get_picture(url, provider.homeUrl(), 1 << 20);
    EXPECT_EQ(read.status, 200);
    EXPECT_EQ(read.body, ProviderServer::pictureBytes());
    const Query capped =
        reader.get_picture(url, provider.homeUrl(), ProviderServer::pictureBytes().size() - 1);
    EXPECT_EQ(capped.status, 0);
    EXPECT_TRUE(capped.tooLarge);
    // An address that is no web URL is not asked at all.
    EXPECT_EQ(reader.get_picture("file:///etc/passwd", provider.homeUrl(), 1 << 20).status, 0);

    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    const json card =
        json::parse(call("CardDav_GetvCardJSON", {Arg::text(shape().roles.grouped)}).text());
    EXPECT_EQ(card["photo"]["url"], url);
    const CallResult photo = call("CardDav_GetvCardItem", {Arg::text("photo")});
    EXPECT_EQ(photo.error, 0);
    ASSERT_EQ(photo.type(), ValueType::container);
    const std::vector<Stream> streams = photo.container();
    EXPECT_TRUE(std::any_of(streams.begin(), streams.end(), [](const Stream& stream) {
        return stream.bytes == ProviderServer::pictureBytes();
    }));
}

void ProvidersLoopback::editsAndSaves() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    const std::string path = pathOf(shape().roles.edited);
    const std::string before = held(path);
    const json card =
        json::parse(call("CardDav_GetvCardJSON", {Arg::text(shape().roles.edited)}).text());
    EXPECT_EQ(call("CardDav_SetvCardJSON", {Arg::text(R"({"note":"Prefers calls"})")}).number(), 1);
    const CallResult saved = call("CardDav_SaveCard", {Arg::text(card["etag"])});
    EXPECT_EQ(saved.error, 0) << call("CardDav_LastErrorDetail").text();
    // A server that answers a PUT without its tag changed the card while storing it.
    EXPECT_EQ(saved.text(), shape().quirks.tagsPuts ? "Saved" : "Server data conflict!");
    const std::string after = held(path);
    EXPECT_TRUE(hasLine(after, "NOTE:Prefers calls")) << after;
    if (shape().keepsCardText) {
        // Every line the script did not change went back as it was.
        std::vector<std::string> kept = linesOf(after);
        for (const std::string& line : linesOf(before))
            EXPECT_NE(std::find(kept.begin(), kept.end(), line), kept.end()) << line;
        EXPECT_EQ(kept.size(), linesOf(before).size() + (hasLine(before, "NOTE:") ? 0 : 1));
    }
    // The tag kept is the server's, so the next save is no false conflict.
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("etag")}).text(), provider.book().tag(path));
}

void ProvidersLoopback::creates() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    // A card opened before: whatever becomes of the creation, the edits that follow never reach
    // it.
    const std::string opened = pathOf(shape().roles.edited);
    const std::string openedText = held(opened);
    call("CardDav_GetvCardJSON", {Arg::text(shape().roles.edited)});
    const std::size_t before = provider.book().texts().size();
    const CallResult created = call("CardDav_NewvCard", {Arg::text(provider.bookUrl())});
    call("CardDav_SetvCardJSON",
         {Arg::text(R"({"fields":{"displayname":"Katherine Johnson"},)"
                    R"("name":{"given":"Katherine","family":"Johnson"}})")});
    const CallResult saved = call("CardDav_SaveCard");
    EXPECT_EQ(held(opened), openedText) << "the new card's fields were saved over another card";

    ASSERT_EQ(created.error, 0) << call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(saved.error, 0) << call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(provider.book().texts().size(), before + 1);
    // The card is where, and under the UID, the server keeps it.
    const json card = json::parse(call("CardDav_GetvCardJSON").text());
    const std::optional<std::string> path = provider.pathOf(card["uid"]);
    ASSERT_TRUE(path) << card["uid"] << " is no UID the server holds";
    EXPECT_EQ(card["href"], provider.url(shape().homeHost, *path));
    EXPECT_TRUE(holdsValue(held(*path), "FN", "Katherine Johnson")) << held(*path);
    EXPECT_EQ(card["etag"], provider.book().tag(*path));
}

void ProvidersLoopback::setsGroups() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    const std::string uid = shape().roles.grouped;
    const std::string path = pathOf(uid);
    const std::string cardBefore = held(path);
    const std::map<std::string, std::string> before = provider.book().texts();
    EXPECT_EQ(call("CardDav_SetGroupStyle", {Arg::text("auto")}).number(), 1);
    const CallResult set =
        call("CardDav_SetvCardGroups", {Arg::text(uid), Arg::text("Clients\rVIP")});

    if (shape().groups == Groups::None) {
        // The server kept the group card as a contact of that name: it is gone again.
        EXPECT_EQ(set.error, 30);
        EXPECT_EQ(provider.book().texts(), before);
        // Categories are tried next, and found dropped; from then on nothing is sent.
        const std::vector<Arg> again = {Arg::text(uid), Arg::text("Clients")};
        EXPECT_EQ(call("CardDav_SetvCardGroups", again).error, 30);
        EXPECT_EQ(provider.book().texts().size(), before.size());
        const std::size_t sent = requestCount();
        const CallResult refused = call("CardDav_SetvCardGroups", again);
        EXPECT_EQ(refused.error, 30);
        EXPECT_EQ(refused.text(), "ERROR");
        EXPECT_EQ(requestCount(), sent);
        return;
    }
    EXPECT_EQ(set.error, 0) << call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(entries(call("CardDav_GetvCardGroups", {Arg::text(uid)}).text()),
              (std::set<std::string>{"Clients", "VIP"}));
    const std::map<std::string, std::string> after = provider.book().texts();
    if (shape().groups == Groups::Categories) {
        EXPECT_TRUE(hasLine(held(path), "CATEGORIES:Clients,VIP")) << held(path);
        EXPECT_EQ(after.size(), before.size());
        return;
    }
    // The existing group gained the member in its own dialect; a new group card holds it too.
    EXPECT_EQ(held(path), cardBefore);
    EXPECT_EQ(after.size(), before.size() + 1);
    for (const auto& [groupPath, text] : after) {
        if (!isGroupCard(text))
            continue;
        const std::string member =
            (hasLine(text, "KIND:group") ? "MEMBER:urn:uuid:"
                                         : "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:") +
            uid;
        EXPECT_TRUE(hasLine(text, member)) << text;
        if (before.count(groupPath))
            EXPECT_EQ(linesOf(text).size(), linesOf(before.at(groupPath)).size() + 1) << text;
        else
            EXPECT_TRUE(hasLine(text, "FN:VIP")) << text;
    }
}

void ProvidersLoopback::deletesWithTag() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    const std::string uid = shape().roles.deleted;
    const std::string path = pathOf(uid);
    // A tag the server no longer holds: the card stays.
    const CallResult stale = call("CardDav_DeleteCard", {Arg::text(uid), Arg::text("stale")});
    EXPECT_EQ(stale.error, 19);
    EXPECT_TRUE(provider.book().holds(path));
    const CallResult deleted =
        call("CardDav_DeleteCard", {Arg::text(uid), Arg::text(provider.book().tag(path))});
    EXPECT_EQ(deleted.error, 0) << call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(deleted.number(), 1);
    EXPECT_FALSE(provider.book().holds(path));
}

void ProvidersLoopback::givesServersOwnReason() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    EXPECT_EQ(
        call("CardDav_DeleteCard", {Arg::text(shape().roles.deleted), Arg::text("stale")}).error,
        19);
    const std::string reason = call("CardDav_LastErrorDetail").text();
    EXPECT_NE(reason.find("HTTP 412 Precondition Failed: An If-Match header was specified, but "
                          "none of the specified ETags matched."),
              std::string::npos)
        << reason;
}

void ProvidersLoopback::syncsIncrementally() {
    ASSERT_NO_FATAL_FAILURE(connectAndSelect());
    const std::string token = call("CardDav_GetSyncToken").text();
    const std::string book = shape().books[0].path;
    // Another client edits one card, deletes one and adds one.
    const std::string edited = pathOf(shape().roles.edited);
    std::string text = held(edited);
    text.insert(text.rfind("END:VCARD"), "NOTE:Moved to Lyon\r\n");
    provider.putAsAnotherClient(edited, text);
    provider.book().remove(pathOf(shape().roles.deleted));
    provider.putAsAnotherClient(book + "eve-added.vcf",
                                "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:eve-added\r\nFN:Eve "
                                "Evans\r\nEND:VCARD\r\n");

    // The Transport asks with Depth 1 where the server needs it: every change is listed.
    CardDavClient reader = client();
    std::set<std::string> seen;
    std::string from = token;
    for (int round = 0; round < 5; ++round) {
        Query answer = reader.sync_collection(provider.bookUrl(), from, CardDavClient::Depth::One);
        ASSERT_EQ(answer.status, 207);
        const syncanswer read =
            xmlParser().getSyncChanges(std::move(answer.body), provider.bookUrl()).value;
        for (const syncchange& change : read.changes)
            seen.insert(change.card.url);
        from = read.token;
        if (!read.truncated)
            break;
    }
    EXPECT_EQ(seen.size(), 3u);

    const CallResult changes = call("CardDav_GetChanges", {Arg::text(token)});
    EXPECT_EQ(changes.error, 0) << call("CardDav_LastErrorDetail").text();
    const std::string list = changes.text();
    EXPECT_NE(list.find("changed\t" + shape().roles.edited + "\t"), std::string::npos) << list;
    EXPECT_NE(list.find("deleted\t" + shape().roles.deleted + "\t"), std::string::npos) << list;
    EXPECT_NE(list.find("changed\teve-added\t"), std::string::npos) << list;
    EXPECT_EQ(call("CardDav_GetSyncToken").text(), provider.book().token());
    if (!shape().syncNeedsDepthOne)
        return;
    // The server's need is remembered: the next sync asks with Depth 1 at once.
    call("CardDav_GetChanges", {Arg::text(provider.book().token())});
    std::size_t depthZero = 0;
    for (const loopback::Request& request : provider.requests(shape().homeHost))
        depthZero += request.method == "REPORT" && request.header("Depth") == std::string("0");
    EXPECT_EQ(depthZero, 1u);
}

void ProvidersLoopback::refusesReadOnlyBook() {
    const std::map<std::string, std::string> before = provider.book(1).texts();
    // Known from the list of the books, before the book is ever selected.
    ASSERT_EQ(connect(shape().secret).error, 0);
    call("CardDav_GetAddressBookDetails");
    std::size_t sent = requestCount();
    EXPECT_EQ(call("CardDav_NewvCard", {Arg::text(provider.bookUrl(1))}).error, 29);
    EXPECT_EQ(requestCount(), sent) << "a write to a read-only book was sent";
    // Known from the book's own properties, asked at its selection.
    resetPluginState();
    ASSERT_NO_FATAL_FAILURE(connectAndSelect(1));
    sent = requestCount();
    EXPECT_EQ(call("CardDav_DeleteCard", {Arg::text(shape().books[1].cards[0].uid)}).error, 29);
    EXPECT_EQ(requestCount(), sent) << "a write to a read-only book was sent";
    EXPECT_EQ(provider.book(1).texts(), before);
}

void ProvidersLoopback::reportsWrongPassword() {
    EXPECT_EQ(connect("expired-" + shape().secret).error, 24);
    const std::string reason = call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(reason.rfind("Connect: HTTP 401 Unauthorized", 0), 0u) << reason;
}

struct StepRow {
    const char* name;
    void (ProvidersLoopback::*run)();
    // Whether the shape has what the step needs; null: every shape.
    bool (*applies)(const Shape&);
};

const StepRow kSteps[] = {
    {"Connect", &ProvidersLoopback::connects, nullptr},
    {"BookNames", &ProvidersLoopback::namesBooks, nullptr},
    {"Select", &ProvidersLoopback::selects, nullptr},
    {"ReadAllAsJson", &ProvidersLoopback::readsAllAsJson, nullptr},
    {"PhotoByUrl", &ProvidersLoopback::readsPhotoByUrl,
     [](const Shape& shape) { return !shape.pictures.empty(); }},
    {"EditAndSave", &ProvidersLoopback::editsAndSaves, nullptr},
    {"Create", &ProvidersLoopback::creates, nullptr},
    {"SetGroups", &ProvidersLoopback::setsGroups, nullptr},
    {"DeleteWithTag", &ProvidersLoopback::deletesWithTag, nullptr},
    {"ServersOwnReason", &ProvidersLoopback::givesServersOwnReason,
     [](const Shape& shape) { return shape.errors == ErrorBodies::SabreDav; }},
    {"IncrementalSync", &ProvidersLoopback::syncsIncrementally, nullptr},
    {"ReadOnlyBook", &ProvidersLoopback::refusesReadOnlyBook,
     [](const Shape& shape) { return shape.books.size() > 1 && !shape.books[1].writable; }},
    {"WrongPassword", &ProvidersLoopback::reportsWrongPassword, nullptr},
};

void PrintTo(const Case& param, std::ostream* out) {
    *out << param.shape->name << " " << kSteps[param.step].name;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const Shape& shape : providerShapes())
        for (std::size_t step = 0; step < std::size(kSteps); ++step)
            if (!kSteps[step].applies || kSteps[step].applies(shape))
                cases.push_back({&shape, step});
    return cases;
}

TEST_P(ProvidersLoopback, Job) {
    (this->*kSteps[GetParam().step].run)();
}

INSTANTIATE_TEST_SUITE_P(Shapes, ProvidersLoopback, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.shape->name + "_" + kSteps[info.param.step].name;
                         });

} // namespace
