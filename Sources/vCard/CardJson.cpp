#include "vCard/CardJson.h"

#include "Utils/AsciiCase.h"
#include "vCard/CardContents.h"
#include "vCard/CardDates.h"
#include "vCard/PictureSize.h"
#include "vCard/vCardComponents.h"
#include "vCard/vCardEncoding.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPicture.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardText.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <utility>

using nlohmann::json;

namespace {

struct ArrayKey {
    const char* key;
    EntryKind kind;
};

const ArrayKey kArrays[] = {
    {"emails", EntryKind::Email}, {"phones", EntryKind::Phone}, {"addresses", EntryKind::Address},
    {"urls", EntryKind::Url},     {"ims", EntryKind::Im},       {"dates", EntryKind::Date}};

// The keys of `name` and the N components they stand for.
const std::pair<const char*, const char*> kNameParts[] = {{"family", "last"},
                                                          {"given", "first"},
                                                          {"additional", "additional"},
                                                          {"prefix", "prefix"},
                                                          {"suffix", "suffix"}};

const char* const kReadOnlyKeys[] = {"uid", "href", "etag", "version", "kind", "groups"};
// Plain text properties, each a key of its own.
const char* const kTextKeys[] = {"title", "note", "nickname"};
// The UID of a card is given once, at its creation.
const char* const kReadOnlyField = "uniqueid";

// Messaging handles and dates come as several properties, so their entries name theirs.
bool namesItsProperty(EntryKind kind) {
    return kind == EntryKind::Im || kind == EntryKind::Date;
}

bool isOneOfKeys(const std::string& key, const char* const* begin, const char* const* end) {
    return std::any_of(begin, end, [&](const char* known) { return key == known; });
}

std::string unescapedValue(const vCard& card, std::string_view kind) {
    const vCardItem* item = firstOfKind(card, kind);
    return item ? unescapedText(item->value) : "";
}

std::vector<std::string> unescapedPieces(const std::string& value, char separator) {
    std::vector<std::string> pieces = splitUnescaped(value, separator);
    for (std::string& piece : pieces)
        piece = unescapedText(piece);
    return pieces;
}

json entryJson(const CardEntry& entry, EntryKind kind) {
    json object = {{"value", entry.value},
                   {"types", entry.types},
                   {"pref", entry.pref},
                   {"label", entry.label},
                   {"group", entry.group}};
    if (kind == EntryKind::Address)
        for (std::size_t i = 0; i < addressParts().size(); ++i)
            object[addressParts()[i]] = entry.components[i];
    if (namesItsProperty(kind))
        object["property"] = entry.property;
    return object;
}

json nameJson(const vCard& card) {
    const vCardItem* n = firstOfKind(card, "N");
    const std::vector<std::string> parts = n ? n->getRawValues(';') : std::vector<std::string>();
    json name = json::object();
    for (std::size_t i = 0; i < std::size(kNameParts); ++i)
        name[kNameParts[i].first] = i < parts.size() ? unescapedText(parts[i]) : "";
    return name;
}

json orgJson(const vCard& card) {
    const vCardItem* org = firstOfKind(card, "ORG");
    std::vector<std::string> parts =
        org ? unescapedPieces(org->value, ';') : std::vector<std::string>();
    const std::string name = parts.empty() ? "" : parts.front();
    if (!parts.empty())
        parts.erase(parts.begin());
    return {{"name", name}, {"units", parts}};
}

json categoriesJson(const vCard& card) {
    json categories = json::array();
    for (const vCardItem& item : card.items)
        if (equalsIgnoringAsciiCase(propertyKind(item.name), "CATEGORIES"))
            for (const std::string& category : unescapedPieces(item.value, ','))
                if (!category.empty())
                    categories.push_back(category);
    return categories;
}

std::string kindOf(const vCard& card) {
    for (const char* property : {"X-ADDRESSBOOKSERVER-KIND", "KIND"})
        if (const vCardItem* kind = firstOfKind(card, property))
            if (equalsIgnoringAsciiCase(kind->value, "group"))
                return "group";
    return "card";
}

// The photo's kind (by its bytes, else as the card names it), size and byte count; a photo that
// is a link rather than data has neither size nor bytes here, and a link on the web is given as
// its "url".
json photoJson(const vCard& card) {
    const vCardItem* photo = firstOfKind(card, "PHOTO");
    if (!photo || photo->value.empty())
        return nullptr;
    Picture picture;
    if (!readPicture(photo->value, photo->getTypeValue("ENCODING"), photo->getTypeValue("TYPE"),
                     picture)) {
        json described = {
            {"type", toLowerAscii(std::string(unquoted(photo->getTypeValue("TYPE"))))},
            {"width", 0},
            {"height", 0},
            {"size", 0}};
        if (isPictureLink(photo->value))
            described["url"] = photo->value;
        return described;
    }
    const PictureHeader header = readPictureHeader(picture.bytes);
    const PictureFormat format =
        header.format != PictureFormat::Unknown ? header.format : formatNamed(picture.imageType);
    const std::string type = format != PictureFormat::Unknown ? std::string(imageTypeName(format))
                                                              : toLowerAscii(picture.imageType);
    return {{"type", type},
            {"width", header.width},
            {"height", header.height},
            {"size", picture.bytes.size()}};
}

// Every field of the vocabulary with the value CardDav_GetvCardItem gives for it, unescaped, and
// each component of a structured one. The photo is container data, described under "photo".
json fieldsJson(const vCard& card, const FieldMap& vocabulary) {
    json fields = json::object();
    for (const auto& [name, entry] : vocabulary) {
        const std::string property = toUpperAscii(std::string(propertyKind(entry.property)));
        if (property == "PHOTO")
            continue;
        fields[name] = unescapedText(card.get(name));
        for (const std::string& component : componentNames(property))
            fields[name + "_" + component] = unescapedText(card.get(name + "_" + component));
    }
    return fields;
}

// The object with every text in UTF-8. Values are UTF-8 as read (vCardEncoding.h); what else
// comes from the card or its listing in other bytes (a parameter, a group name, an href) is read
// as Windows-1252 as values are, so that the object dumps as JSON and a script handing a text
// back hands back exactly what the object holds.
void makeUtf8(json& value) {
    if (value.is_string()) {
        std::string& text = value.get_ref<std::string&>();
        if (!isValidUtf8(text))
            text = textToUtf8(std::move(text), "");
    } else if (value.is_array()) {
        for (json& element : value)
            makeUtf8(element);
    } else if (value.is_object()) {
        bool keysValid = true;
        for (auto& [key, element] : value.items()) {
            makeUtf8(element);
            keysValid = keysValid && isValidUtf8(key);
        }
        if (keysValid)
            return;
        json renamed = json::object();
        for (auto& [key, element] : value.items())
            renamed[textToUtf8(key, "")] = std::move(element);
        value = std::move(renamed);
    }
}

// ---- Reading the changes ----

class Refusal {
public:
    explicit Refusal(std::string& reason) : reason_(reason) {}
    bool operator()(std::string why) {
        reason_ = std::move(why);
        return false;
    }

private:
    std::string& reason_;
};

// A group name as vCard allows it: letters, digits and '-'.
bool isGroupName(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    });
}

