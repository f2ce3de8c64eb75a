// Splits the text of a vCard into its logical property lines, for the full reader and for the
// card summary alike.
#pragma once

#include "Utils/AsciiCase.h"
#include "vCard/vCardPropertyLine.h"

#include <cstddef>
#include <string>
#include <string_view>

// Walks the logical lines of the first card in a text without copying it. Physical lines end
// with LF, each CR before it going too (CR LF, and the CR CR LF of some exports). Lines before a
// "BEGIN:VCARD" line (any case, a UTF-8 byte-order mark before it allowed) are ignored; inside
// the card a line starting with a SPACE or TAB continues the logical line before it (without
// that first character, nothing inserted), an empty line is skipped without ending a folded
// line, and an "END:VCARD" line (any case) ends the card. In a quoted-printable value a physical
// line ending in "=" is a soft line break: the next physical line belongs to the value whole,
// whatever it starts with, and the logical line keeps the break as "=" CR LF. A logical line is
// handed out only once the line after it shows that it is complete, so the last one of a card
// without END:VCARD is never handed out. Views stay valid as long as the text does.
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
    // Appends the lines after the head as the logical line holds them: head() followed by them
    // is the unfolded logical line.
    void appendContinuations(std::string& line) const;
    // Replaces `line` with the whole unfolded logical line.
    void readUnfolded(std::string& line) const;

private:
    // Whether the line at `lineStart` of the current logical line ends in a soft line break;
    // learns what it needs of the head on the way. Asked of every line of the logical line in
    // order, so that wasSoftBreak can give the same answers again afterwards.
    bool softBreakAfter(std::string_view line, std::size_t lineStart) {
        return !line.empty() && line.back() == '=' && softBreakAfterEquals(line, lineStart);
    }
    bool softBreakAfterEquals(std::string_view line, std::size_t lineStart);
    bool wasSoftBreak(std::string_view line, std::size_t lineStart) const;
    // Follows the head of the current logical line up to its colon, through the line at
    // `lineStart` at most; `piece` is the part of the line at `lineStart` that the logical line
    // holds. Only values ending a line in "=" need it: most heads are never scanned.
    void followHeadTo(std::size_t lineStart);
    void followHead(std::string_view piece, std::size_t lineStart);

    std::string_view text;
    std::size_t position = 0; // start of the next physical line; past the end when none is left
    bool ended = false;
    // The property line that starts the logical line after the current one.
    std::string_view nextHead;
    std::size_t nextHeadStart = 0;
    std::string_view headLine;
    std::size_t headStart = 0;
    // The physical lines after the head that belong to it, as a range of `text`.
    std::size_t foldBegin = 0;
    std::size_t foldEnd = 0;
    // The start of the physical line holding the head's colon (npos while it is not found) and
    // the parameters of the head; whether they declare quoted-printable, asked once.
    std::size_t valueFrom = std::string_view::npos;
    std::string_view headParameters;
    enum class QuotedPrintable { Unknown, Yes, No };
    QuotedPrintable quotedPrintable = QuotedPrintable::Unknown;
    // The head while its colon is not yet found, and, when it is folded, its text; how far it
    // has been followed.
    bool headOpen = false;
    HeadScanner headScanner;
    std::string foldedHead;
    bool headLineFollowed = false;
    std::size_t headFollowedTo = 0;
};
