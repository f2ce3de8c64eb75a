// Change detection against a real server (Radicale on loopback), with another client changing
// and deleting the card.
#include "ConnectedPlugin.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

class ChangeCheckRadicale : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.putCard("ada", makeCard("uid-ada", "Ada"));
        plugin.selectBook();
        ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-ada")}).number(), 1);
        tag = plugin.host.call("CardDav_GetvCardItem", {Arg::text("etag")}).text();
        ASSERT_FALSE(tag.empty());
    }

    CallResult check(const std::string& uid, const std::string& heldTag) {
        return plugin.host.call("CardDav_CheckvCardIfChanged",
                                {Arg::text(uid), Arg::text(heldTag)});
    }

    ConnectedPlugin plugin;
    std::string tag;
};

} // namespace

TEST_F(ChangeCheckRadicale, TellsUnchangedChangedAndDeletedCards) {
    const CallResult fresh = check("uid-ada", tag);
    EXPECT_EQ(fresh.text(), "Not changed!");
    EXPECT_EQ(fresh.error, 0);
    EXPECT_EQ(check("uid-ada", "\"" + tag + "\"").text(), "Changed!");

    plugin.putCard("ada", makeCard("uid-ada", "Ada King"));
    EXPECT_EQ(check("uid-ada", tag).text(), "Changed!");

    ASSERT_EQ(plugin.peer.remove(plugin.bookPath + "ada.vcf").status, 200);
    const CallResult deleted = check("uid-ada", tag);
    EXPECT_EQ(deleted.text(), "Deleted!");
    EXPECT_EQ(deleted.error, 0);
    EXPECT_EQ(session().book.cards().count("uid-ada"), 1u) << "kept until the book is listed again";
}

TEST_F(ChangeCheckRadicale, UnknownCardIsAnErrorWithoutCode) {
    const CallResult unknown = check("uid-nobody", tag);
    EXPECT_EQ(unknown.text(), "ERROR");
    EXPECT_EQ(unknown.error, 0);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 0);
}

TEST_F(ChangeCheckRadicale, LoadedMappingServesTheCardsFetchedAfterIt) {
    plugin.putCard("bob", makeCard("uid-bob", "Bob", "TEL;TYPE=CELL:+49 1\nEMAIL:bob@example.org"));
    plugin.selectBook();
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-bob")}).number(), 1);
    const auto item = [&](const std::string& name) {
        return plugin.host.call("CardDav_GetvCardItem", {Arg::text(name)}).text();
    };
    EXPECT_EQ(item("celltel"), "+49 1");

    char dir[] = "/tmp/talvero-mapping-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/map.csv";
    FILE* out = fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fputs("mobile,tel,CELL\nmail,email\n", out);
    fclose(out);
    const CallResult set = plugin.host.call("CardDav_SetMapping", {Arg::text(file)});
    remove(file.c_str());
    rmdir(dir);
    EXPECT_EQ(set.number(), 1);
    EXPECT_EQ(set.error, 0);

    EXPECT_EQ(item("celltel"), "+49 1") << "the card fetched before keeps its vocabulary";
    EXPECT_EQ(item("mobile"), "");
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-bob")}).number(), 1);
    EXPECT_EQ(item("mobile"), "+49 1");
    EXPECT_EQ(item("mail"), "bob@example.org");
    EXPECT_EQ(item("celltel"), "");
}
