#include "Engine/Groups.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/GroupKeeping.h"
#include "Engine/ServerWrites.h"
#include "Engine/WriteChecks.h"
#include "Platform/RandomUuid.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardCategories.h"
#include "vCard/vCardGroup.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardText.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

bool hasMember(const addresscard& group, const std::string& uid) {
    return std::find(group.members.begin(), group.members.end(), uid) != group.members.end();
}

// Replaces the known groups with the group cards the server lists for the selected address
// book. On failure what is known stays as it was.
Verdict refreshGroups(Session& session) {
    SelectedBook& book = session.book;
    Listing listing = listAddressBook(session, book.url());
    if (!listing.verdict.ok())
        return std::move(listing.verdict);
    // The group cards as the server lists them now; the ordinary cards stay as they were known.
    std::vector<std::string> gone;
    for (const auto& [uid, group] : book.groups())
        gone.push_back(uid);
    for (const std::string& uid : gone)
        book.remove(uid);
    for (std::size_t i = 0; i < listing.cards.cards.size(); ++i) {
        addresscard& card = listing.cards.cards[i];
        if (card.isgroup && !card.uid.empty())
            book.put(std::move(card), std::move(listing.cards.texts[i]));
    }
    return {};
}

// Reads the card `uid` again from the server for its categories. On failure what is known stays
// as it was.
Verdict refreshCategories(Session& session, const std::string& uid) {
    addresscard* card = session.book.card(uid);
    if (!card)
        return {};
    const Query answer = session.cd.get_vcard(card->url);
    Verdict fetched = judgeStatus(session.cd, answer);
    if (!fetched.ok())
        return fetched;
    card->categories = readCardSummary(answer.body).categories;
    const std::string tag = getEtag(answer.headers);
    if (!tag.empty())
        session.book.retag(uid, tag);
    return {};
}

struct WantedGroup {
    std::string name; // as the script wrote it
    std::string fnValue;
};

// The names of a list, without empty ones, sorted byte-wise, each group once (two spellings of
// one FN value, such as "a;b" written escaped and bare, name the same group). A list that holds a
// line break has one name per line, as a checkbox field or a list of GetvCardGroups gives them
// ("Clients" CR "Family, friends", with CR, LF or CR LF between them): a comma there belongs to
// the name. A list of one line is comma-separated, a comma escaped with a backslash belonging to
// the name. No name holds a line break.
std::vector<WantedGroup> wantedGroups(const std::string& list) {
    std::vector<std::string> names;
    const bool byLine = list.find_first_of("\r\n") != std::string::npos;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find_first_of("\r\n", start), list.size());
        const std::string line = list.substr(start, end - start);
        if (byLine)
            names.push_back(line);
        else
            for (std::string& name : splitUnescaped(line, ','))
                names.push_back(std::move(name));
        start = end + 1;
    }
    names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    std::sort(names.begin(), names.end());
    std::vector<WantedGroup> wanted;
    for (std::string& name : names) {
        std::string fnValue = groupFnValue(name);
        const bool seen = std::any_of(wanted.begin(), wanted.end(),
                                      [&](const WantedGroup& w) { return w.fnValue == fnValue; });
        if (!seen)
            wanted.push_back({std::move(name), std::move(fnValue)});
    }
    return wanted;
}

// The outcome of the group writes of one call: the first failure's code, and a line for each
// write that failed.
struct GroupWrites {
    FirstFailure first;
    std::vector<std::string> failures;

    void record(Verdict write, const std::string& failureLine) {
        if (!write.ok())
            failures.push_back(failureLine);
        first.record(std::move(write));
    }
};

// Takes the card out of every group it is in that is not wanted; drops from `wanted` the
// groups it already is in.
void leaveUnwantedGroups(Session& session, const std::string& uid, std::vector<WantedGroup>& wanted,
                         GroupWrites& writes) {
    for (auto& [groupUid, group] : session.book.groupsToEdit()) {
        if (!hasMember(group, uid))
            continue;
        const std::string fnValue = groupFnValue(group.fn);
        const auto isThisGroup = [&](const WantedGroup& w) { return w.fnValue == fnValue; };
        const auto kept = std::remove_if(wanted.begin(), wanted.end(), isThisGroup);
        if (kept == wanted.end())
            writes.record(changeGroupMembership(session.cd, group, uid, Membership::Leave),
                          "Failed to remove from group: " + group.fn);
        wanted.erase(kept, wanted.end());
    }
}

