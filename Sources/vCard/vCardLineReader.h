// Splits the text of a vCard into its logical property lines, for the full reader and for the
// card summary alike.
#pragma once

#include "Utils/AsciiCase.h"
#include "vCard/vCardPropertyLine.h"

#include <cstddef>
#include <string>
#include <string_view>

// Walks the logical lines of the first card in a text without copying it.
//
// Physical lines end with LF, each CR before it going too (CR LF, and the CR CR LF of some
// exports); in a text without any LF (old Mac exports) a CR ends a line. Lines before a
// "BEGIN:VCARD" line (any case, a UTF-8 byte-order mark before it allowed) are ignored. Inside
// the card:
// - a line starting with a SPACE or TAB continues the logical line before it (without that first
//   character, nothing inserted), and an empty line is skipped without ending a folded line;
// - in a quoted-printable value a line ending in "=" is a soft line break: the next line belongs
//   to the value whole, whatever it starts with, and the logical line keeps the break as
//   "=" CR LF;
// - a line of a text value (holdsText) ending in a backslash that escapes nothing (Android's
//   vCard 2.1 writes long values so) takes the next line whole when that line does not look like
//   a property line (looksLikePropertyLine) nor continues a fold, skipping empty lines and folded
//   lines holding nothing; the logical line keeps the break as "\" CR LF;
// - a "BEGIN:VCARD" line (any case) starts a nested card (a vCard 2.1 AGENT), handed out whole
//   as one logical line up to its matching "END:VCARD", inner cards nesting;
// - an "END:VCARD" line (any case) ends the card, even inside a value; so does the end of the
//   text, and the logical line in progress is then handed out as the last one.
// Views stay valid as long as the text does.
class vCardLineReader {
public:
    explicit vCardLineReader(std::string_view text);

    // Whether a physical line (not an empty one, nor the card's BEGIN or END line) after a line
    // of a text value ending in a backslash that escapes nothing is taken into that value.
    static bool continuesAfterBackslash(std::string_view line);

    // Moves to the next logical line; false once the card or the text has ended. When
    // `unfolded` is given, it is set to the whole logical line on the way, in the same pass.
    bool next(std::string* unfolded = nullptr);

    // The first physical line of the current logical line. It is empty when the card starts
    // with continuation lines, which then form a logical line of their own.
    std::string_view head() const { return headLine; }
    // Whether physical lines follow the head within the logical line (continuation lines, and
    // empty lines between them).
    bool folded() const { return foldBegin < foldEnd; }
    // Whether the current logical line is a nested card, from its BEGIN:VCARD line (the head)
    // to its END:VCARD line.
    bool nestedCard() const { return nested; }
    // Appends the lines after the head as the logical line holds them: head() followed by them
    // is the unfolded logical line (a nested card unfolds to its head alone).
    void appendContinuations(std::string& line) const;
    // Replaces `line` with the whole unfolded logical line.
    void readUnfolded(std::string& line) const;
    // Replaces `lines` with the physical lines of the current logical line as they came,
    // separated by CR LF, so that written on lines of their own they read back as the same
    // logical line: a nested card that the text cuts off gets the END:VCARD lines it lacks, and
    // a line ending in a soft line break gets the empty line it breaks onto.
    void readPhysicalLines(std::string& lines) const;
    // Once next() has returned false: the lines after the card's END:VCARD line (more cards),
    // each ended by CR LF; empty when the card has no END:VCARD line or nothing but blank lines
    // follows it.
    std::string textAfterCard() const;

private:
    // How the physical line after a line of a value belongs to it, whatever it starts with.
    enum class Join {
        None,           // only as a continuation line
        Whole,          // after a soft line break
        AfterBackslash, // after a backslash, unless it looks like a property line
    };

