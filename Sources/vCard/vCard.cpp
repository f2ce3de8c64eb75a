#include "vCard/vCard.h"

#include "Utils/VorlixUtils.h"

#include <algorithm>

namespace {

// True when one of the item's TYPE parameters names `type`, either as its whole value or as one
// element of a comma list: servers rewrite TYPE=INTERNET;TYPE=PREF into TYPE=INTERNET,PREF.
bool listsType(const vCardItem& item, const std::string& type) {
    for (const RawDataPair& param : item.params) {
        if (!str_cmp(param.key, "TYPE"))
            continue;
        if (str_cmp(param.value, type))
            return true;
        for (const std::string& element : split(param.value, ',', 0))
            if (str_cmp(element, type))
                return true;
    }
    return false;
}

} // namespace

void vCard::setData(std::vector<vCardItem> newItems, FieldMap fieldmap) {
    for (vCardItem& item : newItems)
        addInnerValues(item);
    items = std::move(newItems);
    mapping = std::move(fieldmap);
}

void vCard::addInnerValues(vCardItem& item) {
    const std::vector<std::string>& names = componentNames(item.name);
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
        if (str_cmp(item.name, wanted.property) &&
            (wanted.type.empty() || listsType(item, wanted.type))) {
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
    std::size_t estimate = 32;
    for (const vCardItem& item : items)
        estimate += item.name.size() + item.value.size() + item.value.size() / 24 + 32;
    std::string text;
    text.reserve(estimate);
    text += "BEGIN:VCARD\r\n";
    for (vCardItem& item : items) {
        if (item.value.empty())
            continue;
        const std::string line = item.toString();
        if (line.empty())
            continue;
        text += line;
        text += "\r\n";
    }
    text += "END:VCARD\r\n";
    return text;
}

void vCard::clear() {
    items.clear();
}

std::string vCard::stringjoin(const std::vector<std::string>& list, const std::string& separator) {
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += list[i];
    }
    return joined;
}
