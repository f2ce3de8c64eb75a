#include "vCardParser.h"

#include "VorlixUtils.h"
#include "vCardText.h"

#include <string_view>

namespace {

bool isLine(std::string_view line, const std::string& expected) {
    return line.size() == expected.size() && str_cmp(std::string(line), expected);
}

enum HeaderCode : std::int16_t {
    CodeFn = 13,
    CodeUid = 40,
    CodeVersion = 42,
    CodeKind = 73,
    CodeMember = 74,
};

std::int16_t headerCode(const std::string& name) {
    const auto found = vCardHeaders.find(name);
    return found == vCardHeaders.end() ? 0 : found->second;
}

} // namespace

std::map<std::string, std::int16_t> createHeaderLookup() {
    return {
        {"ADR", 0},
        {"BDAY", 3},
        {"CATEGORIES", 7},
        {"CLASS", 8},
        {"EMAIL", 10},
        {"FN", CodeFn},
        {"GEO", 15},
        {"KEY", 17},
        {"LABEL", 19},
        {"MAILER", 22},
        {"N", 24},
        {"NAME", 25},
        {"NICKNAME", 26},
        {"NOTE", 27},
        {"ORG", 28},
        {"PHOTO", 29},
        {"PRODID", 30},
        {"REV", 33},
        {"ROLE", 34},
        {"SOURCE", 36},
        {"TEL", 37},
        {"TITLE", 38},
        {"TZ", 39},
        {"UID", CodeUid},
        {"URL", 41},
        {"VERSION", CodeVersion},
        {"X-WAB-GENDER", 51},
        {"X-ADDRESSBOOKSERVER-KIND", CodeKind},
        {"X-ADDRESSBOOKSERVER-MEMBER", CodeMember},
    };
}

const std::map<std::string, std::int16_t> vCardHeaders = createHeaderLookup();

vCard vCardDataParser::Parse(const std::string& text, FieldMap fieldmap) {
    InternalParse(text);
    vCard card;
    card.setData(items, std::move(fieldmap));
    return card;
}

vCardMini vCardDataParser::ParseMini(const std::string& text) {
    InternalParse(text);
    vCardMini mini;
    for (const vCardItem& item : items) {
        switch (headerCode(item.name)) {
        case CodeFn:
            mini.fn = item.value;
            break;
        case CodeUid:
            mini.uid = item.value;
            break;
        case CodeVersion:
            mini.version = item.value;
            break;
        case CodeKind:
            if (toLowerAscii(item.value) == "group")
                mini.isgroup = true;
            break;
        case CodeMember:
            mini.members.push_back(replace(item.value, "urn:uuid:", ""));
            break;
        default:
            break;
        }
    }
    return mini;
}

void vCardDataParser::InternalParse(const std::string& text) {
    items.clear();
    std::string pending;
    bool inCard = false;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (!inCard) {
            inCard = isLine(line, "BEGIN:VCARD");
        } else if (isLine(line, "END:VCARD")) {
            ProccessItem(pending);
            return;
        } else if (line.empty()) {
            // An empty line inside a folded property does not end it.
        } else if (line[0] == ' ' || line[0] == '\t') {
            pending.append(line.substr(1));
        } else {
            ProccessItem(pending);
            pending.assign(line);
        }
    }
}

void vCardDataParser::ProccessItem(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const std::size_t semicolon = line.find(';');
    vCardItem item;
    if (semicolon < colon) {
        item.name = line.substr(0, semicolon);
        for (const std::string& piece :
             split(line.substr(semicolon + 1, colon - semicolon - 1), ';', 0)) {
            const std::size_t equals = piece.find('=');
            if (equals == std::string::npos)
                continue;
            RawDataPair param{piece.substr(0, equals), piece.substr(equals + 1)};
            if (!param.key.empty() && !param.value.empty())
                item.params.push_back(std::move(param));
        }
    } else {
        item.name = line.substr(0, colon);
    }
    if (item.name.empty())
        return;
    item.name = toUpperAscii(std::move(item.name));
    item.value = line.substr(colon + 1);
    items.push_back(std::move(item));
}