    // The physical line that starts at `start`, without its line end; `start` moves to the line
    // after (past text.size() after the last line). Called for every line of every card of a
    // listing, so it is kept small enough to be inlined.
    std::string_view takeLine(std::size_t& start) const;
    // The same for a line known to be `length` bytes long before its line end.
    std::string_view lineUpTo(std::size_t& start, std::size_t length) const;
    // What the end of a line of the logical line means for the physical line after it: how it
    // joins, and how many backslashes end the logical line so far (a fold may cut a run of them,
    // an escaped "\\" included, in two).
    struct LineEnd {
        Join join = Join::None;
        std::size_t backslashes = 0;
    };

    // Whether `line` is empty or continues the line before it (starts with a SPACE or TAB).
    static bool isContinuation(std::string_view line) {
        return line.empty() || line[0] == ' ' || line[0] == '\t';
    }
    // Whether `line` leaves the line end before it as it was, after a backslash: an empty line,
    // or a folded one holding nothing but its SPACE or TAB.
    static bool addsNothing(LineEnd before, std::string_view line) {
        return before.join == Join::AfterBackslash && line.size() <= 1 && isContinuation(line);
    }
    // Whether `line` (not a BEGIN or END line) is joined whole to the line before it.
    static bool joins(Join join, std::string_view line);
    // The end of the line at `lineStart` of the current logical line, `before` being the end of
    // the line before it; learns what it needs of the head on the way. Asked of every line of
    // the logical line in order, so that endAfter can give the same answers again afterwards.
    // An empty line between a backslash and the line it joins is skipped, as it is between
    // folded lines (a property written back has no empty lines), and so is a folded line holding
    // nothing but its SPACE or TAB, which a property written back loses too.
    LineEnd endOf(LineEnd before, std::string_view line, std::size_t lineStart) {
        if (addsNothing(before, line))
            return before;
        if (line.empty())
            return {};
        if (line.back() != '=' && line.back() != '\\')
            return {};
        return endOfValueLine(before, line, lineStart);
    }
    LineEnd endOfValueLine(LineEnd before, std::string_view line, std::size_t lineStart);
    LineEnd endAfter(LineEnd before, std::string_view line, std::size_t lineStart) const;
    bool inValue(std::size_t lineStart) const;
    // Follows the head of the current logical line up to its colon, through the line at
    // `lineStart` at most. Only values ending a line in "=" or "\" need it: most heads are never
    // scanned.
    void followHeadTo(std::size_t lineStart);
    // `piece` is the part of the line at `lineStart` that the logical line holds.
    void followHead(std::string_view piece, std::size_t lineStart);
    // Moves past the nested card whose BEGIN:VCARD line is the head.
    void skipNestedCard();

    std::string_view text;
    char lineEnd = '\n';
    std::size_t position = 0; // start of the next physical line; past the end when none is left
    bool ended = false;
    // Where the text after the card's END:VCARD line starts; npos while none was met.
    std::size_t afterEnd = std::string_view::npos;
    // The property line that starts the logical line after the current one.
    std::string_view nextHead;
    std::size_t nextHeadStart = 0;
    std::string_view headLine;
    std::size_t headStart = 0;
    // The physical lines after the head that belong to it, as a range of `text`.
    std::size_t foldBegin = 0;
    std::size_t foldEnd = 0;
    bool nested = false;
    // The END:VCARD lines a nested card cut off by the end of the text lacks.
    std::size_t unclosedCards = 0;
    // The start of the physical line holding the head's colon (npos while it is not found) and
    // the name and parameters of the head; whether they declare quoted-printable, asked once.
    std::size_t valueFrom = std::string_view::npos;
    std::string_view headName;
    std::string_view headParameters;
    enum class Answer { Unknown, Yes, No };
    Answer quotedPrintable = Answer::Unknown;
    // Whether the value is text, asked once of a value with a line ending in a backslash.
    Answer textValue = Answer::Unknown;
    // The head while its colon is not yet found, and, when it is folded, its text; how far it
    // has been followed.
    bool headOpen = false;
    HeadScanner headScanner;
    std::string foldedHead;
    bool headLineFollowed = false;
    std::size_t headFollowedTo = 0;
};
