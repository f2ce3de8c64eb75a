// Reader of vCard text as fetched from the server: the full card for editing, or a short
// summary for address-book listings. The reader is forgiving: what it cannot read is dropped.
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
    // One entry per X-ADDRESSBOOKSERVER-MEMBER line, "urn:uuid:" removed.
    std::vector<std::string> members;
    std::string uid;
    bool isgroup = false;
    // The text holds properties beyond those a listing asks of every card (and beyond PRODID and
    // REV, which some servers add to any card they send): the server sent the whole card.
    bool whole = false;
};

class vCardDataParser {
public:
    // The properties of the card last parsed, in text order, values as written (quoted-printable
    // ones decoded).
    std::vector<vCardItem> items;

    // The first card of `text`, carrying a copy of `fieldmap`.
    vCard Parse(const std::string& text, FieldMap fieldmap);
    // readCardSummary(text); `items` are left empty.
    vCardMini ParseMini(const std::string& text);

    // Replaces `items` with the properties of the first card in `text`, its logical lines as
    // vCardLineReader gives them (a card without END:VCARD loses its last property).
    void InternalParse(const std::string& text);
    // Appends the property of one logical line: name;parameters:value, where quoted parameter
    // values may hold ';' and ':', and vCard 2.1 bare parameters (TEL;CELL) are kept. A line
    // without ':' or without a property name yields nothing. Empty values are kept.
    void ProccessItem(const std::string& line);
};

// The summary of the first card in `text`: the last FN, UID and VERSION values, the group flag
// (set by any X-ADDRESSBOOKSERVER-KIND value "group" in any case) and every
// X-ADDRESSBOOKSERVER-MEMBER value with each "urn:uuid:" removed; with or without group prefix,
// values decoded as the full reader decodes them. Lines are read as InternalParse reads them,
// but only these five properties are copied out of the text: a listing summarises thousands of
// cards, some with photos of many kilobytes.
vCardMini readCardSummary(std::string_view text);
