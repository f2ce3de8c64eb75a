// A card's multi-valued properties by kind (every e-mail address, phone, address, URL, instant
// messaging handle and date it holds), read whole with their types, preference and Apple label,
// and replaced whole, so that a script can see and rewrite what one field name per TYPE cannot
// reach. Values are text as a person reads it: escapes resolved, line breaks as CR.
#pragma once

#include "vCard/vCard.h"

#include <string>
#include <string_view>
#include <vector>

enum class EntryKind { Email, Phone, Address, Url, Im, Date };

struct CardEntry {
    // The property without its group, upper case (EMAIL, X-JABBER, BDAY); empty in an entry to
    // write: the kind's usual property (EMAIL, TEL, ADR, URL, IMPP, BDAY).
    std::string property;
    // The group prefix (item1), lower case; empty when the property has none.
    std::string group;
    // The value; a date as YYYY-MM-DD or --MM-DD when it reads as one, else as written.
    std::string value;
    // The seven components of an address, in the order of addressParts; empty for other kinds.
    std::vector<std::string> components;
    // The TYPE values, lower case, in the order written, without PREF.
    std::vector<std::string> types;
    // PREF among the types, a bare PREF, or a vCard 4 PREF=1.
    bool pref = false;
    // The X-ABLabel of the property's group, without Apple's _$!<...>!$_ around a built-in one.
    std::string label;
};

// The names of the address components: pobox, extended, street, city, region, postalcode,
// country.
const std::vector<std::string>& addressParts();

// Whether `property` (no group, any case) is one of the properties of `kind`.
bool isPropertyOf(EntryKind kind, std::string_view property);

// Whether the field `name` of `vocabulary` stands for a date property (BDAY, ANNIVERSARY,
// X-ABDATE).
bool isDateField(const FieldMap& vocabulary, const std::string& name);

// Every property of `kind` the card holds, in card order.
std::vector<CardEntry> entriesOf(const vCard& card, EntryKind kind);

// Replaces the card's properties of `kind` by `entries`, in their order. Each entry that equals
// a property the card holds (property, value and components, types, preference and label; the
// group is not compared) keeps that property's item, so it is written back as it was read; the
// entries are matched to the properties by content, each property used once. The others are written
// anew: with a TYPE parameter per type, PREF as a type (a PREF=1 parameter on a vCard 4 card), and
// a label as an X-ABLabel in a group of its own (the entry's group when no kept line uses it). The
// entries take the places of the properties they replace, any surplus after the last of them (at
// the end of a card that had none); a property that goes takes its label (and Apple's X-ABADR) with
// it.
void replaceEntries(vCard& card, EntryKind kind, const std::vector<CardEntry>& entries);

// The first item of a property kind (no group, any case), or null.
const vCardItem* firstOfKind(const vCard& card, std::string_view kind);
// The first item of a property kind to change, appended empty (with its components) at the end
// of a card that has none: an item left empty is not written.
vCardItem& itemOfKind(vCard& card, std::string_view kind);