// A TYPE value a parameter can carry, quoted where it holds more than a word: not empty, no
// control character and no double quote, which no parameter value can hold.
bool isWritableType(const std::string& text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"';
    });
}

bool readString(const json& value, const std::string& what, std::string& out, Refusal& refuse) {
    if (!value.is_string())
        return refuse("\"" + what + "\" must be text");
    out = value.get<std::string>();
    return true;
}

bool readStrings(const json& value, const std::string& what, std::vector<std::string>& out,
                 Refusal& refuse) {
    if (!value.is_array())
        return refuse("\"" + what + "\" must be an array of texts");
    out.clear();
    for (const json& element : value) {
        if (!element.is_string())
            return refuse("\"" + what + "\" must be an array of texts");
        out.push_back(element.get<std::string>());
    }
    return true;
}

// The types an entry's "types" give, in lower case, as the card will read them once written: a
// given "work,voice" is the two types a quoted list of words reads as.
bool readTypes(const json& value, const std::string& what, std::vector<std::string>& types,
               Refusal& refuse) {
    std::vector<std::string> given;
    if (!readStrings(value, what, given, refuse))
        return false;
    types.clear();
    for (const std::string& type : given) {
        if (!isWritableType(type))
            return refuse("\"" + what + "\" holds a type no parameter can carry: " + type);
        const std::string quoted = "\"" + type + "\"";
        for (const std::string_view listed : parameterValues(quoted))
            types.push_back(toLowerAscii(std::string(listed)));
    }
    return true;
}

