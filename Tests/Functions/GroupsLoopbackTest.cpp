// Group membership functions against the loopback server: which requests they send, and what
// they make of answers a real server does not give on demand.
#include "LoopbackBook.h"

#include <gtest/gtest.h>

namespace {

class GroupsLoopback : public ::testing::Test, protected LoopbackBook {
protected:
    CallResult setGroups(const std::string& uid, const std::string& names) {
        return host.call("CardDav_SetvCardGroups", {Arg::text(uid), Arg::text(names)});
    }
    CallResult getGroups(const std::string& uid, bool refresh = false) {
        return host.call("CardDav_GetvCardGroups", {Arg::text(uid), Arg::boolean(refresh)});
    }
    double lastError() { return host.call("CardDav_LastError").number(); }
    std::string path(const std::string& url) const { return url.substr(server.baseUrl().size()); }
};

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST_F(GroupsLoopback, NamesAlreadyHeldSendNoRequest) {
    addCard("c1");
    addCard("c2");
    addGroup("g1", "Family", {"c1"});
    addGroup("g2", "Work", {"x", "c1"});

    for (const auto& [uid, names] : {std::pair<std::string, std::string>{"c1", "Work,Family,Work"},
                                     {"c2", ""},
                                     {"c2", ",,"}}) {
        const CallResult set = setGroups(uid, names);
        EXPECT_EQ(set.text(), "Saved") << names;
        EXPECT_EQ(set.error, 0);
    }
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g2").members,
              (std::vector<std::string>{"x", "c1"}));
}

TEST_F(GroupsLoopback, UnlistedCardTouchesNoGroup) {
    addGroup("g1", "Family", {"ghost"});
    const CallResult set = setGroups("ghost", "");
    EXPECT_EQ(set.text(), "Save failed: vcard not found");
    EXPECT_EQ(set.error, 3);
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g1").members.size(), 1u);
}

TEST_F(GroupsLoopback, NamesAreMatchedAsTheServerStoresThem) {
    // Listed names keep their escapes; the script writes them bare (or hands back the list).
    addCard("c1");
    addGroup("g1", "Team\\; Red", {"c1"});
    addGroup("g2", "A\\nB", {"c1"});
    addGroup("g3", "Smith\\, Jones", {"c2"}, "s1");
    EXPECT_EQ(setGroups("c1", "Team; Red,A\rB").text(), "Saved");
    EXPECT_EQ(setGroups("c1", "A\r\nB,Team\\; Red").text(), "Saved");
    EXPECT_EQ(server.requestCount(), 0u) << "no duplicate group is created, none is left";

    // An escaped comma belongs to the name, so the listed name can be handed back.
    server.enqueue(loopback::Response(204, {"ETag: \"s2\""}));
    EXPECT_EQ(setGroups("c1", "Smith\\, Jones,Team; Red,A\\nB").text(), "Saved");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.lastRequest().target, "/alice/book/g3-file.vcf");
    EXPECT_NE(server.lastRequest().body.find("FN:Smith\\, Jones\r\n"), std::string::npos);
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g3").etag, "s2");

    // Results keep the names as written, like every other read.
    EXPECT_EQ(getGroups("c1").text(), "Team\\; Red\rA\\nB\rSmith\\, Jones\r");
}

