#include "vCard/vCardParser.h"

#include "vCard/vCardCategories.h"
#include "vCard/vCardEncoding.h"
#include "vCard/vCardGroup.h"
#include "vCard/vCardLineReader.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardWords.h"

#include <utility>

namespace {

// The properties a card summary reads.
enum class SummaryField { Other, Fn, Uid, Version, Kind, Member, Categories };

// The property `name` is for the summary; the group prefix does not count (ITEM1.FN is an FN).
// Asked of every line of every card of a listing: most names are passed over on their length.
SummaryField summaryField(std::string_view name) {
    const std::string_view kind = propertyKind(name);
    switch (kind.size()) {
    case 2:
        return isWord(kind, "FN") ? SummaryField::Fn : SummaryField::Other;
    case 3:
        return isWord(kind, "UID") ? SummaryField::Uid : SummaryField::Other;
    case 7:
        return isWord(kind, "VERSION") ? SummaryField::Version : SummaryField::Other;
    case 10:
        return isWord(kind, "CATEGORIES") ? SummaryField::Categories : SummaryField::Other;
    default:
        if (isGroupKindProperty(kind))
            return SummaryField::Kind;
        if (isGroupMemberProperty(kind))
            return SummaryField::Member;
        return SummaryField::Other;
    }
}

void summarise(vCardMini& summary, SummaryField field, const PropertyLine& line) {
    switch (field) {
    case SummaryField::Fn:
        assignDecodedValue(summary.fn, line);
        break;
    case SummaryField::Uid:
        assignDecodedValue(summary.uid, line);
        break;
    case SummaryField::Version:
        assignDecodedValue(summary.version, line);
        break;
    case SummaryField::Kind:
        // A later KIND line never takes the group flag back.
        if (meansGroup(decodedValue(line)))
            summary.isgroup = true;
        break;
    case SummaryField::Member:
        summary.members.push_back(memberUid(decodedValue(line)));
        break;
    case SummaryField::Categories:
        addCategoryNames(summary.categories, decodedValue(line));
        break;
    case SummaryField::Other:
        break;
    }
}

// Whether a property other than the summary's own can only have come with the whole card: a
// listing asks for the summary's properties (vCard 4's KIND and MEMBER among them) and
// CATEGORIES, and a server may add PRODID and REV to whatever it sends.
bool isBeyondListing(std::string_view name) {
    static constexpr std::string_view listed[] = {"CATEGORIES", "PRODID", "REV"};
    const std::string_view kind = propertyKind(name);
    for (const std::string_view property : listed)
        if (isWord(kind, property))
            return false;
    return true;
}

} // namespace

vCard vCardDataParser::Parse(const std::string& text, FieldMap fieldmap) {
    InternalParse(text);
    vCard card;
    card.setData(items, std::move(fieldmap), afterCard);
    return card;
}

vCard readvCard(const std::string& text, FieldMap fieldmap) {
    vCardDataParser parser;
    parser.InternalParse(text);
    vCard card;
    card.setData(std::move(parser.items), std::move(fieldmap), std::move(parser.afterCard));
    return card;
}

void vCardDataParser::InternalParse(const std::string& text) {
    items.clear();
    std::string line;
    vCardLineReader lines(text);
    while (lines.next(&line)) {
        if (!lines.nestedCard() && (line.empty() || ProccessItem(line)))
            continue;
        lines.readPhysicalLines(line);
        items.push_back(vCardItem::verbatim(std::move(line)));
    }
    afterCard = lines.textAfterCard();
}

bool vCardDataParser::ProccessItem(const std::string& line) {
    PropertyLine parts;
    if (!splitPropertyLine(line, parts))
        return false;
    items.emplace_back(parts);
    return true;
}

vCardMini readCardSummary(std::string_view text) {
    vCardMini summary;
    std::string unfolded; // only folded lines are copied out of the text, and only when needed
    for (vCardLineReader lines(text); lines.next();) {
        // Most lines are skipped once their name is known, which it is from the first physical
        // line unless a fold cuts the name.
        std::string_view line = lines.head();
        std::size_t end = nameEnd(line);
        const bool nameCut = end == std::string_view::npos;
        if (nameCut) {
            if (!lines.folded())
                continue; // no colon at all: no property
            lines.readUnfolded(unfolded);
            line = unfolded;
            end = nameEnd(line);
        }
        const SummaryField field = summaryField(line.substr(0, end));
        if (field == SummaryField::Other) {
            // Only a line that names a property tells what the server sent.
            if (end != std::string_view::npos && end > 0)
                summary.whole = summary.whole || isBeyondListing(line.substr(0, end));
            continue;
        }
        if (!nameCut && lines.folded()) {
            lines.readUnfolded(unfolded); // the name stays where it was
            line = unfolded;
        }
        PropertyLine parts;
        if (splitPropertyLine(line, end, parts))
            summarise(summary, field, parts);
    }
    return summary;
}
