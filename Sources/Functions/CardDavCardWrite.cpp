// Card create, save and delete functions: they change cards on the server and keep the cached
// address book and the current card in step with what they did.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/CardDavServerWrites.h"

#include <algorithm>

namespace {

const char* const kCreationFailed = "ERROR: Creation of vcard failed";

// After a creation the current card holds only what identifies it; the field map in force is
// installed with it so that the edits that follow reach the card.
void startCurrentCard(const std::string& uid) {
    plugin_state.current_vcard_id = uid;
    plugin_state.current_vcard.setData({}, plugin_state.current_mapping);
    plugin_state.current_vcard.set("uniqueid", uid);
    plugin_state.current_vcard.set("version", "3.0");
    plugin_state.current_vcard.set("productid", "Vorlix Plugin");
}

bool holdsUid(const vCard& card) {
    return std::any_of(card.items.begin(), card.items.end(),
                       [](const vCardItem& item) { return str_cmp(item.name, "UID"); });
}

// The result text of a save, from the PUT's answer; stores the card's new tag in `entry`.
std::string judgeSave(const Query& answer, addresscard& entry) {
    if (isAcceptedStatus(answer.status)) {
        // Without a tag in the answer the server changed the card while storing it: what it
        // holds differs from what was sent. Its tag is still kept, so that the next save is not
        // refused as a conflict that never happened.
        const bool tagged = !getEtag(answer.headers).empty();
        const std::string tag = tagAfterPut(entry.url, answer);
        if (!tag.empty())
            entry.etag = tag;
        return tagged ? "Saved" : "Server data conflict!";
    }
    switch (answer.status) {
    case 412:
        return "Etag mismatch. Vcard already modifed on server!";
    case 403:
        return "Invalid vcard";
    default:
        return "Unkown error. Server result code: " + intToString(answer.status);
    }
}

// Takes a deleted card out of every group that lists it and rewrites those groups on the
// server. Returns the first failing group write's code, 0 when all succeeded.
fmx::int16 removeFromGroups(const std::string& uid) {
    fmx::int16 code = ErrorCode::None;
    for (auto& entry : plugin_state.current_addressbook_groups) {
        std::vector<std::string>& members = entry.second.members;
        const auto kept = std::remove(members.begin(), members.end(), uid);
        if (kept == members.end())
            continue;
        members.erase(kept, members.end());
        const fmx::int16 written = putGroup(entry.second);
        if (code == ErrorCode::None)
            code = written;
    }
    return code;
}

} // namespace

fmx::errcode CardDav_NewvCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            std::string url = textArgument(args, 0);
            std::string uid = textArgument(args, 1);
            if (url.empty())
                url = plugin_state.current_addressbook_url;
            else
                plugin_state.current_addressbook_url = url;
            if (uid.empty())
                uid = newguid();
            if (url.empty()) {
                SetTextResult("ERROR", result);
                return ErrorCode::Failed;
            }

            addresscard record;
            record.uid = uid;
            record.fn = "New";
            const fmx::int16 code = createCard(url, record);
            if (code != ErrorCode::None) {
                SetTextResult(kCreationFailed, result);
                return code;
            }
            if (record.etag.empty()) {
                // The card exists on the server, but without its tag it cannot be saved safely.
                SetTextResult(std::string(kCreationFailed) + ". Server issue.", result);
                return ErrorCode::None;
            }
            plugin_state.current_addressbook.emplace(uid, record);
            startCurrentCard(uid);
            SetTextResult(uid, result);
            return ErrorCode::None;
        },
        [] {}, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_SaveCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            std::string etag = textArgument(args, 0);
            const auto listed =
                plugin_state.current_addressbook.find(plugin_state.current_vcard_id);
            if (listed == plugin_state.current_addressbook.end()) {
                SetTextResult("Vcard not found", result);
                return ErrorCode::None;
            }
            addresscard& entry = listed->second;
            if (etag.empty())
                etag = entry.etag;
            if (!holdsUid(plugin_state.current_vcard)) {
                // The current card was never read (its fetch failed): saving it would replace
                // the server's card with the few fields set since.
                SetTextResult("Vcard not found", result);
                return ErrorCode::None;
            }
            if (!plugin_state.current_vcard.valid()) {
                SetTextResult(
                    "Invalid vcard. requiered fileds: display_name, first_name, last_name", result);
                return ErrorCode::None;
            }
            const Query answer =
                plugin_state.cd.save_vcard(entry.url, plugin_state.current_vcard.toString(), etag);
            SetTextResult(judgeSave(answer, entry), result);
            return ErrorCode::None;
        },
        [] {}, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_DeleteCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            const std::string uid = textArgument(args, 0);
            const auto listed = plugin_state.current_addressbook.find(uid);
            if (listed == plugin_state.current_addressbook.end() ||
                !isAcceptedStatus(plugin_state.cd.delete_vcard(listed->second.url).status)) {
                SetResult(0, result);
                return ErrorCode::None;
            }
            plugin_state.current_addressbook.erase(listed);
            SetResult(1, result);
            return removeFromGroups(uid);
        },
        [] {}, [&] { SetResult(0, result); });
}

fmx::errcode CardDav_DeleteAllCards(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                    fmx::Data& result) {
    // Goes on whatever the entry check says: the address book to empty is named by its URL.
    const fmx::int16 check = InitFunction(true);
    const fmx::int16 code = guarded(
        [&] {
            const Listing listing = listAddressBook(textArgument(args, 0));
            if (listing.code != ErrorCode::None) {
                // Nothing was deleted: a script must not take the address book for empty.
                SetResult(0, result);
                return listing.code;
            }
            bool allDeleted = true;
            for (const addresscard& card : listing.cards)
                if (!isAcceptedStatus(plugin_state.cd.delete_vcard(card.url).status))
                    allDeleted = false;
            SetResult(allDeleted ? 1 : 0, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); });
    return Error(check != ErrorCode::None ? check : code);
}
