// Address-book functions: list the address books of the account, select one (its card listing
// is cached by UID, group cards apart), and list the cached cards and groups.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/GroupNames.h"
#include "Functions/HostValues.h"
#include "Transport/HrefResolver.h"

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

} // namespace

fmx::errcode CardDav_GetAddressBooks(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                     fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            const std::string home = session().root_address_url;
            Query answer = session().cd.get_addressbooks(home);
            auto books = judgedMultistatus(answer, [&](std::string body) {
                return xmlParser().getAddressbooks(std::move(body), home);
            });
            if (!books.verdict.ok()) {
                setError(result);
                return books.verdict.code;
            }
            // A book the credentials may not go to is no book of this account.
            std::string list;
            for (const addressbook& book : books.value)
                if (const std::optional<std::string> url = onConnectedServer(book.url))
                    appendEntry(list, *url);
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
            SelectedBook& book = session().book;
            const std::string given = textArgument(args, 0);
            if (!given.empty()) {
                const std::optional<std::string> url = onConnectedServer(given);
                if (!url) {
                    SetResult(0, result);
                    return failedBecause(ErrorCode::OffServer, describeError(ErrorCode::OffServer))
                        .code;
                }
                book.select(*url);
            } else if (!book.isSelected()) {
                // Nothing to read again: no book was selected before.
                SetResult(1, result);
                return failedBecause(ErrorCode::Failed, "no address book is selected").code;
            }
            SetResult(1, result);
            // The token first: a failure here leaves no token a script could store and later
            // hand back as if it stood for this listing.
            const BookToken token = bookSyncToken(book.url());
            book.token = token.token;
            if (token.code != ErrorCode::None) {
                book.takeListing({});
                return token.code;
            }
            Listing listing = listAddressBook(book.url());
            book.takeListing(std::move(listing.cards));
            // Nothing of the book was read: no token may stand for it either.
            if (listing.code != ErrorCode::None)
                book.token.clear();
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
            for (const auto& entry : session().book.cards())
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
            for (const std::string& name : bookGroupNames())
                appendEntry(list, name);
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        [&] { setError(result); }, [&] { setError(result); });
}
