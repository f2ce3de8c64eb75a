// Group membership functions against the loopback server: which requests they send, and what
// they make of answers a real server does not give on demand.
#include "CardStore.h"
#include "LoopbackBook.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A group card as another client wrote it: with properties of its own around the member lines.
std::string groupText(const std::string& uid, const std::string& fn,
                      const std::vector<std::string>& members) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Other Client//EN\r\nUID:" + uid +
                       "\r\nFN:" + fn + "\r\nN:" + fn +
                       ";;;;\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
                       "NOTE;language=en-us:shared\\, really\r\nX-OTHER-CLIENT;X-SORT=2:keep me\r\n"
                       "item1.X-ABLabel:\r\nX-Sort;x-key=\"a;b:c\":Grp\r\n";
    for (const std::string& member : members)
        text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member + "\r\n";
    return text + "END:VCARD\r\n";
}

class GroupsLoopback : public ::testing::Test, protected LoopbackBook {
protected:
    // A group listed in the cache and stored on the server alike.
    void storeGroup(const std::string& uid, const std::string& fn,
                    const std::vector<std::string>& members, const std::string& tag) {
        const addresscard& group = addGroup(uid, fn, members, tag);
        store.put(path(group.url), groupText(uid, fn, members), tag);
    }
    std::string methodsAndPaths() const {
        std::string list;
        for (const loopback::Request& request : server.requests())
            list += request.method + " " + request.target + " ";
        return list;
    }
    CallResult setGroups(const std::string& uid, const std::string& names) {
        return host.call("CardDav_SetvCardGroups", {Arg::text(uid), Arg::text(names)});
    }
    CallResult getGroups(const std::string& uid, bool refresh = false) {
        return host.call("CardDav_GetvCardGroups", {Arg::text(uid), Arg::boolean(refresh)});
    }
    double lastError() { return host.call("CardDav_LastError").number(); }
    std::string path(const std::string& url) const { return url.substr(server.baseUrl().size()); }

    CardStore store{server};
};

} // namespace

TEST_F(GroupsLoopback, NamesAlreadyHeldSendNoRequest) {
    addCard("c1");
    addCard("c2");
    addGroup("g1", "Family", {"c1"});
    addGroup("g2", "Work", {"x", "c1"});

    // Comma lists, and lists one name per line as a checkbox field gives them.
    for (const auto& [uid, names] : {std::pair<std::string, std::string>{"c1", "Work,Family,Work"},
                                     {"c1", "Family\rWork"},
                                     {"c1", "Work\r\nFamily\n"},
                                     {"c1", "\nWork\r\rFamily\r"},
                                     {"c2", ""},
                                     {"c2", ",,"},
                                     {"c2", "\r\n\r"}}) {
        const CallResult set = setGroups(uid, names);
        EXPECT_EQ(set.text(), "Saved") << names;
        EXPECT_EQ(set.error, 0);
    }
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(session().book.group("g2")->members, (std::vector<std::string>{"x", "c1"}));
}

TEST_F(GroupsLoopback, UnlistedCardTouchesNoGroup) {
    addGroup("g1", "Family", {"ghost"});
    const CallResult set = setGroups("ghost", "");
    EXPECT_EQ(set.text(), "Save failed: vcard not found");
    EXPECT_EQ(set.error, 3);
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(session().book.group("g1")->members.size(), 1u);
}

TEST_F(GroupsLoopback, NamesAreMatchedAsTheServerStoresThem) {
    // Listed names keep their escapes; the script writes them bare (or hands back the list).
    addCard("c1");
    addGroup("g1", "Team\\; Red", {"c1"});
    addGroup("g2", "A\\nB", {"c1"});
    storeGroup("g3", "Smith\\, Jones", {"c2"}, "s1");
    EXPECT_EQ(setGroups("c1", "Team; Red,A\\nB").text(), "Saved");
    EXPECT_EQ(setGroups("c1", "A\\nB\r\nTeam; Red").text(), "Saved");
    EXPECT_EQ(server.requestCount(), 0u) << "no duplicate group is created, none is left";

    // An escaped comma belongs to the name, so the listed name can be handed back.
    EXPECT_EQ(setGroups("c1", "Smith\\, Jones,Team; Red,A\\nB").text(), "Saved");
    EXPECT_EQ(methodsAndPaths(), "GET /alice/book/g3-file.vcf PUT /alice/book/g3-file.vcf ");
    EXPECT_NE(store.text("/alice/book/g3-file.vcf").find("FN:Smith\\, Jones\r\n"),
              std::string::npos);
    EXPECT_EQ(session().book.group("g3")->etag, store.tag("/alice/book/g3-file.vcf"));

    // Results give the names unescaped, as the JSON card does, but for a line break within one;
    // handed back, they name the same groups.
    EXPECT_EQ(getGroups("c1").text(), "Team; Red\rA\\nB\rSmith, Jones\r");
    EXPECT_EQ(setGroups("c1", getGroups("c1").text()).text(), "Saved");
}

