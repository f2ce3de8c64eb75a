#include "Engine/GroupEdits.h"

#include "Engine/AnswerJudge.h"
#include "Engine/GroupKeeping.h"
#include "Engine/Groups.h"
#include "Engine/ServerWrites.h"
#include "Engine/WriteChecks.h"
#include "Platform/RandomUuid.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardCategories.h"
#include "vCard/vCardText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

bool categoriesStyle(const Session& session) {
    return groupStyleInForce(session) == GroupStyle::Categories;
}

// The group cards of the selected book bearing the name.
std::vector<addresscard*> groupCardsNamed(Session& session, const std::string& name) {
    const std::string fnValue = groupFnValue(name);
    std::vector<addresscard*> named;
    for (auto& [uid, group] : session.book.groupsToEdit())
        if (groupFnValue(group.fn) == fnValue)
            named.push_back(&group);
    return named;
}

// The UIDs of the book's cards whose categories hold the name (unescaped).
std::vector<std::string> cardsInCategory(const Session& session, const std::string& category) {
    std::vector<std::string> uids;
    for (const auto& [uid, card] : session.book.cards())
        if (std::find(card.categories.begin(), card.categories.end(), category) !=
            card.categories.end())
            uids.push_back(uid);
    return uids;
}

bool exists(Session& session, const std::string& name) {
    return categoriesStyle(session) ? !cardsInCategory(session, unescapedText(name)).empty()
                                    : !groupCardsNamed(session, name).empty();
}

// Changes the categories of each card of `uids` with `change` (given the names the card holds,
// in its order), each card fetched and put back guarded; the first failure is the verdict.
template <class Change>
Verdict changeCategories(Session& session, const std::vector<std::string>& uids, Change change) {
    FirstFailure writes;
    for (const std::string& uid : uids) {
        addresscard* card = session.book.card(uid);
        writes.record(changeCardOnServer(session.cd, *card, [&](vCard& text) {
            const std::vector<std::string> before = categoryNames(text);
            std::vector<std::string> after = before;
            change(after);
            if (after == before)
                return false;
            setCategoryNames(text, after);
            return true;
        }));
    }
    return std::move(writes.first);
}

// The members a list names: UIDs one per line, each a card the book knows.
Judged<std::vector<std::string>> knownMembers(const Session& session, const std::string& list) {
    std::vector<std::string> members;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find_first_of("\r\n", start), list.size());
        const std::string uid = list.substr(start, end - start);
        start = end + 1;
        if (uid.empty() || std::find(members.begin(), members.end(), uid) != members.end())
            continue;
        if (!session.book.card(uid))
            return {failedBecause(ErrorCode::CardNotListed,
                                  "the member " + uid + " is not known in the selected book"),
                    {}};
        members.push_back(uid);
    }
    return {{}, std::move(members)};
}

// The group card named anew: its FN, and its N where that holds the old name (as Apple writes
// it, the name alone; or as the family name).
bool renameGroupCard(vCard& card, const std::string& oldFn, const std::string& newName) {
    const std::string oldComponent = escapedText(unescapedText(oldFn));
    const std::string newComponent = escapedText(unescapedText(newName));
    bool renamed = false;
    for (vCardItem& item : card.items) {
        if (item.isOfKind("FN") && groupFnValue(item.value) == oldFn) {
            item.set(groupFnValue(newName), "");
            renamed = true;
        } else if (item.isOfKind("N") && item.value == oldComponent) {
            item.set(newComponent, "");
        } else if (item.isOfKind("N") && item.get("last") == oldComponent) {
            item.set(unescapedText(newName), "last");
        }
    }
    return renamed;
}

Verdict checkedName(const Session& session, const std::string& name) {
    if (!session.book.isSelected())
        return failedBecause(ErrorCode::Failed, "no address book is selected");
    if (name.empty())
        return failedBecause(ErrorCode::Failed, "a group needs a name");
    if (Verdict refused = mayWriteTo(session, session.book.url()); !refused.ok())
        return refused;
    return groupsKeptIn(session, groupStyleInForce(session));
}

} // namespace

