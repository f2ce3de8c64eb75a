// Address-book functions: list the account's books (their URLs, or with their names and rights),
// select one, and list its cards and groups.

#include "Engine/Books.h"
#include "Engine/Groups.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Functions/ResultLines.h"

const Handler CardDav_GetAddressBooks{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        auto books = accountBooks(call.state);
        if (!books.verdict.ok())
            return Reply{std::move(books.verdict), text(kErrorText)};
        std::vector<std::string> urls;
        for (const addressbook& book : books.value)
            urls.push_back(book.url);
        return Reply{{}, text(listText(urls))};
    }};

const Handler CardDav_GetAddressBookDetails{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        auto books = accountBooks(call.state);
        if (!books.verdict.ok())
            return Reply{std::move(books.verdict), text(kErrorText)};
        return Reply{{}, text(bookLines(books.value))};
    }};

const Handler CardDav_SelectAddressBook{
    Entry::Connected, number(0), number(0), [](Call& call) {
        Selection selection = selectAddressBook(call.state, call.text(0));
        const long answer = selection.selected ? 1 : 0;
        return Reply{std::move(selection.verdict), number(answer)};
    }};

const Handler CardDav_GetAddressbookvCards{
    Entry::Checked, text(kErrorText), text(kErrorText), [](Call& call) {
        return Reply{{}, text(listText(bookCardUids(call.state)))};
    }};

const Handler CardDav_GetAddressbookGroups{
    Entry::Checked, text(kErrorText), text(kErrorText), [](Call& call) {
        return Reply{{}, text(listText(shownGroupNames(bookGroupNames(call.state))))};
    }};
