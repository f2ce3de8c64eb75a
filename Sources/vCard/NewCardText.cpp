#include "vCard/NewCardText.h"

#include "vCard/vCardComponents.h"
#include "vCard/vCardItem.h"
#include "vCard/vCardText.h"

namespace {

// A line whose value is written as stored, line breaks aside.
std::string lineAsStored(const std::string& name, const std::string& value) {
    return name + ":" + escapedValue(name, {}, value) + "\r\n";
}

std::string fullNameLine(const std::string& fullName) {
    const std::string line = vCardItem("FN", fullName).toString();
    return (line.empty() ? "FN:" : line) + "\r\n";
}

std::string nameLine(const std::string& fullName) {
    const std::vector<std::string>& components = componentNames("N");
    vCardItem name("N", "");
    name.setinnervalues(components);
    name.set(fullName, components.front());
    return name.toString() + "\r\n";
}

} // namespace

std::string newCardText(const std::string& uid, const std::string& fullName, bool isGroup,
                        const std::vector<std::string>& members) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\n";
    text += lineAsStored("UID", uid);
    text += fullNameLine(fullName);
    text += nameLine(fullName);
    if (isGroup) {
        text += "X-ADDRESSBOOKSERVER-KIND:group\r\n";
        for (const std::string& member : members)
            text += lineAsStored("X-ADDRESSBOOKSERVER-MEMBER", "urn:uuid:" + member);
    }
    text += "END:VCARD\r\n";
    return text;
}
