#include "Transport/VerboseLog.h"

#include "Utils/AsciiCase.h"

#include <cstdio>

namespace {

constexpr std::string_view kName = "authorization";
constexpr std::string_view kProxyPrefix = "proxy-";

// Where the name of an Authorization or Proxy-Authorization field begins in `content`, and where
// its colon is; nothing found when `content` holds none. The name counts only as a field name of
// its own: at the start of the line (a header block) or after "[" or a blank (libcurl's text lines
// for HTTP/2 and HTTP/3 headers, "h2h3 [authorization: ...]", "[HTTP/2] [1] [authorization: ...]").
struct FieldName {
    std::size_t start = std::string_view::npos;
    std::size_t colon = std::string_view::npos;
};

FieldName findAuthorizationField(std::string_view content) {
    for (std::size_t at = 0; at + kName.size() <= content.size(); ++at) {
        if (!equalsIgnoringAsciiCase(content.substr(at, kName.size()), kName))
            continue;
        std::size_t start = at;
        if (at >= kProxyPrefix.size() &&
            equalsIgnoringAsciiCase(content.substr(at - kProxyPrefix.size(), kProxyPrefix.size()),
                                    kProxyPrefix))
            start = at - kProxyPrefix.size();
        const bool ownName = start == 0 || content[start - 1] == '[' || content[start - 1] == ' ' ||
                             content[start - 1] == '\t';
        const std::size_t colon = content.find_first_not_of(" \t", at + kName.size());
        if (ownName && colon != std::string_view::npos && content[colon] == ':')
            return {start, colon};
    }
    return {};
}

// "Authorization: Bearer abc" keeps "Authorization: Bearer" and hides the rest; a value of one
// word is hidden whole. In a bracketed text line the closing "]" stays.
std::string hiddenLine(std::string_view line) {
    const std::size_t contentEnd = line.find_last_not_of("\r\n") + 1;
    const std::string_view content = line.substr(0, contentEnd);
    const FieldName field = findAuthorizationField(content);
    if (field.start == std::string_view::npos)
        return std::string(line);
    const bool bracketed = field.start > 0 && content[field.start - 1] == '[';
    std::size_t valueEnd = bracketed ? content.rfind(']') : contentEnd;
    if (valueEnd == std::string_view::npos || valueEnd < field.colon)
        valueEnd = contentEnd;
    const std::size_t scheme = content.find_first_not_of(" \t", field.colon + 1);
    std::size_t kept = field.colon + 1;
    if (scheme < valueEnd) {
        const std::size_t schemeEnd = content.find_first_of(" \t", scheme);
        if (schemeEnd < valueEnd)
            kept = schemeEnd;
    }
    return std::string(content.substr(0, kept)) + " [hidden]" + std::string(line.substr(valueEnd));
}

} // namespace

std::string withCredentialsHidden(std::string_view block) {
    std::string shown;
    shown.reserve(block.size());
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        const std::size_t length = end == std::string_view::npos ? block.size() : end + 1;
        shown += hiddenLine(block.substr(0, length));
        block.remove_prefix(length);
    }
    return shown;
}

int writeVerboseLog(CURL*, curl_infotype type, char* data, size_t size, void*) {
    // libcurl's own format: a two-character mark, then the text or header block as it came.
    const char* mark = nullptr;
    switch (type) {
    case CURLINFO_TEXT:
        mark = "* ";
        break;
    case CURLINFO_HEADER_IN:
        mark = "< ";
        break;
    case CURLINFO_HEADER_OUT:
        mark = "> ";
        break;
    default:
        return 0; // bodies and TLS records are not shown, as libcurl does not show them
    }
    try {
        // Every kind goes through the mask: libcurl reports HTTP/2 request headers as text.
        const std::string shown = withCredentialsHidden(std::string_view(data, size));
        std::fputs(mark, stderr);
        std::fwrite(shown.data(), 1, shown.size(), stderr);
    } catch (const std::exception&) {
        // Out of memory: the log line is left out, the request goes on.
    }
    return 0;
}
