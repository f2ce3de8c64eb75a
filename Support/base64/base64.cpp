#include "base64.h"

#include <array>

namespace {

const std::string base64_chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each byte in the alphabet; 0xFF for bytes outside it.
std::array<unsigned char, 256> makeDecodeTable() {
    std::array<unsigned char, 256> table{};
    table.fill(0xFF);
    for (std::size_t i = 0; i < base64_chars.size(); ++i)
        table[static_cast<unsigned char>(base64_chars[i])] = static_cast<unsigned char>(i);
    return table;
}

const std::array<unsigned char, 256> decode_table = makeDecodeTable();

} // namespace

// ASCII letters and digits (as isalnum classifies them in the "C" locale), "+" and "/", whatever
// locale the host process runs in.
bool is_base64(unsigned char c) {
    return decode_table[c] != 0xFF;
}

std::string base64_encode(const unsigned char* bytes, unsigned int length) {
    std::string out;
    out.resize((static_cast<std::size_t>(length) + 2) / 3 * 4);
    char* o = &out[0];
    unsigned int i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned int v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        *o++ = base64_chars[(v >> 18) & 0x3F];
        *o++ = base64_chars[(v >> 12) & 0x3F];
        *o++ = base64_chars[(v >> 6) & 0x3F];
        *o++ = base64_chars[v & 0x3F];
    }
    const unsigned int rest = length - i;
    if (rest > 0) {
        const unsigned int v = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        *o++ = base64_chars[(v >> 18) & 0x3F];
        *o++ = base64_chars[(v >> 12) & 0x3F];
        *o++ = rest == 2 ? base64_chars[(v >> 6) & 0x3F] : '=';
        *o++ = '=';
    }
    return out;
}

std::string base64_decode(const std::string& text) {
    // The data ends at the first byte that is "=" or outside the alphabet.
    std::size_t end = 0;
    while (end < text.size() && text[end] != '=' &&
           is_base64(static_cast<unsigned char>(text[end])))
        ++end;

    const std::size_t rest = end % 4;
    std::string out;
    out.resize(end / 4 * 3 + (rest > 1 ? rest - 1 : 0));
    char* o = &out[0];
    const auto value = [&](std::size_t at) -> unsigned int {
        return decode_table[static_cast<unsigned char>(text[at])];
    };
    std::size_t i = 0;
    for (; i + 4 <= end; i += 4) {
        const unsigned int v =
            (value(i) << 18) | (value(i + 1) << 12) | (value(i + 2) << 6) | value(i + 3);
        *o++ = static_cast<char>((v >> 16) & 0xFF);
        *o++ = static_cast<char>((v >> 8) & 0xFF);
        *o++ = static_cast<char>(v & 0xFF);
    }
    if (rest >= 2) {
        unsigned int v = (value(i) << 18) | (value(i + 1) << 12);
        if (rest == 3)
            v |= value(i + 2) << 6;
        *o++ = static_cast<char>((v >> 16) & 0xFF);
        if (rest == 3)
            *o++ = static_cast<char>((v >> 8) & 0xFF);
    }
    return out;
}
