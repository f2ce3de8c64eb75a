// Hexadecimal digits, as percent escapes (URLs) and quoted-printable text (vCard 2.1) write
// bytes with them.
#pragma once

// The value of a hex digit in either case, or -1 for any other character.
inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