TEST_F(GroupsLoopback, RefusedGroupWritesLeaveTheCacheAsTheServerHoldsIt) {
    addCard("c1");
    storeGroup("g1", "Family", {"c1"}, "f1");
    storeGroup("g2", "Work", {}, "w1");
    store.failNext("PUT", "/alice/book/g1-file.vcf", loopback::Response(403));
    store.failNext("PUT", "/alice/book/g2-file.vcf", loopback::Response(500));

    const CallResult set = setGroups("c1", "Work");
    EXPECT_EQ(set.text(), "ERRORFailed to remove from group: Family\rSave failed: Work\r");
    EXPECT_EQ(set.error, 43) << "the code of the first failed write";
    EXPECT_EQ(lastError(), 43);
    EXPECT_EQ(session().book.group("g1")->members, std::vector<std::string>{"c1"});
    EXPECT_EQ(session().book.group("g1")->etag, "f1");
    EXPECT_TRUE(session().book.group("g2")->members.empty());
    EXPECT_EQ(getGroups("c1").text(), "Family\r");

    // The script tries again, and this time the writes go through.
    server.clearRequests();
    EXPECT_EQ(setGroups("c1", "Work").text(), "Saved");
    EXPECT_EQ(server.requestCount(), 4u);
    EXPECT_EQ(store.text("/alice/book/g1-file.vcf"), groupText("g1", "Family", {}));
    EXPECT_EQ(store.text("/alice/book/g2-file.vcf"), groupText("g2", "Work", {"c1"}));
    EXPECT_EQ(getGroups("c1").text(), "Work\r");
}

TEST_F(GroupsLoopback, GroupChangedInBetweenIsFetchedAndChangedAgainOnce) {
    addCard("c1");
    storeGroup("g1", "Family", {"c1"}, "f1");
    const std::string path = "/alice/book/g1-file.vcf";
    // Another client adds a member between the plug-in's fetch and its PUT.
    store.beforeNextPut(path, [&] {
        store.put(path, groupText("g1", "Family", {"c1", "x"}), "f2");
    });

    EXPECT_EQ(setGroups("c1", "").text(), "Saved");
    EXPECT_EQ(methodsAndPaths(),
              "GET " + path + " PUT " + path + " GET " + path + " PUT " + path + " ");
    EXPECT_EQ(store.text(path), groupText("g1", "Family", {"x"}));
    EXPECT_EQ(session().book.group("g1")->members, std::vector<std::string>{"x"});

    // Changed again behind its back on the second try too: reported, nothing overwritten.
    storeGroup("g1", "Family", {"x", "c1"}, "f3");
    store.beforeNextPut(path, [&] { store.put(path, groupText("g1", "Fam", {"x", "c1"}), "f4"); });
    // The first PUT is refused, and the card changes again before the second one.
    store.failNext("PUT", path, loopback::Response(412));
    server.clearRequests();
    const CallResult set = setGroups("c1", "");
    EXPECT_EQ(set.text(), "ERRORFailed to remove from group: Family\r");
    EXPECT_EQ(set.error, -1);
    EXPECT_EQ(server.requestCount(), 4u);
    EXPECT_EQ(store.text(path), groupText("g1", "Fam", {"x", "c1"}));
}

TEST_F(GroupsLoopback, GroupCardGoneOrUnreadableIsAFailure) {
    addCard("c1");
    addGroup("g1", "Family", {"c1"}, "f1"); // listed, but deleted by another client since
    const CallResult gone = setGroups("c1", "");
    EXPECT_EQ(gone.text(), "ERRORFailed to remove from group: Family\r");
    EXPECT_EQ(gone.error, 44);
    EXPECT_EQ(methodsAndPaths(), "GET /alice/book/g1-file.vcf ");

    store.put("/alice/book/g1-file.vcf", "<html>not a card</html>", "f1");
    server.clearRequests();
    EXPECT_EQ(setGroups("c1", "").error, -1);
    EXPECT_EQ(methodsAndPaths(), "GET /alice/book/g1-file.vcf ") << "nothing is written";
    EXPECT_EQ(store.text("/alice/book/g1-file.vcf"), "<html>not a card</html>");
}

