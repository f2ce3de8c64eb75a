// Reader of vCard text as fetched from the server: the full card for editing, or a short
// summary for address-book listings. The reader is forgiving, and loses nothing: what it cannot
// read as a property is kept as it came, to be written back with the card.
#pragma once

#include "Mapping/DataMapping.h"
#include "vCard/vCard.h"
#include "vCard/vCardItem.h"

#include <string>
#include <string_view>
#include <vector>

// The summary of a card that listings need.
struct vCardMini {
    std::string version;
    std::string fn;
    // One entry per member line (X-ADDRESSBOOKSERVER-MEMBER or MEMBER), "urn:uuid:" removed.
    std::vector<std::string> members;
    std::string uid;
    bool isgroup = false;
    // The names of its CATEGORIES lines, unescaped, each once, in card order.
    std::vector<std::string> categories;
    // The text holds properties beyond those a listing asks of every card (and beyond PRODID and
    // REV, which some servers add to any card they send): the server sent the whole card.
    bool whole = false;
};

class vCardDataParser {
public:
    // The properties of the card last parsed, in text order, values as written (quoted-printable
    // ones decoded, backslash continuations read as "\n"); between them, as verbatim items, the
    // lines that hold no property (no property name, no colon) and nested cards.
    std::vector<vCardItem> items;
    // The text after the END:VCARD line of the card last parsed, as vCardLineReader gives it.
    std::string afterCard;

    // The first card of `text`, carrying a copy of `fieldmap` and the text after it.
    vCard Parse(const std::string& text, FieldMap fieldmap);

    // Replaces `items` and `afterCard` from the first card in `text`, its logical lines as
    // vCardLineReader gives them (up to the end of the text when the card has no END:VCARD).
    void InternalParse(const std::string& text);
    // Appends the property of one logical line: name;parameters:value, where quoted parameter
    // values may hold ';' and ':', and vCard 2.1 bare parameters (TEL;CELL) are kept. False,
    // appending nothing, for a line without ':' or without a property name. Empty values are
    // kept.
    bool ProccessItem(const std::string& line);
};

// The first card of `text` as a card carrying `fieldmap`, for the functions that read a card to
// work on it (what vCardDataParser::Parse gives, without keeping a parser's copy of the items).
vCard readvCard(const std::string& text, FieldMap fieldmap);

// The summary of the first card in `text`: the last FN, UID and VERSION values, the group flag
// (set by any KIND or X-ADDRESSBOOKSERVER-KIND value "group" in any case), every MEMBER and
// X-ADDRESSBOOKSERVER-MEMBER value with each "urn:uuid:" removed, and the category names; with or
// without group prefix, values decoded as the full reader decodes them, nested cards skipped. Lines
// are read as InternalParse reads them, but only these properties are copied out of the text: a
// listing summarises thousands of cards, some with photos of many kilobytes.
vCardMini readCardSummary(std::string_view text);
