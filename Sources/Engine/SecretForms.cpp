#include "Engine/SecretForms.h"

#include "base64.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kHidden = "[hidden]";
constexpr std::size_t kShortestSecret = 3;

std::string htmlEscaped(const std::string& text, bool numeric) {
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

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Percent-encoding in upper- or lower-case hex; form encoding writes a space as '+'.
std::string urlEncoded(const std::string& text, bool lowerHex, bool form) {
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(byte)) {
            encoded += c;
        } else if (form && c == ' ') {
            encoded += '+';
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, lowerHex ? "%%%02x" : "%%%02X", byte);
            encoded += hex;
        }
    }
    return encoded;
}

// As a JSON string holds it, with the solidus escaped or not.
std::string jsonEscaped(const std::string& text, bool solidus) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || (solidus && c == '/')) {
            escaped += '\\';
            escaped += c;
        } else if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void replaceAll(std::string& text, const std::string& form) {
    for (std::size_t at = text.find(form); at != std::string::npos; at = text.find(form, at))
        text.replace(at, form.size(), kHidden);
}

} // namespace

std::vector<std::string> secretForms(const CardDavClient& client) {
    const std::string& secret = client.get_password();
    if (secret.size() < kShortestSecret)
        return {};
    const std::string pair = client.get_user() + ":" + secret;
    const std::string basic = base64_encode(reinterpret_cast<const unsigned char*>(pair.data()),
                                            static_cast<unsigned int>(pair.size()));
    std::vector<std::string> forms;
    for (const std::string& plain : {basic, secret})
        for (std::string form :
             {plain, htmlEscaped(plain, false), htmlEscaped(plain, true),
              urlEncoded(plain, false, false), urlEncoded(plain, true, false),
              urlEncoded(plain, false, true), jsonEscaped(plain, false), jsonEscaped(plain, true)})
            if (std::find(forms.begin(), forms.end(), form) == forms.end())
                forms.push_back(std::move(form));
    // A longer form holding a shorter one goes first, so that none is left half replaced.
    std::stable_sort(forms.begin(), forms.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    return forms;
}

std::string withoutSecrets(const std::vector<std::string>& forms, std::string text, bool cut) {
    for (const std::string& form : forms)
        replaceAll(text, form);
    if (!cut)
        return text;
    for (const std::string& form : forms)
        for (std::size_t length = std::min(form.size() - 1, text.size()); length >= kShortestSecret;
             --length)
            if (text.compare(text.size() - length, length, form, 0, length) == 0) {
                text.replace(text.size() - length, length, kHidden);
                return text;
            }
    return text;
}
