#include "Functions/ResultLines.h"

#include <algorithm>
#include <initializer_list>

namespace {

void appendLine(std::string& lines, std::initializer_list<const std::string*> columns) {
    bool first = true;
    for (const std::string* column : columns) {
        if (!first)
            lines += '\t';
        first = false;
        lines += *column;
    }
    lines += '\r';
}

std::string groupColumn(const CardChange& change) {
    return change.isgroup ? "group" : "";
}

} // namespace

std::string changeLines(const std::vector<CardChange>& changes) {
    static const std::string changed = "changed";
    static const std::string deleted = "deleted";
    std::string lines;
    for (const CardChange& change : changes) {
        const std::string group = groupColumn(change);
        appendLine(lines, {change.kind == CardChange::Kind::Changed ? &changed : &deleted,
                           &change.uid, &change.etag, &group, &change.href});
    }
    return lines;
}

std::string knownTagLines(const std::vector<CardChange>& known) {
    std::string lines;
    for (const CardChange& card : known) {
        const std::string group = groupColumn(card);
        appendLine(lines, {&card.uid, &card.etag, &card.lastmodified, &group, &card.href});
    }
    return lines;
}

std::string fetchLines(const std::vector<std::pair<std::string, bool>>& cards) {
    static const std::string fetched = "fetched";
    static const std::string missing = "missing";
    std::string lines;
    for (const auto& [uid, kept] : cards)
        appendLine(lines, {kept ? &fetched : &missing, &uid});
    return lines;
}

std::string bookLines(const std::vector<addressbook>& books) {
    static const std::string writable = "writable";
    static const std::string readOnly = "read-only";
    std::string lines;
    for (const addressbook& book : books) {
        std::string name = book.displayname;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
            ' ');
        appendLine(lines, {&book.url, &name, book.writable ? &writable : &readOnly});
    }
    return lines;
}
