// Choosing the group style (Functions/GroupStyle.h) and asking which one is in force.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/GroupNames.h"

fmx::errcode CardDav_SetGroupStyle(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                   fmx::Data& result) {
    // Needs no server unless a book is selected whose cards were listed without their
    // categories: it is listed again with them, so that the new style sees the book's groups.
    resetLastError();
    return Error(guarded(
        [&] {
            PluginState& state = session();
            const std::optional<GroupStyle> style = groupStyleNamed(textArgument(args, 0));
            if (!style) {
                SetResult(0, result);
                return ErrorCode::UnknownGroupStyle;
            }
            const GroupStyle before = state.group_style;
            state.group_style = *style;
            SelectedBook& book = state.book;
            if (*style != GroupStyle::Cards && book.isSelected() && !book.knowsCategories()) {
                Listing listing = listAddressBook(book.url());
                if (listing.code != ErrorCode::None) {
                    state.group_style = before;
                    SetResult(0, result);
                    return listing.code;
                }
                book.takeListing(std::move(listing.cards));
            }
            SetResult(1, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); }));
}

fmx::errcode CardDav_GetGroupStyle(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                   fmx::Data& result) {
    // Changes nothing, the last error included.
    return guarded(
        [&] {
            SetTextResult(groupStyleName(groupStyleInForce()), result);
            return ErrorCode::None;
        },
        [] {});
}