TEST_F(GroupsLoopback, LeavesAndJoinsGroupsInNameOrderGuardedByTheirTags) {
    addCard("c1");
    addGroup("g1", "Old", {"c1", "m", "c1"}, "o1");
    addGroup("g2", "Work", {"m"}, "w1");
    addGroup("g3", "Family", {}, "f1");
    server.enqueue(loopback::Response(204, {"ETag: \"o2\""}));
    server.enqueue(loopback::Response(204, {"ETag: \"f2\""}));
    server.enqueue(loopback::Response(200, {"etag: \"w2\""}));

    const CallResult set = setGroups("c1", "Work,Work,Family");
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].requestLine, "PUT /alice/book/g1-file.vcf HTTP/1.1");
    EXPECT_EQ(requests[0].header("If-Match"), std::optional<std::string>("\"o1\""));
    EXPECT_EQ(occurrences(requests[0].body, "urn:uuid:c1"), 0u);
    EXPECT_EQ(occurrences(requests[0].body, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m\r\n"), 1u);
    EXPECT_EQ(requests[1].target, "/alice/book/g3-file.vcf");
    EXPECT_EQ(requests[1].header("If-Match"), std::optional<std::string>("\"f1\""));
    EXPECT_EQ(occurrences(requests[1].body, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:c1\r\n"), 1u);
    EXPECT_EQ(requests[2].target, "/alice/book/g2-file.vcf");

    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g1").members,
              std::vector<std::string>{"m"});
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g1").etag, "o2");
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g3").etag, "f2");
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g2").members,
              (std::vector<std::string>{"m", "c1"}));
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g2").etag, "w2");
}

TEST_F(GroupsLoopback, RefusedGroupWritesAreListedAndKeptInMemory) {
    addCard("c1");
    addGroup("g1", "Family", {"c1"}, "f1");
    addGroup("g2", "Work", {}, "w1");
    server.enqueue(loopback::Response(412));
    server.enqueue(loopback::Response(500));

    const CallResult set = setGroups("c1", "Work");
    EXPECT_EQ(set.text(), "ERRORFailed to remove from group: Family\rSave failed: Work\r");
    EXPECT_EQ(set.error, -1) << "the code of the first failed write";
    EXPECT_EQ(lastError(), -1);
    EXPECT_TRUE(plugin_state.current_addressbook_groups.at("g1").members.empty());
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g1").etag, "f1");
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g2").members,
              std::vector<std::string>{"c1"});

    // One refused removal alone.
    addGroup("g1", "Family", {"c1"}, "f1");
    server.enqueue(loopback::Response(412));
    const CallResult again = setGroups("c1", "Work");
    EXPECT_EQ(again.text(), "ERRORFailed to remove from group: Family\r");
    EXPECT_EQ(again.error, -1);
}

TEST_F(GroupsLoopback, GroupWriteAnsweredWithoutTagAsksForIt) {
    addCard("c1");
    addGroup("g1", "Family", {"c1"}, "f1");
    server.enqueue(loopback::Response(204));
    server.enqueue(multistatusAnswer(etagListing({{"/alice/book/g1-file.vcf", "f2"}})));

    EXPECT_EQ(setGroups("c1", "").text(), "Saved");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].requestLine, "PROPFIND /alice/book/g1-file.vcf HTTP/1.1");
    EXPECT_EQ(requests[1].header("Depth"), std::optional<std::string>("0"));
    EXPECT_EQ(plugin_state.current_addressbook_groups.at("g1").etag, "f2");
}

TEST_F(GroupsLoopback, MissingGroupIsCreatedOnceAndFoundByTheNextCall) {
    addCard("c1");
    addCard("c2");
    server.enqueue(loopback::Response(404));
    server.enqueue(loopback::Response(201, {"ETag: \"n1\""}));

    const CallResult created = setGroups("c1", " New");
    EXPECT_EQ(created.text(), "Saved");
    EXPECT_EQ(created.error, 0);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[1].method, "PUT");
    EXPECT_EQ(requests[1].target, requests[0].target) << "the free identifier is used";
    EXPECT_EQ(requests[1].header("If-None-Match"), std::optional<std::string>("*"));
    const std::string& body = requests[1].body;
    EXPECT_NE(body.find("\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("\r\nFN: New\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("\r\nN: New;;;;\r\n"), std::string::npos) << body;
    EXPECT_EQ(occurrences(body, "X-ADDRESSBOOKSERVER-MEMBER:"), 1u);
    EXPECT_EQ(occurrences(body, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:c1\r\n"), 1u);

    // Cached among the groups under its UID; the cards stay the cards.
    EXPECT_EQ(plugin_state.current_addressbook.size(), 2u);
    ASSERT_EQ(plugin_state.current_addressbook_groups.size(), 1u);
    const addresscard& group = plugin_state.current_addressbook_groups.begin()->second;
    EXPECT_NE(body.find("\r\nUID:" + group.uid + "\r\n"), std::string::npos);
    EXPECT_TRUE(group.isgroup);
    EXPECT_EQ(group.fn, " New");
    EXPECT_EQ(group.etag, "n1");
    EXPECT_EQ(path(group.url), requests[1].target);
    EXPECT_EQ(group.displayname, group.cardid + ".vcf");
    EXPECT_EQ(getGroups("c1").text(), " New\r");

    // A second card given the same new name joins that group instead of creating another.
    server.enqueue(loopback::Response(204, {"ETag: \"n2\""}));
    EXPECT_EQ(setGroups("c2", " New").text(), "Saved");
    requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].method, "PUT");
    EXPECT_EQ(requests[2].target, requests[1].target);
    EXPECT_EQ(requests[2].header("If-Match"), std::optional<std::string>("\"n1\""));
    EXPECT_EQ(occurrences(requests[2].body, "X-ADDRESSBOOKSERVER-MEMBER:"), 2u);
    EXPECT_EQ(plugin_state.current_addressbook_groups.size(), 1u);
}

