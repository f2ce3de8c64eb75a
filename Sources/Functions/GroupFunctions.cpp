// Group functions: a card's groups read and set, and the group style chosen and told.

#include "Engine/GroupEdits.h"
#include "Engine/Groups.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Functions/ResultLines.h"

#include <utility>

// The groups the session knows the card to be in; with argument 2 true they are read again from
// the server first. A refresh that failed hands its code to the host without recording it: the
// list is still the one held so far.
const Handler CardDav_GetvCardGroups{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        const std::string uid = call.text(0);
        Verdict refreshed;
        if (call.boolean(1, false))
            refreshed = refreshGroupsOf(call.state, uid);
        if (!call.state.book.card(uid))
            return Reply{failure(ErrorCode::CardNotListed), text(kErrorText)};
        return Reply{std::move(refreshed),
                     text(listText(shownGroupNames(groupNamesOf(call.state, uid)))), false};
    }};

const Handler CardDav_SetvCardGroups{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        GroupChange change = setGroupsOf(call.state, call.text(0), call.text(1));
        if (change.verdict.code == ErrorCode::CardNotListed)
            return Reply{std::move(change.verdict), text("Save failed: vcard not found")};
        // A failure that stopped the change before any write names no group of its own.
        const std::string answer = change.verdict.ok() && change.failures.empty()
                                       ? "Saved"
                                       : kErrorText + listText(change.failures);
        return Reply{std::move(change.verdict), text(answer)};
    }};

// Needs no server unless a book is selected whose cards were listed without their categories.
const Handler CardDav_SetGroupStyle{Entry::Fresh, nothing, number(0), [](Call& call) {
                                        Verdict chosen = chooseGroupStyle(call.state, call.text(0));
                                        const long answer = chosen.ok() ? 1 : 0;
                                        return Reply{std::move(chosen), number(answer)};
                                    }};

// Changes nothing, the last error included.
const Handler CardDav_GetGroupStyle{
    Entry::Untouched, nothing, nothing, [](Call& call) {
        return Reply{{}, text(groupStyleName(groupStyleInForce(call.state)))};
    }};

const Handler CardDav_CreateGroup{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        auto created = createGroup(call.state, call.text(0), call.text(1));
        if (!created.verdict.ok())
            return Reply{std::move(created.verdict), text(kErrorText)};
        return Reply{{}, text(std::move(created.value))};
    }};

const Handler CardDav_RenameGroup{Entry::Connected, number(0), number(0), [](Call& call) {
                                      Verdict renamed =
                                          renameGroup(call.state, call.text(0), call.text(1));
                                      const long answer = renamed.ok() ? 1 : 0;
                                      return Reply{std::move(renamed), number(answer)};
                                  }};

const Handler CardDav_DeleteGroup{Entry::Connected, number(0), number(0), [](Call& call) {
                                      Verdict deleted = deleteGroup(call.state, call.text(0));
                                      const long answer = deleted.ok() ? 1 : 0;
                                      return Reply{std::move(deleted), number(answer)};
                                  }};
