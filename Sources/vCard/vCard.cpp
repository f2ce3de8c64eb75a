#include "vCard/vCard.h"

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardComponents.h"
#include "vCard/vCardLineReader.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardText.h"

#include <algorithm>

namespace {

// An item is a property of the kind its name gives without the group (ITEM1.EMAIL is an EMAIL);
// a group-prefixed name in the field map still names that one property.
bool isProperty(const vCardItem& item, const std::string& property) {
    return str_cmp(item.name, property) ||
           equalsIgnoringAsciiCase(propertyKind(item.name), property);
}

std::string_view firstLine(std::string_view lines) {
    return lines.substr(0, lines.find("\r\n"));
}

// Whether a reader takes `line` into the line written before it, `written`: a text value ending
// in a backslash that escapes nothing takes in the next line unless it looks like a property.
bool takesIn(std::string_view written, std::string_view line) {
    if (written.empty() || written.back() != '\\' ||
        !vCardLineReader::continuesAfterBackslash(line))
        return false;
    std::string card = "BEGIN:VCARD\r\n";
    card.append(written).append("\r\n").append(line).append("\r\n");
    vCardLineReader reader(card);
    reader.next();
    return !reader.next();
}

// Where the line just written at `start` of `text` (after the lines starting at `starts`) goes
// so that it is taken into no line before it, nor takes in the line after it. A card as read
// has no such lines side by side, or the reader would have joined them; an edit that removes
// what stood between brings them together. At the end unless that would join them; also at the
// end when no place fits.
std::size_t placeTakenInByNone(std::string_view text, const std::vector<std::size_t>& starts,
                               std::size_t start) {
    const std::string_view written = text.substr(start, text.size() - start - 2);
    const std::string_view line = firstLine(written);
    const auto lineAt = [&](std::size_t i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : start;
        return text.substr(starts[i], end - starts[i] - 2);
    };
    const auto fits = [&](std::size_t at) {
        return !(at > 0 && takesIn(lineAt(at - 1), line)) &&
               !(at < starts.size() && takesIn(written, firstLine(lineAt(at))));
    };
    for (std::size_t at = starts.size() + 1; at-- > 0;)
        if (fits(at))
            return at;
    return starts.size();
}

} // namespace

void vCard::setData(std::vector<vCardItem> newItems, FieldMap fieldmap, std::string textAfter) {
    for (vCardItem& item : newItems)
        addInnerValues(item);
    items = std::move(newItems);
    mapping = std::move(fieldmap);
    afterCard = std::move(textAfter);
}

void vCard::addInnerValues(vCardItem& item) {
    const std::vector<std::string>& names = componentNames(std::string(propertyKind(item.name)));
    if (!names.empty())
        item.setinnervalues(names);
}

bool vCard::findprop(const std::string& key, std::uint32_t& index) const {
    index = notFound;
    const auto entry = mapping.find(key);
    if (entry == mapping.end())
        return false;
    const RawLayoutMap& wanted = entry->second;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const vCardItem& item = items[i];
        if (isProperty(item, wanted.property) &&
            (wanted.type.empty() || listsType(item.params, wanted.type))) {
            index = static_cast<std::uint32_t>(i);
            return true;
        }
    }
    return false;
}

const vCardItem* vCard::findItem(const std::string& key) const {
    std::uint32_t index = notFound;
    return findprop(key, index) ? &items[index] : nullptr;
}

vCardItem* vCard::findOrAddItem(const std::string& key) {
    std::uint32_t index = notFound;
    if (findprop(key, index))
        return &items[index];
    const std::int32_t added = addRawProp(key);
    return added < 0 ? nullptr : &items[static_cast<std::size_t>(added)];
}

std::string vCard::get(const std::string& field) const {
    const FieldName name = splitFieldName(field);
    const vCardItem* item = findItem(name.mainprop);
    return item ? item->get(name.typeprop) : "";
}

void vCard::set(const std::string& field, std::string value) {
    const FieldName name = splitFieldName(field);
    if (vCardItem* item = findOrAddItem(name.mainprop))
        item->set(std::move(value), name.typeprop);
}

void vCard::setText(const std::string& field, const std::string& text) {
    const FieldName name = splitFieldName(field);
    vCardItem* item = findOrAddItem(name.mainprop);
    if (item == nullptr)
        return;
    const bool component = !name.typeprop.empty() && !item->innernames.empty();
    const std::string separators = component ? ";," : escapedSeparators(item->name, item->params);
    item->set(escapedText(text, separators), name.typeprop);
}

std::string vCard::getTypeValue(const std::string& field, const std::string& paramName) const {
    const vCardItem* item = findItem(splitFieldName(field).mainprop);
    return item ? item->getTypeValue(paramName) : "";
}

void vCard::setTypeValue(const std::string& field, const std::string& paramName,
                         std::string value) {
    if (vCardItem* item = findOrAddItem(splitFieldName(field).mainprop))
        item->setTypeValue(paramName, std::move(value));
}

std::int32_t vCard::addRawProp(const std::string& key) {
    const auto entry = mapping.find(key);
    if (entry == mapping.end())
        return -1;
    vCardItem item(entry->second.property, "");
    addInnerValues(item);
    item.params.push_back({"TYPE", entry->second.type});
    items.push_back(std::move(item));
    return static_cast<std::int32_t>(items.size() - 1);
}

bool vCard::valid() const {
    return std::none_of(items.begin(), items.end(), [](const vCardItem& item) {
        return item.value.empty() && (item.name == "FN" || item.name == "N" ||
                                      item.name == "PRODID" || item.name == "VERSION");
    });
}

std::string vCard::toString() {
    std::size_t estimate = 32 + afterCard.size();
    for (const vCardItem& item : items)
        estimate += item.name.size() + item.value.size() + item.value.size() / 24 + 32;
    std::string text;
    text.reserve(estimate);
    text += "BEGIN:VCARD\r\n";
    // Where each line written starts, the text of the card before it.
    std::vector<std::size_t> starts;
    for (vCardItem& item : items) {
        const std::size_t start = text.size();
        if (!item.appendTo(text))
            continue;
        text += "\r\n";
        const std::size_t at = placeTakenInByNone(text, starts, start);
        if (at < starts.size()) {
            std::rotate(text.begin() + starts[at], text.begin() + start, text.end());
            for (std::size_t i = at; i < starts.size(); ++i)
                starts[i] += text.size() - start;
            starts.insert(starts.begin() + at, starts[at] - (text.size() - start));
        } else {
            starts.push_back(start);
        }
    }
    text += "END:VCARD\r\n";
    text += afterCard;
    return text;
}

void vCard::appendProperty(std::string name, std::string value) {
    items.emplace_back(std::move(name), std::move(value));
}

void vCard::clear() {
    items.clear();
    afterCard.clear();
}