Judged<std::string> createGroup(Session& session, const std::string& name,
                                const std::string& memberList) {
    if (Verdict checked = checkedName(session, name); !checked.ok())
        return {std::move(checked), ""};
    Judged<std::vector<std::string>> members = knownMembers(session, memberList);
    if (!members.verdict.ok())
        return {std::move(members.verdict), ""};
    if (exists(session, name))
        return {failure(ErrorCode::GroupExists), ""};
    if (categoriesStyle(session)) {
        if (members.value.empty())
            return {failure(ErrorCode::GroupWithoutMembers), ""};
        const std::string category = unescapedText(name);
        Verdict written = changeCategories(session, members.value,
                                           [&](auto& names) { names.push_back(category); });
        return {std::move(written), name};
    }
    CreatedCard created =
        createCard(session.cd, session.book.url(),
                   newCardText(newguid(), groupFnValue(name), true, members.value));
    if (created.verdict.ok())
        created.verdict = judgeCreatedGroup(session, created.card.record);
    if (!created.verdict.ok())
        return {std::move(created.verdict), ""};
    const std::string uid = created.card.record.uid;
    session.book.put(std::move(created.card.record), std::move(created.card.text));
    return {{}, uid};
}

Verdict renameGroup(Session& session, const std::string& name, const std::string& newName) {
    if (Verdict checked = checkedName(session, name); !checked.ok())
        return checked;
    if (Verdict checked = checkedName(session, newName); !checked.ok())
        return checked;
    if (!exists(session, name))
        return failure(ErrorCode::NoSuchGroup);
    if (groupFnValue(name) == groupFnValue(newName))
        return {};
    if (exists(session, newName))
        return failure(ErrorCode::GroupExists);
    if (categoriesStyle(session)) {
        const std::string from = unescapedText(name);
        const std::string to = unescapedText(newName);
        return changeCategories(session, cardsInCategory(session, from), [&](auto& names) {
            std::replace(names.begin(), names.end(), from, to);
        });
    }
    FirstFailure writes;
    const std::string oldFn = groupFnValue(name);
    for (addresscard* group : groupCardsNamed(session, name))
        writes.record(changeCardOnServer(session.cd, *group, [&](vCard& card) {
            return renameGroupCard(card, oldFn, newName);
        }));
    return std::move(writes.first);
}

Verdict deleteGroup(Session& session, const std::string& name) {
    if (Verdict checked = checkedName(session, name); !checked.ok())
        return checked;
    if (!exists(session, name))
        return failure(ErrorCode::NoSuchGroup);
    if (categoriesStyle(session)) {
        const std::string category = unescapedText(name);
        return changeCategories(session, cardsInCategory(session, category), [&](auto& names) {
            names.erase(std::remove(names.begin(), names.end(), category), names.end());
        });
    }
    FirstFailure deletions;
    std::vector<std::string> deleted;
    for (const addresscard* group : groupCardsNamed(session, name)) {
        // Unguarded, the deletion could take another client's change with it unseen.
        if (group->etag.empty()) {
            deletions.record(failedBecause(ErrorCode::Failed,
                                           "the group's tag is not known: list the book again"));
            continue;
        }
        const Query answer = session.cd.delete_vcard(group->url, group->etag);
        if (isConflict(answer)) {
            deletions.record(failedBecause(ErrorCode::ChangedOnServer,
                                           answerReason(session.cd, answer) +
                                               ": the group changed on the server since it was "
                                               "read; it was not deleted"));
            continue;
        }
        Verdict gone = isGone(answer) ? Verdict{} : judgeStatus(session.cd, answer);
        if (gone.ok())
            deleted.push_back(group->uid);
        deletions.record(std::move(gone));
    }
    for (const std::string& uid : deleted)
        session.book.remove(uid);
    return std::move(deletions.first);
}
