#include "vCard/vCard.h"

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardComponents.h"
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
    for (vCardItem& item : items)
        if (item.appendTo(text))
            text += "\r\n";
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