bool readEntry(const json& object, const std::string& key, EntryKind kind, CardEntry& entry,
               Refusal& refuse) {
    if (!object.is_object())
        return refuse("each element of \"" + key + "\" must be an object");
    std::map<std::string, std::string> parts;
    for (const auto& [name, value] : object.items()) {
        const std::string what = key + "." + name;
        const bool isPart =
            kind == EntryKind::Address &&
            std::find(addressParts().begin(), addressParts().end(), name) != addressParts().end();
        if (name == "value") {
            if (!readString(value, what, entry.value, refuse))
                return false;
        } else if (name == "label") {
            if (!readString(value, what, entry.label, refuse))
                return false;
        } else if (name == "pref") {
            if (!value.is_boolean())
                return refuse("\"" + what + "\" must be true or false");
            entry.pref = value.get<bool>();
        } else if (name == "types") {
            if (!readTypes(value, what, entry.types, refuse))
                return false;
        } else if (name == "group") {
            if (!readString(value, what, entry.group, refuse))
                return false;
            // Only a new property takes its group, and only one a line can carry.
            if (!isGroupName(entry.group))
                entry.group.clear();
        } else if (name == "property" && namesItsProperty(kind)) {
            if (!readString(value, what, entry.property, refuse))
                return false;
            if (!entry.property.empty() && !isPropertyOf(kind, entry.property))
                return refuse("\"" + what + "\" names no property of \"" + key + "\"");
        } else if (isPart) {
            if (!readString(value, what, parts[name], refuse))
                return false;
        } else {
            return refuse("unknown key \"" + what + "\"");
        }
    }
    if (kind != EntryKind::Address)
        return true;
    // The components, when any is given (and the whole value from them, when it is not given);
    // otherwise the whole value cut at its semicolons.
    std::vector<std::string> pieces;
    if (parts.empty()) {
        for (std::size_t start = 0; start <= entry.value.size();) {
            const std::size_t end = std::min(entry.value.find(';', start), entry.value.size());
            pieces.push_back(entry.value.substr(start, end - start));
            start = end + 1;
        }
    }
    const bool valueGiven = object.contains("value");
    for (std::size_t i = 0; i < addressParts().size(); ++i) {
        entry.components.push_back(parts.empty() ? (i < pieces.size() ? pieces[i] : "")
                                                 : parts[addressParts()[i]]);
        if (!valueGiven)
            entry.value += (i > 0 ? ";" : "") + entry.components.back();
    }
    return true;
}

bool applyArray(vCard& card, const std::string& key, EntryKind kind, const json& value,
                Refusal& refuse) {
    if (!value.is_array())
        return refuse("\"" + key + "\" must be an array");
    std::vector<CardEntry> entries(value.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!readEntry(value[i], key, kind, entries[i], refuse))
            return false;
    if (kind == EntryKind::Date) {
        // A date the card holds already goes back as it came, whatever its form; a new one must
        // be one a reader can take for a date.
        const std::vector<CardEntry> held = entriesOf(card, kind);
        for (const CardEntry& entry : entries)
            if (!isWritableDate(entry.value) &&
                std::none_of(held.begin(), held.end(),
                             [&](const CardEntry& h) { return h.value == entry.value; }))
                return refuse("\"" + key + "\" holds \"" + entry.value +
                              "\", no date in the form " + "YYYY-MM-DD or --MM-DD");
    }
    replaceEntries(card, kind, entries);
    return true;
}

bool applyName(vCard& card, const json& value, const json& held, Refusal& refuse) {
    if (!value.is_object())
        return refuse("\"name\" must be an object");
    for (const auto& item : value.items()) {
        const std::string& key = item.key();
        const json& part = item.value();
        const auto known = std::find_if(std::begin(kNameParts), std::end(kNameParts),
                                        [&](const auto& names) { return key == names.first; });
        if (known == std::end(kNameParts))
            return refuse("unknown key \"name." + key + "\"");
        std::string text;
        if (!readString(part, "name." + key, text, refuse))
            return false;
        if (part != held[key])
            itemOfKind(card, "N").set(escapedText(text, ";,"), known->second);
    }
    return true;
}

bool applyOrg(vCard& card, const json& value, const json& held, Refusal& refuse) {
    if (!value.is_object())
        return refuse("\"org\" must be an object");
    std::string name = held["name"].get<std::string>();
    std::vector<std::string> units = held["units"].get<std::vector<std::string>>();
    for (const auto& [key, part] : value.items()) {
        if (key == "name") {
            if (!readString(part, "org.name", name, refuse))
                return false;
        } else if (key == "units") {
            if (!readStrings(part, "org.units", units, refuse))
                return false;
        } else {
            return refuse("unknown key \"org." + key + "\"");
        }
    }
    if (json{{"name", name}, {"units", units}} == held)
        return true;
    std::string written = escapedText(name, ";,");
    for (const std::string& unit : units)
        written += ";" + escapedText(unit, ";,");
    itemOfKind(card, "ORG").set(written, "");
    return true;
}

