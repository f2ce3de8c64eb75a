#include "Functions/ChangeLines.h"

#include "Utils/VorlixUtils.h"
#include "vCard/vCardParser.h"

#include <utility>

void appendChangeLine(std::string& lines, std::string_view kind, const std::string& uid,
                      const std::string& etag, bool isgroup, const std::string& href) {
    lines.append(kind);
    lines += '\t';
    lines += uid;
    lines += '\t';
    lines += etag;
    lines += '\t';
    if (isgroup)
        lines += "group";
    lines += '\t';
    lines += href;
    lines += '\r';
}

addresscard entryOfText(const std::string& url, const std::string& etag,
                        const std::string& lastmodified, const std::string& text) {
    vCardMini summary = readCardSummary(text);
    addresscard entry;
    entry.url = url;
    entry.etag = etag;
    entry.lastmodified = lastmodified;
    // The resource's own name, as a listing gives it for a card without a display name.
    const std::size_t slash = url.find_last_of('/');
    entry.cardid = replace(slash == std::string::npos ? url : url.substr(slash + 1), ".vcf", "");
    entry.uid = std::move(summary.uid);
    entry.isgroup = summary.isgroup;
    entry.members = std::move(summary.members);
    entry.fn = std::move(summary.fn);
    return entry;
}