TEST_F(GroupsLoopback, GroupWriteAnsweredWithoutTagAsksForIt) {
    addCard("c1");
    storeGroup("g1", "Family", {"c1"}, "f1");
    store.failNext("PUT", "/alice/book/g1-file.vcf", loopback::Response(204));

    EXPECT_EQ(setGroups("c1", "").text(), "Saved");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].requestLine, "PROPFIND /alice/book/g1-file.vcf HTTP/1.1");
    EXPECT_EQ(requests[2].header("Depth"), std::optional<std::string>("0"));
    EXPECT_EQ(session().book.group("g1")->etag, "f1");
}

TEST_F(GroupsLoopback, ACheckboxListCreatesOneGroupPerLine) {
    addCard("c1");
    EXPECT_EQ(setGroups("c1", "Clients\rVIP\r\n").text(), "Saved");
    std::vector<std::string> names;
    for (const auto& [uid, group] : session().book.groups())
        names.push_back(group.fn);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Clients", "VIP"}));
    const std::string listed = getGroups("c1").text();
    EXPECT_TRUE(listed == "Clients\rVIP\r" || listed == "VIP\rClients\r") << listed;
}

TEST_F(GroupsLoopback, FailedCreationIsReportedAndCachedNowhere) {
    addCard("c1");
    server.enqueue(loopback::Response(403));
    const CallResult refused = setGroups("c1", "New");
    EXPECT_EQ(refused.text(), "ERRORFailed toi add new group: New\r");
    EXPECT_EQ(refused.error, 43);
    EXPECT_TRUE(session().book.groups().empty());
    EXPECT_EQ(session().book.cards().size(), 1u);

    // Created but not readable back: the group is not cached either.
    server.clearRequests();
    server.enqueue(loopback::Response(201));
    server.enqueue(loopback::Response(500));
    const CallResult unread = setGroups("c1", "New");
    EXPECT_EQ(unread.text(), "ERRORFailed toi add new group: New\r");
    EXPECT_EQ(unread.error, 47);
    EXPECT_EQ(lastError(), 47);
    EXPECT_TRUE(session().book.groups().empty());
    EXPECT_EQ(session().book.cards().size(), 1u);
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
    session().root_address_url.clear();
    const CallResult get = getGroups("c1");
    EXPECT_EQ(get.text(), "ERROR");
    EXPECT_EQ(get.error, 11);
    const CallResult set = setGroups("c1", "New");
    EXPECT_EQ(set.text(), "ERROR");
    EXPECT_EQ(set.error, 11);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(GroupsLoopback, AGroupIsDeletedOnlyAtTheTagItIsKnownAtAndRenamedLineByLine) {
    addCard("c1");
    storeGroup("g1", "Family", {"c1"}, "f1");
    storeGroup("g2", "Work", {"c1"}, "w1");
    // Another client added a member to Family since the book was read.
    store.put(path(session().book.group("g1")->url), groupText("g1", "Family", {"c1", "c9"}), "f2");
    const CallResult refused = host.call("CardDav_DeleteGroup", {Arg::text("Family")});
    EXPECT_EQ(refused.number(), 0);
    EXPECT_EQ(refused.error, 19);
    EXPECT_TRUE(store.holds(path(session().book.group("g1")->url)));
    EXPECT_NE(session().book.group("g1"), nullptr);

    // A rename changes the name lines alone; a group another client deleted counts as deleted.
    ASSERT_EQ(host.call("CardDav_RenameGroup", {Arg::text("Work"), Arg::text("Jobs, old")}).error,
              0);
    const std::string renamed = store.text(path(session().book.group("g2")->url));
    std::string expected = groupText("g2", "Work", {"c1"});
    expected.replace(expected.find("FN:Work\r\nN:Work;"), 16, "FN:Jobs\\, old\r\nN:Jobs\\, old;");
    EXPECT_EQ(renamed, expected);
    EXPECT_EQ(getGroups("c1").text(), "Family\rJobs, old\r");
    store.remove(path(session().book.group("g2")->url));
    EXPECT_EQ(host.call("CardDav_DeleteGroup", {Arg::text("Jobs\\, old")}).number(), 1);
    EXPECT_EQ(session().book.group("g2"), nullptr);
    EXPECT_EQ(host.call("CardDav_DeleteGroup", {Arg::text("Nobody")}).error, 36);
}
