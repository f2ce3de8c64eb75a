// Address-book functions: list the address books of the account, select one (its card listing
// is cached by UID, group cards apart), and list the cached cards and groups.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/HostValues.h"

namespace {

// List results are one text with every entry followed by a carriage return, handed over as
// UTF-8 so that names outside ASCII reach the host intact.
void appendEntry(std::string& list, const std::string& entry) {
    list += entry;
    list += '\r';
}

void setError(fmx::Data& result) {
    SetTextResult("ERROR", result);
}

// Fills the two caches from a listing: cards without UID are left out, group cards go to the
// group cache, and a later card with the same UID replaces the earlier one.
void cacheListing(std::vector<addresscard> cards) {
    for (addresscard& card : cards) {
        if (card.uid.empty())
            continue;
        auto& cache =
            card.isgroup ? session().current_addressbook_groups : session().current_addressbook;
        const std::string uid = card.uid;
        cache[uid] = std::move(card);
    }
}

} // namespace

fmx::errcode CardDav_GetAddressBooks(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                     fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            Query answer = session().cd.get_addressbooks(session().root_address_url);
            const fmx::int16 code = handleQuery(answer);
            if (code != ErrorCode::None) {
                setError(result);
                return code;
            }
            std::string list;
            for (const addressbook& book : session().xmlparser.getAddressbooks(
                     std::move(answer.body), session().root_address_url))
                appendEntry(list, book.url);
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        [&] { setError(result); }, [&] { setError(result); });
}

fmx::errcode CardDav_SelectAddressBook(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                       fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            session().current_addressbook.clear();
            session().current_addressbook_groups.clear();
            const std::string url = textArgument(args, 0);
            if (!url.empty())
                session().current_addressbook_url = url;

            session().fetched_vcards.clear();
            session().sync_token = bookSyncToken(session().current_addressbook_url);
            Listing listing = listAddressBook(session().current_addressbook_url);
            cacheListing(std::move(listing.cards));
            SetResult(1, result);
            return listing.code;
        },
        [&] { SetResult(0, result); }, [&] { SetResult(0, result); });
}

fmx::errcode CardDav_GetAddressbookvCards(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                          fmx::Data& result) {
    return runFunction(
        false,
        [&] {
            std::string list;
            for (const auto& entry : session().current_addressbook)
                appendEntry(list, entry.first);
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        [&] { setError(result); }, [&] { setError(result); });
}

fmx::errcode CardDav_GetAddressbookGroups(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                          fmx::Data& result) {
    return runFunction(
        false,
        [&] {
            std::string list;
            for (const auto& entry : session().current_addressbook_groups)
                appendEntry(list, entry.second.fn);
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        [&] { setError(result); }, [&] { setError(result); });
}
