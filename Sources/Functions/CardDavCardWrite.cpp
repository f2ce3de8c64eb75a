// Card create, save and delete functions: they change cards on the server and keep the cached
// address book and the current card in step with what they did.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/CardDavServerWrites.h"
#include "Functions/HostValues.h"
#include "Platform/RandomUuid.h"
#include "Utils/AsciiCase.h"
#include "vCard/vCardPropertyLine.h"

#include <algorithm>

namespace {

const char* const kCreationFailed = "ERROR: Creation of vcard failed";

// After a creation the current card holds only what identifies it; the field map in force is
// installed with it so that the edits that follow reach the card.
void startCurrentCard(const std::string& uid) {
    session().current_vcard_id = uid;
    session().current_vcard.setData({}, session().current_mapping);
    session().current_vcard.set("uniqueid", uid);
    session().current_vcard.set("version", "3.0");
    session().current_vcard.set("productid", "Vorlix Plugin");
}

// Whether the card holds a UID line, with or without a group prefix, as the listing reads it.
bool holdsUid(const vCard& card) {
    return std::any_of(card.items.begin(), card.items.end(), [](const vCardItem& item) {
        return equalsIgnoringAsciiCase(propertyKind(item.name), "UID");
    });
}

struct Outcome {
    std::string text;
    fmx::int16 code;
};

// The result of a save, from the PUT's answer; stores the card's new tag in `entry`. A save that
// did not happen carries the request's code.
Outcome judgeSave(const Query& answer, addresscard& entry) {
    const fmx::int16 code = handleQuery(answer);
    if (code == ErrorCode::None) {
        // Without a tag in the answer the server changed the card while storing it: what it
        // holds differs from what was sent. Its tag is still kept, so that the next save is not
        // refused as a conflict that never happened. The card was written all the same.
        const bool tagged = !getEtag(answer.headers).empty();
        const std::string tag = tagAfterPut(entry.url, answer);
        if (!tag.empty())
            entry.etag = tag;
        return {tagged ? "Saved" : "Server data conflict!", ErrorCode::None};
    }
    switch (answer.status) {
    case 412:
        return {"Etag mismatch. Vcard already modifed on server!", code};
    case 403:
        return {"Invalid vcard", code};
    default:
        return {"Unkown error. Server result code: " + intToString(answer.status), code};
    }
}

// Whether `uid` can go into a UID line as it is: a control character (a line break above all)
// would end the line and let the rest of the text become properties of its own.
bool isWritableUid(const std::string& uid) {
    return std::none_of(uid.begin(), uid.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The address book a URL names, as a card is created in it: with its final "/".
std::string bookUrl(const std::string& url) {
    return endswith(url, "/") ? url : url + "/";
}

// Whether the selected book lists a card or group card with this UID.
bool isListed(const std::string& uid) {
    return session().current_addressbook.count(uid) > 0 ||
           session().current_addressbook_groups.count(uid) > 0;
}

// Takes a deleted card out of every group that lists it and rewrites those groups on the
// server. Returns the first failing group write's code, 0 when all succeeded.
fmx::int16 removeFromGroups(const std::string& uid) {
    FirstFailure writes;
    for (auto& entry : session().current_addressbook_groups) {
        const std::vector<std::string>& members = entry.second.members;
        if (std::find(members.begin(), members.end(), uid) == members.end())
            continue;
        writes.record(changeGroupMembership(entry.second, uid, Membership::Leave));
    }
    return writes.code;
}

} // namespace

fmx::errcode CardDav_NewvCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            std::string url = textArgument(args, 0);
            std::string uid = textArgument(args, 1);
            // The cached cards are those of the book selected before; a card created in another
            // book cannot clash with them.
            const bool intoSelectedBook =
                url.empty() || bookUrl(url) == bookUrl(session().current_addressbook_url);
            if (url.empty())
                url = session().current_addressbook_url;
            else
                session().current_addressbook_url = url;
            if (uid.empty())
                uid = newguid();
            if (url.empty()) {
                SetTextResult("ERROR", result);
                return ErrorCode::Failed;
            }
            // A second card with a UID the book already holds would be saved over the first.
            if (intoSelectedBook && isListed(uid)) {
                SetTextResult(kCreationFailed, result);
                return ErrorCode::UidAlreadyListed;
            }
            if (!isWritableUid(uid)) {
                SetTextResult(kCreationFailed, result);
                return ErrorCode::UidNotWritable;
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
                // The card exists on the server, but without its tag it cannot be saved safely,
                // so it does not become the current card: the script must not go on editing.
                SetTextResult(std::string(kCreationFailed) + ". Server issue.", result);
                return ErrorCode::Failed;
            }
            // The new card is saved where it was created, also when another book's card with
            // the same UID was cached.
            session().current_addressbook[uid] = record;
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
            const auto listed = session().current_addressbook.find(session().current_vcard_id);
            // The current card was never read (its fetch failed) when it holds no UID: saving
            // it would replace the server's card with the few fields set since.
            if (listed == session().current_addressbook.end() ||
                !holdsUid(session().current_vcard)) {
                SetTextResult("Vcard not found", result);
                return ErrorCode::CardNotListed;
            }
            addresscard& entry = listed->second;
            if (etag.empty())
                etag = entry.etag;
            if (!session().current_vcard.valid()) {
                SetTextResult(
                    "Invalid vcard. requiered fileds: display_name, first_name, last_name", result);
                return ErrorCode::Failed;
            }
            session().fetched_vcards.drop(session().current_vcard_id);
            const Query answer =
                session().cd.save_vcard(entry.url, session().current_vcard.toString(), etag);
            const Outcome saved = judgeSave(answer, entry);
            SetTextResult(saved.text, result);
            return saved.code;
        },
        [] {}, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_DeleteCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            const std::string uid = textArgument(args, 0);
            const auto listed = session().current_addressbook.find(uid);
            if (listed == session().current_addressbook.end()) {
                SetResult(0, result);
                return ErrorCode::CardNotListed;
            }
            const fmx::int16 deleted = handleQuery(session().cd.delete_vcard(listed->second.url));
            if (deleted != ErrorCode::None) {
                SetResult(0, result);
                return deleted;
            }
            session().current_addressbook.erase(listed);
            session().fetched_vcards.drop(uid);
            SetResult(1, result);
            return removeFromGroups(uid);
        },
        [] {}, [&] { SetResult(0, result); });
}

fmx::errcode CardDav_DeleteAllCards(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                    fmx::Data& result) {
    // Goes on whatever the entry check says, the address book to empty being named by its URL,
    // as long as that lies on the server the connection found.
    const fmx::int16 check = InitFunction(true);
    const fmx::int16 code = guarded(
        [&] {
            const std::string url = textArgument(args, 0);
            if (!isOnConnectedServer(url)) {
                SetResult(0, result);
                return ErrorCode::OffServer;
            }
            const Listing listing = listAddressBook(url);
            if (listing.code != ErrorCode::None) {
                // Nothing was deleted: a script must not take the address book for empty.
                SetResult(0, result);
                return listing.code;
            }
            // A failure does not stop the others; the first one's code is the function's.
            FirstFailure deletions;
            for (const addresscard& card : listing.cards)
                deletions.record(handleQuery(session().cd.delete_vcard(card.url)));
            SetResult(deletions.code == ErrorCode::None ? 1 : 0, result);
            return deletions.code;
        },
        [&] { SetResult(0, result); });
    return Error(check != ErrorCode::None ? check : code);
}
