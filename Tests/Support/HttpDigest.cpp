#include "HttpDigest.h"

#include <openssl/evp.h>

#include <cctype>
#include <map>

namespace loopback {
namespace {

std::string md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return "";
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 0x0f];
    }
    return out;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The name=value pairs after "Digest "; values may be quoted with backslash escapes.
std::map<std::string, std::string> digestParameters(const std::string& text) {
    std::map<std::string, std::string> parameters;
    size_t at = 0;
    const auto skipSeparators = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ','))
            ++at;
    };
    for (skipSeparators(); at < text.size(); skipSeparators()) {
        const size_t equals = text.find('=', at);
        if (equals == std::string::npos)
            break;
        std::string name = text.substr(at, equals - at);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        at = equals + 1;
        std::string value;
        if (at < text.size() && text[at] == '"') {
            for (++at; at < text.size() && text[at] != '"'; ++at) {
                if (text[at] == '\\' && at + 1 < text.size())
                    ++at;
                value += text[at];
            }
            ++at;
        } else {
            while (at < text.size() && text[at] != ',')
                value += text[at++];
        }
        parameters[name] = value;
    }
    return parameters;
}

} // namespace

std::string digestChallenge(const DigestCredentials& credentials, const std::string& nonce) {
    return "Digest realm=\"" + credentials.realm + "\", qop=\"auth\", nonce=\"" + nonce +
           "\", algorithm=MD5";
}

bool digestAuthorizes(const std::string& authorization, const DigestCredentials& credentials,
                      const std::string& nonce, const std::string& method,
                      const std::string& target) {
    if (!startsWithIgnoringCase(authorization, "Digest "))
        return false;
    auto parameters = digestParameters(authorization.substr(7));
    if (parameters["username"] != credentials.user || parameters["realm"] != credentials.realm ||
        parameters["nonce"] != nonce || parameters["uri"] != target)
        return false;
    const std::string ha1 =
        md5Hex(credentials.user + ":" + credentials.realm + ":" + credentials.password);
    const std::string ha2 = md5Hex(method + ":" + target);
    const std::string& qop = parameters["qop"];
    std::string expected;
    if (qop.empty())
        expected = md5Hex(ha1 + ":" + nonce + ":" + ha2);
    else if (qop == "auth")
        expected = md5Hex(ha1 + ":" + nonce + ":" + parameters["nc"] + ":" + parameters["cnonce"] +
                          ":" + qop + ":" + ha2);
    return !expected.empty() && parameters["response"] == expected;
}

} // namespace loopback
