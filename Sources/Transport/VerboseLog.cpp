#include "Transport/VerboseLog.h"

#include "Utils/AsciiCase.h"

#include <cstdio>

namespace {

// "Authorization: Bearer abc" keeps "Authorization: Bearer" and hides the rest; a value of one
// word is hidden whole.
std::string hiddenLine(std::string_view line) {
    const std::size_t contentEnd = line.find_last_not_of("\r\n") + 1;
    const std::string_view content = line.substr(0, contentEnd);
    for (std::string_view name : {"Authorization:", "Proxy-Authorization:"}) {
        if (!startsWithIgnoringAsciiCase(content, name))
            continue;
        const std::size_t scheme = content.find_first_not_of(" \t", name.size());
        const std::size_t schemeEnd =
            scheme == std::string_view::npos ? scheme : content.find_first_of(" \t", scheme);
        const std::size_t kept = schemeEnd == std::string_view::npos ? name.size() : schemeEnd;
        return std::string(content.substr(0, kept)) + " [hidden]" +
               std::string(line.substr(contentEnd));
    }
    return std::string(line);
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
        const std::string shown = withCredentialsHidden(std::string_view(data, size));
        std::fputs(mark, stderr);
        std::fwrite(shown.data(), 1, shown.size(), stderr);
    } catch (const std::exception&) {
        // Out of memory: the log line is left out, the request goes on.
    }
    return 0;
}
