// Splits the text of a vCard into its logical property lines, for the full reader and for the
// card summary alike.
#pragma once

#include "Utils/AsciiCase.h"

#include <cstddef>
#include <string>
#include <string_view>

// Walks the logical lines of the first card in a text without copying it: physical lines end
// with LF or CR LF; lines before a "BEGIN:VCARD" line (any case) are ignored; inside the card a
// line starting with a SPACE or TAB continues the logical line before it (without that first
// character, nothing inserted), an empty line is skipped without ending a folded line, and an
// "END:VCARD" line (any case) ends the card. A logical line is handed out only once the line
// after it shows that it is complete, so the last one of a card without END:VCARD is never
// handed out. Views stay valid as long as the text does.
class vCardLineReader {
public:
    explicit vCardLineReader(std::string_view text);

    // Moves to the next logical line; false once the card or the text has ended. When
    // `unfolded` is given, it is set to the whole logical line on the way, in the same pass.
    bool next(std::string* unfolded = nullptr);

    // The first physical line of the current logical line. It is empty when the card starts
    // with continuation lines, which then form a logical line of their own.
    std::string_view head() const { return headLine; }
    // Whether physical lines follow the head within the logical line (continuation lines, and
    // empty lines between them).
    bool folded() const { return foldBegin < foldEnd; }
    // Appends the continuation lines, each without its first character: head() followed by
    // them is the unfolded logical line.
    void appendContinuations(std::string& line) const;
    // Replaces `line` with the whole unfolded logical line.
    void readUnfolded(std::string& line) const;

private:
    std::string_view text;
    std::size_t position = 0; // start of the next physical line; past the end when none is left
    bool ended = false;
    // The property line that starts the logical line after the current one.
    std::string_view nextHead;
    std::string_view headLine;
    // The physical lines after the head that belong to it, as a range of `text`.
    std::size_t foldBegin = 0;
    std::size_t foldEnd = 0;
};
