#include "Functions/ResultLines.h"

#include <cstdio>
#include <initializer_list>

void appendSafely(std::string& text, std::string_view value) {
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
        text += escaped;
    }
}

std::string listText(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& entry : entries) {
        appendSafely(list, entry);
        list += '\r';
    }
    return list;
}

namespace {

void appendLine(std::string& lines, std::initializer_list<const std::string*> columns) {
    bool first = true;
    for (const std::string* column : columns) {
        if (!first)
            lines += '\t';
        first = false;
        appendSafely(lines, *column);
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

namespace {

const char* outcomeWord(BatchLine::Outcome outcome) {
    switch (outcome) {
    case BatchLine::Outcome::Created:
        return "created";
    case BatchLine::Outcome::Saved:
        return "saved";
    case BatchLine::Outcome::Deleted:
        return "deleted";
    case BatchLine::Outcome::Conflict:
        return "conflict";
    case BatchLine::Outcome::Gone:
        return "gone";
    case BatchLine::Outcome::Refused:
        return "refused";
    case BatchLine::Outcome::Failed:
        break;
    }
    return "failed";
}

} // namespace

std::string batchLines(const std::vector<BatchLine>& lines) {
    std::string text;
    for (const BatchLine& line : lines) {
        const std::string outcome = outcomeWord(line.outcome);
        const std::string code = std::to_string(line.verdict.code);
        const std::string reason = line.verdict.ok() ? "" : line.verdict.reason;
        appendLine(text, {&outcome, &line.uid, &line.etag, &line.href, &code, &reason});
    }
    return text;
}

std::string bookLines(const std::vector<addressbook>& books) {
    static const std::string writable = "writable";
    static const std::string readOnly = "read-only";
    std::string lines;
    for (const addressbook& book : books) {
        appendLine(lines, {&book.url, &book.displayname, book.writable ? &writable : &readOnly});
    }
    return lines;
}
