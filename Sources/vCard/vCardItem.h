// One vCard property line (EMAIL, TEL, ADR, N, PHOTO...) with its parameters and value, and the
// named components of the structured properties ADR, N and GEO.
//
// An item read from vCard text keeps the line it was read from, and as long as it is not changed
// (through set or setTypeValue) it is written back exactly as it was read: group, name,
// parameters and value byte for byte, only the folding may differ. A changed item is written
// from its fields, keeping the name and the parameters as they were read.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct PropertyLine;

// One parameter of a property line, as written: `value` is kept whole, commas and quotes
// included (HOME,WORK). A vCard 2.1 bare parameter (the CELL of TEL;CELL) has an empty `key`.
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
    // The value as written in the property line: components joined by ';', escapes included,
    // always in UTF-8: a quoted-printable value is held decoded, 8-bit text in the character set
    // its CHARSET names (vCardEncoding.h).
    std::string value;

    virtual std::string toString() = 0;
    virtual void setinnervalues(std::vector<std::string> names) = 0;

    // Cuts `value` at each unescaped `separator` (empty pieces kept, no trailing empty piece).
    std::vector<std::string> getRawValues(char separator) const;
    // The value of the first parameter named `paramName` (ignoring case), or empty text. A bare
    // parameter is named ENCODING when it is an encoding word (BASE64...), else TYPE.
    std::string getTypeValue(const std::string& paramName) const;
    // Replaces the value of the first parameter named `paramName` (ignoring case), or appends
    // the parameter under the upper-cased name. A bare parameter stays bare while its new value
    // still reads under that name.
    void setTypeValue(const std::string& paramName, std::string newValue);

    // Whether the item was read from vCard text and has not been changed since.
    bool unchanged() const { return (keptVerbatim || !receivedHead.empty()) && !changed; }
    // Whether the item holds lines of the card kept as they came, not a property.
    bool isVerbatim() const { return keptVerbatim; }
    // Whether the item is a property of this kind, ignoring case and group prefix (ITEM1.EMAIL
    // is an EMAIL).
    bool isOfKind(std::string_view kind) const;

protected:
    BasevCardItem() = default;
    BasevCardItem(const BasevCardItem&) = default;
    BasevCardItem(BasevCardItem&&) = default;
    BasevCardItem& operator=(const BasevCardItem&) = default;
    BasevCardItem& operator=(BasevCardItem&&) = default;
    // Not virtual: items are values and never deleted through a base pointer.
    ~BasevCardItem() = default;

    // The line as read up to the value's colon: group, name and parameters as written; empty
    // for an item made in memory.
    std::string receivedHead;
    // The value as the line held it, when `value` holds it decoded or joined: quoted-printable
    // text with its soft line breaks as "=" CR LF, backslash continuations as "\" CR LF, 8-bit
    // text in its own character set.
    std::string receivedValue;
    bool changed = false;
    bool keptVerbatim = false;
};

class vCardItem final : public BasevCardItem {
public:
    vCardItem() = default;
    // A plain property, e.g. vCardItem("FN", fullName).toString() writes an escaped FN line.
    vCardItem(std::string propertyName, std::string propertyValue);
    // The property of a line as read: the name upper-cased, the parameters as written, the value
    // decoded to UTF-8 (decodedValue). A line holding a CR (other than in a soft line break)
    // cannot be written back as it is, and counts as changed.
    explicit vCardItem(const PropertyLine& line);
    // Lines of a card that hold no property the plug-in reads (a line without a property name or
    // colon, a nested card), physical lines separated by CR LF: kept in `value`, without name or
    // parameters, and written back exactly as they are.
    static vCardItem verbatim(std::string lines);

    // The whole value when `component` is empty or the item has no components, else the text
    // of that component (name compared in lower case; empty text for an unknown name).
    std::string get(std::string component) const;
    // Without a component (or on a plain property) replaces the whole value. With one, stores
    // `newValue` as that component, escaping its ';' and ',' so that it stays one component,
    // and rebuilds the value from all components (unless the item is unchanged and that
    // component already holds the text). The item counts as changed when its value differs
    // afterwards.
    void set(std::string newValue, std::string component);
    // Gives the item these component names and fills them from the current value.
    void setinnervalues(std::vector<std::string> names) override;
    // The property line without its final CR LF, or empty text when the item is not written.
    // An unchanged item gives the line it was read from (an empty value included, 8-bit text in
    // its own bytes), folded when longer than 76 bytes unless it is quoted-printable or holds
    // lines the reader joined (backslash continuations), which are written as they came;
    // verbatim lines are written as they are. Any other item with an empty value is not
    // written. A changed item keeps its name and parameters as read, but for its ENCODING when
    // it was quoted-printable and its CHARSET when that names anything but UTF-8: its value is
    // now written as plain UTF-8. An item made in memory has its parameter names and values
    // upper-cased in place. The value of both is escaped as escapedValue says, and the line
    // folded when longer than 76 bytes. Parameters holding a line break are left out. A line
    // reading END:VCARD or BEGIN:VCARD is never written.
    std::string toString() override;
    // Appends what toString gives to `out`; false, with `out` as it was, when that is empty.
    bool appendTo(std::string& out);
    // The name as the line was read with it (group prefix and case as written), or `name` for
    // an item made in memory.
    std::string_view writtenName() const;

private:
    void appendRewritten(std::string& out);
};
