// The forms in which a password or token shows up in text a server sends back (a header echoing
// it, a cookie, an error page): as it is, percent- or form-encoded in any variant, HTML-escaped,
// JSON-escaped, and in base64, alone or as Basic authentication encodes it with the user name,
// also where it stands inside a longer base64 text. Hidden wherever the plug-in shows what a
// server said: in verbose output and in error texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class SecretForms {
public:
    SecretForms() = default;
    // The forms of `secret` (a password or a bearer token; none when it is shorter than three
    // bytes), and of the Basic credential `user`:`secret`.
    SecretForms(std::string_view user, std::string_view secret);

    // `text` with every stretch that holds a form of the secret, read with its percent escapes
    // decoded, replaced by "[hidden]". Where the text was `cut` short, its end is also taken off
    // where it is the start of a form (three bytes of it or more), so that no part of a secret is
    // left at the cut.
    std::string hiddenIn(std::string_view text, bool cut = false) const;

private:
    std::string hiddenWhole(std::string_view text) const;

    std::vector<std::string> forms;
};
