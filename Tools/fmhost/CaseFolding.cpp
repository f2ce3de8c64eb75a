#include "CaseFolding.h"

namespace {

// The small letter of a two-byte (U+0080 to U+07FF) capital, else the code point itself.
unsigned smallLetter(unsigned code) {
    const bool even = code % 2 == 0;
    if ((code >= 0xC0 && code <= 0xDE && code != 0xD7) || (code >= 0x391 && code <= 0x3A9) ||
        (code >= 0x410 && code <= 0x42F))
        return code + 0x20;
    if (code >= 0x400 && code <= 0x40F)
        return code + 0x50;
    if (code == 0x178)
        return 0xFF;
    // Latin Extended-A pairs capital and small letter, the capital first; U+0130 (capital I with
    // dot) becomes the one-byte "i" and is left alone.
    if ((code >= 0x100 && code <= 0x12F && even) || (code >= 0x132 && code <= 0x137 && even) ||
        (code >= 0x139 && code <= 0x148 && !even) || (code >= 0x14A && code <= 0x177 && even) ||
        (code >= 0x179 && code <= 0x17E && !even))
        return code + 1;
    return code;
}

} // namespace

std::string foldCase(const std::string& utf8) {
    std::string folded = utf8;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto lead = static_cast<unsigned char>(folded[i]);
        if (lead >= 'A' && lead <= 'Z') {
            folded[i] = static_cast<char>(lead + ('a' - 'A'));
        } else if ((lead & 0xE0) == 0xC0 && i + 1 < folded.size() &&
                   (static_cast<unsigned char>(folded[i + 1]) & 0xC0) == 0x80) {
            const unsigned code =
                ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(folded[i + 1]) & 0x3Fu);
            const unsigned small = smallLetter(code);
            folded[i] = static_cast<char>(0xC0 | (small >> 6));
            folded[i + 1] = static_cast<char>(0x80 | (small & 0x3F));
            ++i;
        }
    }
    return folded;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && foldCase(a) == foldCase(b);
}
