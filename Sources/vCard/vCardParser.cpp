#include "vCard/vCardParser.h"

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardLineReader.h"

#include <utility>

namespace {

// The properties a card summary reads.
enum class SummaryField { Other, Fn, Uid, Version, Kind, Member };

// `name` as ProccessItem reads it (before the first ';' and ':'), compared as ProccessItem
// upper-cases it.
SummaryField summaryField(std::string_view name) {
    static constexpr std::pair<std::string_view, SummaryField> fields[] = {
        {"FN", SummaryField::Fn},
        {"UID", SummaryField::Uid},
        {"VERSION", SummaryField::Version},
        {"X-ADDRESSBOOKSERVER-KIND", SummaryField::Kind},
        {"X-ADDRESSBOOKSERVER-MEMBER", SummaryField::Member},
    };
    for (const auto& [fieldName, field] : fields)
        if (equalsIgnoringAsciiCase(name, fieldName))
            return field;
    return SummaryField::Other;
}

void summarise(vCardMini& summary, SummaryField field, std::string value) {
    switch (field) {
    case SummaryField::Fn:
        summary.fn = std::move(value);
        break;
    case SummaryField::Uid:
        summary.uid = std::move(value);
        break;
    case SummaryField::Version:
        summary.version = std::move(value);
        break;
    case SummaryField::Kind:
        // A later KIND line never takes the group flag back.
        if (toLowerAscii(std::move(value)) == "group")
            summary.isgroup = true;
        break;
    case SummaryField::Member:
        summary.members.push_back(replace(std::move(value), "urn:uuid:", ""));
        break;
    case SummaryField::Other:
        break;
    }
}

// Reads the property of one logical line into `summary` when it is one of the summary's. `head`
// is the first physical line; `folds`, when not null, gives the continuation lines after it.
// False when the name or the colon lies beyond the head, so that the line must be unfolded first.
bool summariseLine(vCardMini& summary, std::string_view head, const vCardLineReader* folds) {
    // The name ends at the first ';' or ':'; most lines are skipped once it is known.
    std::size_t nameEnd = 0;
    while (nameEnd < head.size() && head[nameEnd] != ':' && head[nameEnd] != ';')
        ++nameEnd;
    if (nameEnd == head.size())
        return !folds; // no colon at all: no property
    const SummaryField field = summaryField(head.substr(0, nameEnd));
    if (field == SummaryField::Other)
        return true;
    const std::size_t colon = head[nameEnd] == ':' ? nameEnd : head.find(':', nameEnd);
    if (colon == std::string_view::npos)
        return !folds;
    std::string value(head.substr(colon + 1));
    if (folds)
        folds->appendContinuations(value);
    summarise(summary, field, std::move(value));
    return true;
}

} // namespace

vCard vCardDataParser::Parse(const std::string& text, FieldMap fieldmap) {
    InternalParse(text);
    vCard card;
    card.setData(items, std::move(fieldmap));
    return card;
}

vCardMini vCardDataParser::ParseMini(const std::string& text) {
    items.clear();
    return readCardSummary(text);
}

void vCardDataParser::InternalParse(const std::string& text) {
    items.clear();
    std::string line;
    for (vCardLineReader lines(text); lines.next(&line);)
        ProccessItem(line);
}

void vCardDataParser::ProccessItem(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const std::size_t semicolon = line.find(';');
    vCardItem item;
    if (semicolon < colon) {
        item.name = line.substr(0, semicolon);
        for (const std::string& piece :
             split(line.substr(semicolon + 1, colon - semicolon - 1), ';', 0)) {
            const std::size_t equals = piece.find('=');
            if (equals == std::string::npos)
                continue;
            RawDataPair param{piece.substr(0, equals), piece.substr(equals + 1)};
            if (!param.key.empty() && !param.value.empty())
                item.params.push_back(std::move(param));
        }
    } else {
        item.name = line.substr(0, colon);
    }
    if (item.name.empty())
        return;
    item.name = toUpperAscii(std::move(item.name));
    item.value = line.substr(colon + 1);
    items.push_back(std::move(item));
}

vCardMini readCardSummary(std::string_view text) {
    vCardMini summary;
    std::string unfolded; // for the rare line whose name or colon comes after a fold
    for (vCardLineReader lines(text); lines.next();) {
        if (summariseLine(summary, lines.head(), lines.folded() ? &lines : nullptr))
            continue;
        lines.readUnfolded(unfolded);
        summariseLine(summary, unfolded, nullptr);
    }
    return summary;
}
