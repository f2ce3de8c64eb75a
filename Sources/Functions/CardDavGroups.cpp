// Group membership: the names of the groups a card belongs to, and making a card a member of
// exactly the groups a script names, in either group style (Functions/GroupStyle.h). A group card
// style group is a card of its own whose member lines name the UIDs of its member cards; a change
// of membership changes those lines of the group card on the server. In the categories style a
// card's groups are its CATEGORIES, and a change rewrites that line of the card alone. What is
// known of the book changes only once the server took the change.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/CardDavServerWrites.h"
#include "Functions/GroupNames.h"
#include "Functions/HostValues.h"
#include "Platform/RandomUuid.h"
#include "vCard/vCardCategories.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardText.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// A name as the FN value of a card holds it: escaped as vCard text. Group names read from the
// server keep their escapes ("Smith\, Jones"), so names are compared in this form, where the
// name a script writes and the name the server stores agree (escaping is idempotent).
std::string asFnValue(const std::string& name) {
    return escapeValue(name, escapedSeparators("FN", {}), LineBreaks::Escape);
}

bool hasMember(const addresscard& group, const std::string& uid) {
    return std::find(group.members.begin(), group.members.end(), uid) != group.members.end();
}

// Replaces the cached groups with the group cards the server lists for the selected address
// book. Returns the listing's code; on failure the cache stays as it was.
fmx::int16 refreshGroups() {
    SelectedBook& book = session().book;
    Listing listing = listAddressBook(book.url());
    if (listing.code != ErrorCode::None)
        return listing.code;
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
    return ErrorCode::None;
}

// Reads the card `uid` again from the server for its categories. Returns the request's code; on
// failure what is known stays as it was.
fmx::int16 refreshCategories(const std::string& uid) {
    addresscard* card = session().book.card(uid);
    if (!card)
        return ErrorCode::None;
    const Query answer = session().cd.get_vcard(card->url);
    const Verdict fetched = judgeStatus(answer);
    if (!fetched.ok())
        return fetched.code;
    card->categories = readCardSummary(answer.body).categories;
    const std::string tag = getEtag(answer.headers);
    if (!tag.empty())
        session().book.retag(uid, tag);
    return ErrorCode::None;
}

struct WantedGroup {
    std::string name; // as the script wrote it
    std::string fnValue;
};

// The names of a list, one per line as a checkbox field gives them ("Clients" CR "VIP", with CR,
// LF or CR LF between them) or comma-separated, without empty ones, sorted byte-wise, each group
// once (two spellings of one FN value, such as "a;b" written escaped and bare, name the same
// group). A comma escaped with a backslash belongs to the name, as in the names GetvCardGroups
// lists ("Smith\, Jones"), so that a list read from there can be handed back. No name holds a
// line break.
std::vector<WantedGroup> wantedGroups(const std::string& list) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find_first_of("\r\n", start), list.size());
        for (std::string& name : splitUnescaped(list.substr(start, end - start), ','))
            names.push_back(std::move(name));
        start = end + 1;
    }
    names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    std::sort(names.begin(), names.end());
    std::vector<WantedGroup> wanted;
    for (std::string& name : names) {
        std::string fnValue = asFnValue(name);
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
    std::string failures;

    void record(fmx::int16 writeCode, const std::string& failureLine) {
        first.record(writeCode);
        if (writeCode != ErrorCode::None)
            failures += failureLine + "\r";
    }
};

// Takes the card out of every group it is in that is not wanted; drops from `wanted` the
// groups it already is in.
void leaveUnwantedGroups(const std::string& uid, std::vector<WantedGroup>& wanted,
                         GroupWrites& writes) {
    for (auto& [groupUid, group] : session().book.groupsToEdit()) {
        if (!hasMember(group, uid))
            continue;
        const std::string fnValue = asFnValue(group.fn);
        const auto isThisGroup = [&](const WantedGroup& w) { return w.fnValue == fnValue; };
        const auto kept = std::remove_if(wanted.begin(), wanted.end(), isThisGroup);
        if (kept == wanted.end())
            writes.record(changeGroupMembership(group, uid, Membership::Leave),
                          "Failed to remove from group: " + group.fn);
        wanted.erase(kept, wanted.end());
    }
}

// Creates a group holding the card alone. Only a group the server accepted is cached, under its
// UID among the groups, so that the next call finds it instead of creating it again.
void createGroup(const std::string& uid, const WantedGroup& name, GroupWrites& writes) {
    addresscard group;
    group.uid = newguid();
    group.isgroup = true;
    // Held as a listing of the server would report it.
    group.fn = name.fnValue;
    group.members = {uid};
    const fmx::int16 code = createCard(session().book.url(), group);
    writes.record(code, "Failed toi add new group: " + name.name);
    if (code == ErrorCode::None)
        session().book.put(std::move(group));
}