// Creates a group holding the card alone. Only a group the server accepted is cached, under its
// UID among the groups, so that the next call finds it instead of creating it again.
void createGroup(Session& session, const std::string& uid, const WantedGroup& name,
                 GroupWrites& writes) {
    // The server may have shown, at an earlier group of this call, that it keeps none.
    CreatedCard created{groupsKeptIn(session, GroupStyle::Cards), false, {}};
    if (created.verdict.ok())
        created = createCard(session.cd, session.book.url(),
                             newCardText(newguid(), name.fnValue, true, {uid}));
    if (created.verdict.ok())
        created.verdict = judgeCreatedGroup(session, created.card.record);
    const bool ok = created.verdict.ok();
    writes.record(std::move(created.verdict), "Failed toi add new group: " + name.name);
    if (ok)
        session.book.put(std::move(created.card.record), std::move(created.card.text));
}

// Adds the card to every group bearing each wanted name, creating the groups that do not exist.
void joinWantedGroups(Session& session, const std::string& uid,
                      const std::vector<WantedGroup>& wanted, GroupWrites& writes) {
    for (const WantedGroup& name : wanted) {
        bool exists = false;
        for (auto& [groupUid, group] : session.book.groupsToEdit()) {
            if (groupFnValue(group.fn) != name.fnValue)
                continue;
            exists = true;
            writes.record(changeGroupMembership(session.cd, group, uid, Membership::Join),
                          "Save failed: " + name.name);
        }
        if (!exists)
            createGroup(session, uid, name, writes);
    }
}

bool bookShowsCategories(const Session& session) {
    const auto& cards = session.book.cards();
    return std::any_of(cards.begin(), cards.end(),
                       [](const auto& entry) { return !entry.second.categories.empty(); });
}

// Gives the card exactly the categories `names` on the server: its CATEGORIES line alone changes,
// the names it keeps in its own order and the new ones after them.
Verdict writeCategories(Session& session, const std::string& uid,
                        const std::vector<std::string>& names) {
    return changeCardOnServer(session.cd, *session.book.card(uid), [&](vCard& card) {
        std::vector<std::string> ordered;
        for (const std::string& held : categoryNames(card))
            if (std::find(names.begin(), names.end(), held) != names.end())
                ordered.push_back(held);
        for (const std::string& name : names)
            if (std::find(ordered.begin(), ordered.end(), name) == ordered.end())
                ordered.push_back(name);
        if (ordered == categoryNames(card))
            return false;
        setCategoryNames(card, ordered);
        return true;
    });
}

// Gives the card exactly the wanted categories (writeCategories). Where no card of the book showed
// categories before, the card is read again, to learn whether the server kept them.
Verdict setCategories(Session& session, const std::string& uid,
                      const std::vector<WantedGroup>& wanted) {
    std::vector<std::string> names;
    for (const WantedGroup& name : wanted)
        names.push_back(unescapedText(name.name));
    const bool shownBefore = bookShowsCategories(session);
    Verdict written = writeCategories(session, uid, names);
    if (!written.ok() || shownBefore)
        return written;
    Verdict read = refreshCategories(session, uid);
    if (!read.ok())
        return read;
    return judgeKeptCategories(session, *session.book.card(uid), names);
}

} // namespace

std::string groupFnValue(const std::string& name) {
    // Group names read from the server keep their escapes; escaping is idempotent.
    return escapeValue(name, escapedSeparators("FN", {}), LineBreaks::Escape);
}

GroupStyle groupStyleInForce(const Session& session) {
    if (session.group_style != GroupStyle::Auto || !session.book.isSelected())
        return session.group_style;
    if (!session.book.groups().empty())
        return GroupStyle::Cards;
    if (bookShowsCategories(session))
        return GroupStyle::Categories;
    // Where the server turned a group card into a contact, categories are what is left to try.
    const ServerFacts& facts = session.cd.server_facts();
    return facts.dropsGroupCards && !facts.dropsCategories ? GroupStyle::Categories
                                                           : GroupStyle::Cards;
}

