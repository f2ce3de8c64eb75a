// The forms in which a password or token shows up in text a server sends back (a header echoing
// it, a cookie, an error page): as it is, percent-encoded in any variant, and in base64, alone or
// as Basic authentication encodes it with the user name, also where it stands inside a longer
// base64 text. Hidden wherever the plug-in shows what a server said.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class SecretForms {
public:
    SecretForms() = default;
    // The forms of `secret` (a password or a bearer token; none when it is empty), and of the
    // Basic credential `user`:`secret`.
    SecretForms(std::string_view user, std::string_view secret);

    // `text` with every stretch that holds a form of the secret, read with its percent escapes
    // decoded, replaced by "[hidden]".
    std::string hiddenIn(std::string_view text) const;

private:
    std::vector<std::string> forms;
};