bool applyText(vCard& card, const std::string& key, const json& value, Refusal& refuse) {
    std::string text;
    if (!readString(value, key, text, refuse))
        return false;
    const std::string property = toUpperAscii(key);
    itemOfKind(card, property).set(escapedText(text, escapedSeparators(property, {})), "");
    return true;
}

bool applyCategories(vCard& card, const json& value, Refusal& refuse) {
    std::vector<std::string> categories;
    if (!readStrings(value, "categories", categories, refuse))
        return false;
    std::string written;
    for (const std::string& category : categories)
        written += (written.empty() ? "" : ",") + escapedText(category, ",;");
    // One line holds them all.
    bool first = true;
    card.removeProperties("CATEGORIES",
                          [&](const vCardItem&) { return !std::exchange(first, false); });
    itemOfKind(card, "CATEGORIES").set(written, "");
    return true;
}

bool applyFields(vCard& card, const FieldMap& vocabulary, const json& value, const json& held,
                 Refusal& refuse) {
    if (!value.is_object())
        return refuse("\"fields\" must be an object");
    for (const auto& [name, text] : value.items()) {
        if (!held.contains(name))
            return refuse("unknown field \"" + name + "\"");
        if (!text.is_string())
            return refuse("\"fields." + name + "\" must be text");
        if (text == held[name])
            continue;
        if (name == kReadOnlyField)
            return refuse("\"fields." + name + "\" is read-only");
        if (isDateField(vocabulary, name) && !isWritableDate(text.get<std::string>()))
            return refuse("\"fields." + name + "\" is no date in the form YYYY-MM-DD or --MM-DD");
        card.setText(name, text.get<std::string>());
        // A whole structured value set gives its components anew, for the component fields
        // after it.
        if (splitFieldName(name).typeprop.empty())
            for (vCardItem& item : card.items)
                vCard::addInnerValues(item);
    }
    return true;
}

bool applyKey(vCard& card, const std::string& key, const json& value, const json& before,
              Refusal& refuse) {
    if (isOneOfKeys(key, std::begin(kReadOnlyKeys), std::end(kReadOnlyKeys)))
        return value == before[key] || refuse("\"" + key + "\" is read-only");
    if (key == "photo") {
        if (value == before[key])
            return true;
        if (!value.is_null())
            return refuse("\"photo\" can only be removed (null) here");
        card.removeProperties("PHOTO", [](const vCardItem&) { return true; });
        return true;
    }
    for (const ArrayKey& array : kArrays)
        if (key == array.key)
            return value == before[key] || applyArray(card, key, array.kind, value, refuse);
    if (key == "name")
        return applyName(card, value, before[key], refuse);
    if (key == "org")
        return applyOrg(card, value, before[key], refuse);
    if (isOneOfKeys(key, std::begin(kTextKeys), std::end(kTextKeys)))
        return value == before[key] || applyText(card, key, value, refuse);
    if (key == "categories")
        return value == before[key] || applyCategories(card, value, refuse);
    return refuse("unknown key \"" + key + "\"");
}

} // namespace

json cardJson(const vCard& card, const CardIdentity& identity, const FieldMap& vocabulary) {
    json groups = json::array();
    for (const std::string& group : identity.groups)
        groups.push_back(unescapedText(group));
    json object = {{"uid", identity.uid},
                   {"href", identity.href},
                   {"etag", identity.etag},
                   {"version", unescapedValue(card, "VERSION")},
                   {"kind", kindOf(card)},
                   {"fields", fieldsJson(card, vocabulary)},
                   {"name", nameJson(card)},
                   {"org", orgJson(card)},
                   {"categories", categoriesJson(card)},
                   {"groups", groups},
                   {"photo", photoJson(card)}};
    for (const char* key : kTextKeys)
        object[key] = unescapedValue(card, toUpperAscii(key));
    for (const ArrayKey& array : kArrays) {
        json entries = json::array();
        for (const CardEntry& entry : entriesOf(card, array.kind))
            entries.push_back(entryJson(entry, array.kind));
        object[array.key] = std::move(entries);
    }
    makeUtf8(object);
    return object;
}

bool applyCardJson(vCard& card, const CardIdentity& identity, const FieldMap& vocabulary,
                   const json& changes, std::string& refusal) {
    Refusal refuse(refusal);
    if (!changes.is_object())
        return refuse("the text is no JSON object");
    const json before = cardJson(card, identity, vocabulary);
    for (const auto& [key, value] : changes.items())
        if (key != "fields" && !applyKey(card, key, value, before, refuse))
            return false;
    const auto fields = changes.find("fields");
    return fields == changes.end() ||
           applyFields(card, vocabulary, *fields, before["fields"], refuse);
}
