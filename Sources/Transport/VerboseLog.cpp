#include "Transport/VerboseLog.h"

#include "Utils/AsciiCase.h"

#include <algorithm>
#include <cstdio>

namespace {

enum class Masking {
    SchemeKept, // everything after the scheme word
    Whole,      // the whole value
    Parameters, // the value of each parameter but the harmless ones, and tokens
};

struct MaskedField {
    std::string_view name;
    Masking masking;
};

constexpr MaskedField kMaskedFields[] = {
    {"authorization", Masking::SchemeKept},
    {"proxy-authorization", Masking::SchemeKept},
    {"cookie", Masking::Whole},
    {"set-cookie", Masking::Whole},
    {"www-authenticate", Masking::Parameters},
    {"proxy-authenticate", Masking::Parameters},
    {"authentication-info", Masking::Parameters},
    {"proxy-authentication-info", Masking::Parameters},
};

// Parameters of an authentication exchange that say how to log in, not with what.
constexpr std::string_view kHarmlessParameters[] = {"realm", "error", "algorithm",
                                                    "qop",   "stale", "charset"};

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A masked field found in a line: where its name starts, where its colon is, how it is masked.
struct FoundField {
    std::size_t start = std::string_view::npos;
    std::size_t colon = std::string_view::npos;
    Masking masking = Masking::Whole;
};

// The first masked field of `content`. A name counts only as a field name of its own: at the
// start of the line (a header block) or after "[" or a blank (libcurl's text lines for HTTP/2 and
// HTTP/3 headers, "h2h3 [authorization: ...]", "[HTTP/2] [1] [authorization: ...]"), followed by
// a colon.
FoundField findMaskedField(std::string_view content) {
    for (std::size_t start = 0; start < content.size(); ++start) {
        if (start > 0 && content[start - 1] != '[' && !isBlank(content[start - 1]))
            continue;
        std::size_t end = start;
        while (end < content.size() && isNameCharacter(content[end]))
            ++end;
        std::size_t colon = end;
        while (colon < content.size() && isBlank(content[colon]))
            ++colon;
        if (end == start || colon == content.size() || content[colon] != ':')
            continue;
        const std::string_view name = content.substr(start, end - start);
        for (const MaskedField& field : kMaskedFields)
            if (equalsIgnoringAsciiCase(name, field.name))
                return {start, colon, field.masking};
    }
    return {};
}

// "Bearer abc" keeps "Bearer" and hides the rest; a value of one word is hidden whole.
std::string schemeKept(std::string_view value) {
    const std::size_t scheme = value.find_first_not_of(" \t");
    if (scheme != std::string_view::npos) {
        const std::size_t schemeEnd = value.find_first_of(" \t", scheme);
        if (schemeEnd != std::string_view::npos)
            return std::string(value.substr(0, schemeEnd)) + " [hidden]";
    }
    return " [hidden]";
}

// The end of a parameter value starting at `at`: after its closing quote, or at the next blank
// or comma.
std::size_t parameterValueEnd(std::string_view value, std::size_t at) {
    if (at < value.size() && value[at] == '"') {
        for (++at; at < value.size() && value[at] != '"'; ++at)
            if (value[at] == '\\')
                ++at;
        return std::min(at + 1, value.size());
    }
    return std::min(value.find_first_of(" \t,", at), value.size());
}

// A challenge or authentication information ("Digest realm="x", nonce="y"", "NTLM TlRM...") with
// the scheme words and harmless parameters kept, every other parameter value and every token
// hidden.
std::string parametersMasked(std::string_view value) {
    std::string shown;
    bool afterScheme = false;
    for (std::size_t at = 0; at < value.size();) {
        const char c = value[at];
        if (isBlank(c) || c == ',') {
            afterScheme = afterScheme && c != ',';
            shown += c;
            ++at;
            continue;
        }
        const std::size_t wordEnd = std::min(value.find_first_of(" \t,=", at), value.size());
        std::size_t equalsEnd = wordEnd;
        while (equalsEnd < value.size() && value[equalsEnd] == '=')
            ++equalsEnd;
        const bool endsThere =
            equalsEnd == value.size() || isBlank(value[equalsEnd]) || value[equalsEnd] == ',';
        const std::string_view word = value.substr(at, wordEnd - at);
        if ((equalsEnd > wordEnd && endsThere) || (equalsEnd == wordEnd && afterScheme)) {
            shown += "[hidden]"; // a token: base64 and the like, "=" padding included
            at = equalsEnd;
            afterScheme = false;
        } else if (equalsEnd == wordEnd) {
            shown += word; // a scheme
            at = wordEnd;
            afterScheme = true;
        } else {
            const std::size_t valueEnd = parameterValueEnd(value, wordEnd + 1);
            const bool harmless = std::any_of(
                std::begin(kHarmlessParameters), std::end(kHarmlessParameters),
                [&](std::string_view name) { return equalsIgnoringAsciiCase(word, name); });
            shown.append(word).append("=");
            if (harmless)
                shown.append(value.substr(wordEnd + 1, valueEnd - wordEnd - 1));
            else
                shown += "[hidden]";
            at = valueEnd;
            afterScheme = false;
        }
    }
    return shown;
}

std::string hiddenLine(std::string_view line, const SecretForms& secrets) {
    const std::size_t contentEnd = line.find_last_not_of("\r\n") + 1;
    const std::string_view content = line.substr(0, contentEnd);
    const FoundField field = findMaskedField(content);
    if (field.start == std::string_view::npos)
        return secrets.hiddenIn(line);
    // In a bracketed text line the closing "]" stays.
    const bool bracketed = field.start > 0 && content[field.start - 1] == '[';
    std::size_t valueEnd = bracketed ? content.rfind(']') : contentEnd;
    if (valueEnd == std::string_view::npos || valueEnd < field.colon)
        valueEnd = contentEnd;
    const std::string_view value = content.substr(field.colon + 1, valueEnd - field.colon - 1);
    std::string shown(content.substr(0, field.colon + 1));
    switch (field.masking) {
    case Masking::SchemeKept:
        shown += schemeKept(value);
        break;
    case Masking::Whole:
        shown += " [hidden]";
        break;
    case Masking::Parameters:
        shown += parametersMasked(value);
        break;
    }
    shown.append(line.substr(valueEnd));
    return secrets.hiddenIn(shown);
}

} // namespace

std::string withCredentialsHidden(std::string_view block, const SecretForms& secrets) {
    std::string shown;
    shown.reserve(block.size());
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        const std::size_t length = end == std::string_view::npos ? block.size() : end + 1;
        shown += hiddenLine(block.substr(0, length), secrets);
        block.remove_prefix(length);
    }
    return shown;
}

int writeVerboseLog(CURL*, curl_infotype type, char* data, size_t size, void* secrets) {
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
        const SecretForms none;
        const std::string shown = withCredentialsHidden(
            std::string_view(data, size),
            secrets != nullptr ? *static_cast<const SecretForms*>(secrets) : none);
        std::fputs(mark, stderr);
        std::fwrite(shown.data(), 1, shown.size(), stderr);
    } catch (const std::exception&) {
        // Out of memory: the log line is left out, the request goes on.
    }
    return 0;
}
