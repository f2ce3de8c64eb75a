// Cards in the styles that contact programs write (vCard 2.1 exports with quoted-printable, 8-bit
// text and bare types, item groups with Apple's labels, X- extensions, vCard 4, CR CR LF line
// ends) and a hostile one, written for these tests from the formats. Each comes with what a
// script reads from it, one change a script makes field by field and one through the card's
// JSON, and the line each change must give.
#pragma once

#include "PluginHarness.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

struct ClientCard {
    std::string style;
    std::string uid;
    std::string text;
    // Field names and the text GetvCardItem gives for them.
    std::vector<std::pair<std::string, std::string>> reads;
    // The bytes of the card's photo, and the container stream they come in; empty: no photo.
    std::string photo;
    std::string photoStream;

    // The change: `field` set to `newValue`, or, when `field` is "photo", to a JPEG container
    // holding `newValue`.
    std::string field;
    std::string newValue;
    // The logical line the change rewrites, as read; empty when the change adds a line at the
    // end of the card.
    std::string changedLine;
    // The logical line the change must give.
    std::string expectedLine;
    // The change through CardDav_SetvCardJSON: the text at `jsonPointer` of the card's JSON set
    // to `jsonValue`; the logical line it rewrites and the line it must give.
    std::string jsonPointer;
    std::string jsonValue;
    std::string jsonChangedLine;
    std::string jsonExpectedLine;
    // Whether the Radicale of the integration tests can store the card: it cannot read
    // quoted-printable soft line breaks, 2.1 quoted-printable UTF-8, a byte-order mark or
    // CR CR LF line ends.
    bool storableOnRadicale = true;
};

std::vector<ClientCard> clientCards();
// The cards of clientCards() that the Radicale of the integration tests can store.
std::vector<ClientCard> cardsRadicaleStores();

// The argument SetvCardItem takes for the change of `card`.
Arg changedValue(const ClientCard& card);

// The logical lines of a vCard text, read independently of the plug-in: physical lines end at
// LF with any CRs before it, a line starting with a blank continues the one before (without the
// blank), a quoted-printable value ending in "=" goes on with the next line (the "=" and the
// line end removed), and empty lines and a byte-order mark before BEGIN are dropped.
std::vector<std::string> logicalLines(const std::string& text);

// `original` as logical lines with one change made: `changedLine` replaced by `expectedLine`, or,
// when `changedLine` is empty, `expectedLine` added before END:VCARD.
std::vector<std::string> linesAfterChange(const std::string& original,
                                          const std::string& changedLine,
                                          const std::string& expectedLine);
// The same for the field change of `card`.
std::vector<std::string> linesAfterChange(const ClientCard& card, const std::string& original);
// `lines` joined with `lineEnd`, one after each.
std::string joined(const std::vector<std::string>& lines, const std::string& lineEnd);

// Lets GoogleTest name the parameterised tests by card style, and print a card as its style.
std::string cardStyleName(const ClientCard& card);
void PrintTo(const ClientCard& card, std::ostream* out);
