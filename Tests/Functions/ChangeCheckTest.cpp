// Change detection against a book of either server, with another client changing and deleting
// the card.
#include "BookOnServer.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

class ChangeCheck : public OnBothServers {
protected:
    void SetUp() override {
        book.put("ada", makeCard("uid-ada", "Ada"));
        book.select();
        ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uid-ada")}).number(), 1);
        tag = call("CardDav_GetvCardItem", {Arg::text("etag")}).text();
        ASSERT_FALSE(tag.empty());
    }

    CallResult check(const std::string& uid, const std::string& heldTag) {
        return call("CardDav_CheckvCardIfChanged", {Arg::text(uid), Arg::text(heldTag)});
    }

    std::string tag;
};

TEST_P(ChangeCheck, TellsUnchangedChangedAndDeletedCards) {
    const CallResult fresh = check("uid-ada", tag);
    EXPECT_EQ(fresh.text(), "Not changed!");
    EXPECT_EQ(fresh.error, 0);
    EXPECT_EQ(check("uid-ada", "\"" + tag + "\"").text(), "Changed!");

    book.put("ada", makeCard("uid-ada", "Ada King"));
    EXPECT_EQ(check("uid-ada", tag).text(), "Changed!");

    book.remove("ada");
    const CallResult deleted = check("uid-ada", tag);
    EXPECT_EQ(deleted.text(), "Deleted!");
    EXPECT_EQ(deleted.error, 0);
    EXPECT_EQ(session().book.cards().count("uid-ada"), 1u) << "kept until the book is listed again";
}

TEST_P(ChangeCheck, LoadedMappingServesTheCardsFetchedAfterIt) {
    book.put("bob", makeCard("uid-bob", "Bob", "TEL;TYPE=CELL:+49 1\nEMAIL:bob@example.org"));
    book.select();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uid-bob")}).number(), 1);
    const auto item = [&](const std::string& name) {
        return call("CardDav_GetvCardItem", {Arg::text(name)}).text();
    };
    EXPECT_EQ(item("celltel"), "+49 1");

    char dir[] = "/tmp/talvero-mapping-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/map.csv";
    FILE* out = fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fputs("mobile,tel,CELL\nmail,email\n", out);
    fclose(out);
    const CallResult set = call("CardDav_SetMapping", {Arg::text(file)});
    remove(file.c_str());
    rmdir(dir);
    EXPECT_EQ(set.number(), 1);
    EXPECT_EQ(set.error, 0);

    EXPECT_EQ(item("celltel"), "+49 1") << "the card fetched before keeps its vocabulary";
    EXPECT_EQ(item("mobile"), "");
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uid-bob")}).number(), 1);
    EXPECT_EQ(item("mobile"), "+49 1");
    EXPECT_EQ(item("mail"), "bob@example.org");
    EXPECT_EQ(item("celltel"), "");
}

INSTANTIATE_ON_BOTH_SERVERS(ChangeCheck);

} // namespace