std::vector<std::string> groupNamesOf(const Session& session, const std::string& uid) {
    std::vector<std::string> names;
    if (groupStyleInForce(session) == GroupStyle::Categories) {
        if (const addresscard* card = session.book.card(uid))
            for (const std::string& category : card->categories)
                names.push_back(escapedText(category));
        return names;
    }
    for (const auto& [groupUid, group] : session.book.groups())
        if (hasMember(group, uid))
            names.push_back(group.fn);
    return names;
}

std::vector<std::string> bookGroupNames(const Session& session) {
    std::vector<std::string> names;
    if (groupStyleInForce(session) == GroupStyle::Categories) {
        std::set<std::string> distinct;
        for (const auto& [uid, card] : session.book.cards())
            distinct.insert(card.categories.begin(), card.categories.end());
        for (const std::string& category : distinct)
            names.push_back(escapedText(category));
        return names;
    }
    for (const auto& [uid, group] : session.book.groups())
        names.push_back(group.fn);
    return names;
}

std::vector<std::string> shownGroupNames(const std::vector<std::string>& names) {
    std::vector<std::string> shown;
    for (const std::string& name : names) {
        // A line break cannot stand in a list of one name per line: it stays escaped.
        std::string text;
        for (const char c : unescapedText(name))
            text += c == '\r' ? std::string("\\n") : c == '\n' ? std::string() : std::string(1, c);
        shown.push_back(std::move(text));
    }
    return shown;
}

Verdict refreshGroupsOf(Session& session, const std::string& uid) {
    if (!session.book.isSelected())
        return {};
    return groupStyleInForce(session) == GroupStyle::Categories ? refreshCategories(session, uid)
                                                                : refreshGroups(session);
}

GroupChange setGroupsOf(Session& session, const std::string& uid, const std::string& list) {
    std::vector<WantedGroup> wanted = wantedGroups(list);
    if (!session.book.card(uid))
        return {failure(ErrorCode::CardNotListed), {}};
    if (Verdict refused = mayWriteTo(session, session.book.url()); !refused.ok())
        return {std::move(refused), {}};
    const GroupStyle style = groupStyleInForce(session);
    if (Verdict refused = groupsKeptIn(session, style); !refused.ok())
        return {std::move(refused), {}};
    GroupWrites writes;
    if (style == GroupStyle::Categories) {
        writes.record(setCategories(session, uid, wanted), "Save failed: " + uid);
    } else {
        leaveUnwantedGroups(session, uid, wanted, writes);
        joinWantedGroups(session, uid, wanted, writes);
    }
    return {std::move(writes.first.first), std::move(writes.failures)};
}

Verdict chooseGroupStyle(Session& session, const std::string& word) {
    const std::optional<GroupStyle> style = groupStyleNamed(word);
    if (!style)
        return failure(ErrorCode::UnknownGroupStyle);
    const GroupStyle before = session.group_style;
    session.group_style = *style;
    SelectedBook& book = session.book;
    if (*style != GroupStyle::Cards && book.isSelected() && !book.knowsCategories()) {
        Listing listing = listAddressBook(session, book.url());
        if (!listing.verdict.ok()) {
            session.group_style = before;
            return std::move(listing.verdict);
        }
        book.takeListing(std::move(listing.cards));
    }
    return {};
}

Verdict leaveAllGroups(Session& session, const std::string& uid) {
    std::map<std::string, Verdict> failed = leaveAllGroups(session, std::set<std::string>{uid});
    return failed.empty() ? Verdict{} : std::move(failed.begin()->second);
}

std::map<std::string, Verdict> leaveAllGroups(Session& session, const std::set<std::string>& uids) {
    std::map<std::string, Verdict> failed;
    for (auto& entry : session.book.groupsToEdit()) {
        std::set<std::string> leaving;
        for (const std::string& member : entry.second.members)
            if (uids.count(member))
                leaving.insert(member);
        if (leaving.empty())
            continue;
        Verdict written = changeCardOnServer(session.cd, entry.second, [&](vCard& card) {
            std::size_t removed = 0;
            for (const std::string& uid : leaving)
                removed += removeGroupMember(card, uid);
            return removed > 0;
        });
        if (!written.ok())
            for (const std::string& uid : leaving)
                failed.emplace(uid, written);
    }
    return failed;
}