// Adds the card to every group bearing each wanted name, creating the groups that do not exist.
void joinWantedGroups(const std::string& uid, const std::vector<WantedGroup>& wanted,
                      GroupWrites& writes) {
    for (const WantedGroup& name : wanted) {
        bool exists = false;
        for (auto& [groupUid, group] : session().book.groupsToEdit()) {
            if (asFnValue(group.fn) != name.fnValue)
                continue;
            exists = true;
            writes.record(changeGroupMembership(group, uid, Membership::Join),
                          "Save failed: " + name.name);
        }
        if (!exists)
            createGroup(uid, name, writes);
    }
}

// Gives the card exactly the wanted categories on the server: its CATEGORIES line alone changes,
// the names it keeps in its own order and the new ones after them.
fmx::int16 setCategories(const std::string& uid, const std::vector<WantedGroup>& wanted) {
    std::vector<std::string> names;
    for (const WantedGroup& name : wanted)
        names.push_back(unescapedText(name.name));
    return changeCardOnServer(*session().book.card(uid), [&](vCard& card) {
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

} // namespace

GroupStyle groupStyleInForce() {
    const PluginState& state = session();
    if (state.group_style != GroupStyle::Auto || !state.book.isSelected())
        return state.group_style;
    if (!state.book.groups().empty())
        return GroupStyle::Cards;
    for (const auto& [uid, card] : state.book.cards())
        if (!card.categories.empty())
            return GroupStyle::Categories;
    return GroupStyle::Cards;
}

std::vector<std::string> groupNamesOf(const std::string& uid) {
    std::vector<std::string> names;
    if (groupStyleInForce() == GroupStyle::Categories) {
        if (const addresscard* card = session().book.card(uid))
            for (const std::string& category : card->categories)
                names.push_back(escapedText(category));
        return names;
    }
    for (const auto& [groupUid, group] : session().book.groups())
        if (hasMember(group, uid))
            names.push_back(group.fn);
    return names;
}

std::vector<std::string> bookGroupNames() {
    std::vector<std::string> names;
    if (groupStyleInForce() == GroupStyle::Categories) {
        std::set<std::string> distinct;
        for (const auto& [uid, card] : session().book.cards())
            distinct.insert(card.categories.begin(), card.categories.end());
        for (const std::string& category : distinct)
            names.push_back(escapedText(category));
        return names;
    }
    for (const auto& [uid, group] : session().book.groups())
        names.push_back(group.fn);
    return names;
}

fmx::errcode CardDav_GetvCardGroups(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                    fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    const fmx::int16 check = InitFunction(true);
    bool listed = false;
    const fmx::int16 code = guarded(
        [&] {
            if (check != ErrorCode::None) {
                setError();
                return check;
            }
            const std::string uid = textArgument(args, 0);
            fmx::int16 refreshCode = ErrorCode::None;
            if (ParameterToBoolean(args, 1, false) && session().book.isSelected())
                refreshCode = groupStyleInForce() == GroupStyle::Categories ? refreshCategories(uid)
                                                                            : refreshGroups();
            if (!session().book.card(uid)) {
                setError();
                return ErrorCode::CardNotListed;
            }
            std::string names;
            for (const std::string& name : groupNamesOf(uid))
                names += name + "\r";
            SetTextResult(names, result);
            listed = true;
            return refreshCode;
        },
        setError);
    // A listing hands the code of a failed refresh to the host without recording it as the last
    // error: the list is still the one held so far.
    return listed ? code : Error(code);
}

fmx::errcode CardDav_SetvCardGroups(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                    fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            const std::string uid = textArgument(args, 0);
            std::vector<WantedGroup> wanted = wantedGroups(textArgument(args, 1));
            if (!session().book.card(uid)) {
                SetTextResult("Save failed: vcard not found", result);
                return ErrorCode::CardNotListed;
            }
            GroupWrites writes;
            if (groupStyleInForce() == GroupStyle::Categories) {
                writes.record(setCategories(uid, wanted), "Save failed: " + uid);
            } else {
                leaveUnwantedGroups(uid, wanted, writes);
                joinWantedGroups(uid, wanted, writes);
            }
            SetTextResult(writes.failures.empty() ? "Saved" : "ERROR" + writes.failures, result);
            return writes.first.code;
        },
        setError, setError);
}
