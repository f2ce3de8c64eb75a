#include "Transport/SecretForms.h"

#include "Utils/HexDigits.h"
#include "base64.h"

#include <algorithm>
#include <utility>

namespace {

// Shorter stretches of base64 say too little of a secret, and would hide much that is not one.
constexpr std::size_t kShortestEncodedForm = 4;
// The shortest secret searched for, and the shortest start of a form taken for a secret cut short.
constexpr std::size_t kShortestCutForm = 3;

// As an HTML page writes the text, with named or numeric character references.
std::string htmlEscaped(std::string_view text, bool numeric) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += numeric ? "&#38;" : "&amp;";
            break;
        case '<':
            escaped += numeric ? "&#60;" : "&lt;";
            break;
        case '>':
            escaped += numeric ? "&#62;" : "&gt;";
            break;
        case '"':
            escaped += numeric ? "&#34;" : "&quot;";
            break;
        case '\'':
            escaped += numeric ? "&#x27;" : "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// As a JSON string holds the text, with the solidus escaped or not.
std::string jsonEscaped(std::string_view text, bool solidus) {
    std::string escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\' || (solidus && c == '/'))
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string base64Of(std::string_view bytes) {
    return base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned int>(bytes.size()));
}

std::string base64UrlOf(std::string encoded) {
    std::replace(encoded.begin(), encoded.end(), '+', '-');
    std::replace(encoded.begin(), encoded.end(), '/', '_');
    encoded.erase(std::remove(encoded.begin(), encoded.end(), '='), encoded.end());
    return encoded;
}

// The base64 characters that encode `bytes` alone wherever they stand in a longer text: the
// bytes behind 0, 1 or 2 bytes of something else, without the characters that hold bits of what
// comes before or after them.
std::vector<std::string> encodedCores(std::string_view bytes) {
    std::vector<std::string> cores;
    for (std::size_t before = 0; before < 3; ++before) {
        std::string encoded = base64Of(std::string(before, '\0') + std::string(bytes));
        encoded.erase(std::remove(encoded.begin(), encoded.end(), '='), encoded.end());
        const std::size_t first = (before * 8 + 5) / 6;
        const std::size_t last = (before + bytes.size()) * 8 / 6;
        if (last > first)
            cores.push_back(encoded.substr(first, last - first));
    }
    return cores;
}

} // namespace

SecretForms::SecretForms(std::string_view user, std::string_view secret) {
    // A secret of a byte or two cannot be told from ordinary text.
    if (secret.size() < kShortestCutForm)
        return;
    forms.emplace_back(secret);
    for (const bool variant : {false, true}) {
        forms.push_back(htmlEscaped(secret, variant));
        forms.push_back(jsonEscaped(secret, variant));
    }
    std::string plusForSpace(secret);
    std::replace(plusForSpace.begin(), plusForSpace.end(), ' ', '+');
    forms.push_back(std::move(plusForSpace));
    std::vector<std::string> encoded = encodedCores(secret);
    encoded.push_back(base64Of(secret));
    encoded.push_back(base64Of(std::string(user) + ":" + std::string(secret)));
    for (const std::string& form : encoded) {
        if (form.size() < kShortestEncodedForm)
            continue;
        forms.push_back(form);
        forms.push_back(base64UrlOf(form));
    }
    std::sort(forms.begin(), forms.end());
    forms.erase(std::unique(forms.begin(), forms.end()), forms.end());
}

std::string SecretForms::hiddenIn(std::string_view text, bool cut) const {
    std::string shown = hiddenWhole(text);
    if (!cut)
        return shown;
    for (const std::string& form : forms)
        for (std::size_t length = std::min(form.size() - 1, shown.size());
             length >= kShortestCutForm; --length)
            if (shown.compare(shown.size() - length, length, form, 0, length) == 0) {
                shown.replace(shown.size() - length, length, "[hidden]");
                return shown;
            }
    return shown;
}

std::string SecretForms::hiddenWhole(std::string_view text) const {
    if (forms.empty())
        return std::string(text);
    // The text with its percent escapes decoded, and where each of its bytes begins in `text`.
    std::string decoded;
    std::vector<std::size_t> from;
    decoded.reserve(text.size());
    from.reserve(text.size() + 1);
    for (std::size_t at = 0; at < text.size(); ++at) {
        from.push_back(at);
        if (text[at] == '%' && at + 2 < text.size() && hexDigitValue(text[at + 1]) >= 0 &&
            hexDigitValue(text[at + 2]) >= 0) {
            decoded +=
                static_cast<char>(hexDigitValue(text[at + 1]) * 16 + hexDigitValue(text[at + 2]));
            at += 2;
        } else {
            decoded += text[at];
        }
    }
    from.push_back(text.size());

    std::vector<std::pair<std::size_t, std::size_t>> hidden; // stretches of `text`
    for (const std::string& form : forms)
        for (std::size_t at = decoded.find(form); at != std::string::npos;
             at = decoded.find(form, at + 1))
            hidden.emplace_back(from[at], from[at + form.size()]);
    if (hidden.empty())
        return std::string(text);
    std::sort(hidden.begin(), hidden.end());
    std::string shown;
    std::size_t copied = 0;
    for (const auto& [start, end] : hidden) {
        if (end <= copied)
            continue;
        if (start >= copied) {
            shown.append(text.substr(copied, start - copied));
            shown += "[hidden]";
        }
        copied = end;
    }
    shown.append(text.substr(copied));
    return shown;
}
