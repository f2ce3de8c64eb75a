// One vCard property line (EMAIL, TEL, ADR, N, PHOTO...) with its parameters and value, and the
// named components of the structured properties ADR, N and GEO.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// One parameter of a property line; `value` is kept whole, commas included (HOME,WORK).
struct RawDataPair {
    std::string key;
    std::string value;
};

class BasevCardItem {
public:
    // Component names of a structured property in value order; empty for a plain property.
    std::vector<std::string> innernames;
    // Current text of each component, as written in the value (escapes included).
    std::map<std::string, std::string> innervalues;
    // Property name in upper case, group prefix included (ITEM1.EMAIL).
    std::string name;
    std::vector<RawDataPair> params;
    // The value as written in the property line: components joined by ';', escapes included.
    std::string value;

    virtual std::string toString() = 0;
    virtual void setinnervalues(std::vector<std::string> names) = 0;

    // Cuts `value` at each unescaped `separator` (empty pieces kept, no trailing empty piece).
    std::vector<std::string> getRawValues(char separator) const;
    // The value of the first parameter named `paramName` (ignoring case), or empty text.
    std::string getTypeValue(const std::string& paramName) const;
    // Replaces the value of the first parameter named `paramName` (ignoring case), or appends
    // the parameter under the upper-cased name.
    void setTypeValue(const std::string& paramName, std::string newValue);

protected:
    BasevCardItem() = default;
    BasevCardItem(const BasevCardItem&) = default;
    BasevCardItem(BasevCardItem&&) = default;
    BasevCardItem& operator=(const BasevCardItem&) = default;
    BasevCardItem& operator=(BasevCardItem&&) = default;
    // Not virtual: items are values and never deleted through a base pointer.
    ~BasevCardItem() = default;
};

class vCardItem final : public BasevCardItem {
public:
    vCardItem() = default;
    // A plain property, e.g. vCardItem("FN", fullName).toString() writes an escaped FN line.
    vCardItem(std::string propertyName, std::string propertyValue);

    // The whole value when `component` is empty or the item has no components, else the text
    // of that component (name compared in lower case; empty text for an unknown name).
    std::string get(std::string component) const;
    // Without a component (or on a plain property) replaces the whole value. With one, stores
    // `newValue` as that component, escaping its ';' and ',' so that it stays one component,
    // and rebuilds the value from all components.
    void set(std::string newValue, std::string component);
    // Gives the item these component names and fills them from the current value.
    void setinnervalues(std::vector<std::string> names) override;
    // The property line without its final CR LF, or empty text when the value is empty or the
    // item cannot be written. Parameter names and values are upper-cased in place; the value is
    // escaped; lines longer than 76 bytes are folded.
    std::string toString() override;
};
