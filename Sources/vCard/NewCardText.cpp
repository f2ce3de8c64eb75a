#include "vCard/NewCardText.h"

#include "vCard/vCardComponents.h"
#include "vCard/vCardItem.h"

namespace {

// The FN line; an empty name still gives the line, which every vCard 3.0 card must have.
std::string fullNameLine(const std::string& fn) {
    const std::string line = vCardItem("FN", fn).toString();
    return line.empty() ? "FN:" : line;
}

// The N line with the whole name as the family name and the other four components empty.
std::string nameLine(const std::string& fn) {
    const std::vector<std::string>& components = componentNames("N");
    vCardItem name("N", "");
    name.setinnervalues(components);
    name.set(fn, components.front());
    return name.toString();
}

} // namespace

std::string newCardText(const std::string& uid, const std::string& fn, bool isgroup,
                        const std::vector<std::string>& members) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\n";
    text += "UID:" + uid + "\r\n";
    text += fullNameLine(fn) + "\r\n";
    text += nameLine(fn) + "\r\n";
    if (isgroup) {
        text += "X-ADDRESSBOOKSERVER-KIND:group\r\n";
        for (const std::string& member : members)
            text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member + "\r\n";
    }
    text += "END:VCARD\r\n";
    return text;
}