TEST_F(GroupsLoopback, FailedCreationIsReportedAndCachedNowhere) {
    addCard("c1");
    server.enqueue(loopback::Response(404));
    server.enqueue(loopback::Response(403));
    const CallResult refused = setGroups("c1", "New");
    EXPECT_EQ(refused.text(), "ERRORFailed toi add new group: New\r");
    EXPECT_EQ(refused.error, 43);
    EXPECT_TRUE(plugin_state.current_addressbook_groups.empty());
    EXPECT_EQ(plugin_state.current_addressbook.size(), 1u);

    // No free identifier: every probe finds a card; nothing is PUT.
    server.clearRequests();
    server.setHandler([](const loopback::Request&) { return loopback::Response(200); });
    const CallResult noId = setGroups("c1", "New");
    EXPECT_EQ(noId.text(), "ERRORFailed toi add new group: New\r");
    EXPECT_EQ(noId.error, -1);
    EXPECT_EQ(lastError(), -1);
    const auto requests = server.requests();
    EXPECT_EQ(requests.size(), static_cast<std::size_t>(CardDavClient::kMaxNewIdProbes));
    for (const auto& request : requests)
        EXPECT_EQ(request.method, "GET");
    EXPECT_TRUE(plugin_state.current_addressbook_groups.empty());
    EXPECT_EQ(plugin_state.current_addressbook.size(), 1u);
}

TEST_F(GroupsLoopback, ListingKeepsTheHeldGroupsWhenTheRefreshFails) {
    addCard("c1");
    addGroup("g2", "Work", {"c1"});
    addGroup("g1", "Family", {"x", "c1"});
    addGroup("g3", "Other", {"x"});
    const CallResult held = getGroups("c1");
    EXPECT_EQ(held.text(), "Family\rWork\r");
    EXPECT_EQ(held.error, 0);
    EXPECT_EQ(server.requestCount(), 0u);

    server.enqueue(loopback::Response(500));
    const CallResult refreshed = getGroups("c1", true);
    EXPECT_EQ(refreshed.text(), "Family\rWork\r");
    EXPECT_EQ(refreshed.error, 47);
    EXPECT_EQ(lastError(), 0) << "a listing does not record the refresh's code";
    EXPECT_EQ(server.lastRequest().method, "REPORT");

    const CallResult unknown = getGroups("nobody");
    EXPECT_EQ(unknown.text(), "ERROR");
    EXPECT_EQ(unknown.error, 3);
    EXPECT_EQ(lastError(), 3);
}

TEST_F(GroupsLoopback, BothFunctionsNeedAnAddressBookHome) {
    addCard("c1");
    plugin_state.root_address_url.clear();
    const CallResult get = getGroups("c1");
    EXPECT_EQ(get.text(), "ERROR");
    EXPECT_EQ(get.error, 11);
    const CallResult set = setGroups("c1", "New");
    EXPECT_EQ(set.text(), "ERROR");
    EXPECT_EQ(set.error, 11);
    EXPECT_EQ(server.requestCount(), 0u);
}
