#include "Engine/GroupKeeping.h"

#include "Engine/AnswerJudge.h"

#include <algorithm>

Verdict groupsKeptIn(const Session& session, GroupStyle style) {
    const ServerFacts& facts = session.cd.server_facts();
    if (style == GroupStyle::Categories && facts.dropsCategories)
        return failedBecause(ErrorCode::GroupsNotKept,
                             "the server drops the categories written on its cards");
    if (style == GroupStyle::Cards && facts.dropsGroupCards)
        return failedBecause(ErrorCode::GroupsNotKept,
                             "the server keeps group cards as ordinary contacts");
    return {};
}

Verdict judgeCreatedGroup(Session& session, const addresscard& created) {
    if (created.isgroup)
        return {};
    session.cd.server_facts().dropsGroupCards = true;
    const Verdict deleted =
        judgeStatus(session.cd, session.cd.delete_vcard(created.url, created.etag));
    const std::string kept = "the server keeps the group card " + created.fn +
                             " as an ordinary contact, at " + created.url;
    return failedBecause(ErrorCode::GroupsNotKept,
                         deleted.ok()
                             ? kept + "; it was deleted again"
                             : kept + ", which could not be deleted again: " + deleted.reason);
}

Verdict judgeKeptCategories(Session& session, const addresscard& card,
                            const std::vector<std::string>& names) {
    const bool kept = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return std::find(card.categories.begin(), card.categories.end(), name) !=
               card.categories.end();
    });
    if (kept || names.empty())
        return {};
    session.cd.server_facts().dropsCategories = true;
    return failedBecause(ErrorCode::GroupsNotKept,
                         "the server dropped the categories written on the card " + card.uid);
}
