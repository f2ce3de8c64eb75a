#include "vCard/vCardLineReader.h"

#include "vCard/vCardParameters.h"
#include "vCard/vCardText.h"
#include "vCard/vCardWords.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t trailingBackslashes(std::string_view text) {
    std::size_t count = 0;
    while (count < text.size() && text[text.size() - 1 - count] == '\\')
        ++count;
    return count;
}

std::string_view withoutByteOrderMark(std::string_view line) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    return line.substr(0, byteOrderMark.size()) == byteOrderMark ? line.substr(byteOrderMark.size())
                                                                 : line;
}

} // namespace

inline std::string_view vCardLineReader::takeLine(std::size_t& start) const {
    const char* begin = text.data() + start;
    const std::size_t rest = text.size() - start;
    const void* found = rest ? std::memchr(begin, lineEnd, rest) : nullptr;
    return lineUpTo(start, found ? static_cast<const char*>(found) - begin : rest);
}

inline std::string_view vCardLineReader::lineUpTo(std::size_t& start, std::size_t length) const {
    const char* begin = text.data() + start;
    start += length + 1;
    while (length && begin[length - 1] == '\r')
        --length;
    return {begin, length};
}

vCardLineReader::vCardLineReader(std::string_view text) : text(text) {
    // The first LF tells how lines end, and where the first line ends.
    const std::size_t firstLineFeed = text.find('\n');
    lineEnd = firstLineFeed == std::string_view::npos ? '\r' : '\n';
    std::string_view line =
        lineEnd == '\n' ? lineUpTo(position, firstLineFeed) : takeLine(position);
    for (;;) {
        if (isCardBegin(withoutByteOrderMark(line)))
            return;
        if (position >= text.size())
            break;
        line = takeLine(position);
    }
    ended = true;
}

bool vCardLineReader::continuesAfterBackslash(std::string_view line) {
    return !isContinuation(line) && !looksLikePropertyLine(line);
}

bool vCardLineReader::joins(Join join, std::string_view line) {
    return join == Join::Whole || (join == Join::AfterBackslash && continuesAfterBackslash(line));
}

bool vCardLineReader::inValue(std::size_t lineStart) const {
    return valueFrom != std::string_view::npos && lineStart >= valueFrom;
}

vCardLineReader::LineEnd vCardLineReader::endOfValueLine(LineEnd before, std::string_view line,
                                                         std::size_t lineStart) {
    followHeadTo(lineStart);
    if (line.back() == '=' && inValue(lineStart) && quotedPrintable == Answer::Unknown)
        quotedPrintable = declaresQuotedPrintable(headParameters) ? Answer::Yes : Answer::No;
    if (line.back() == '\\' && inValue(lineStart) && textValue == Answer::Unknown)
        textValue = holdsText(headName, headParameters) ? Answer::Yes : Answer::No;
    return endAfter(before, line, lineStart);
}

vCardLineReader::LineEnd vCardLineReader::endAfter(LineEnd before, std::string_view line,
                                                   std::size_t lineStart) const {
    if (addsNothing(before, line))
        return before;
    if (line.empty())
        return {};
    LineEnd end;
    if (line.back() == '=') {
        if (inValue(lineStart) && quotedPrintable == Answer::Yes)
            end.join = Join::Whole;
    } else if (line.back() == '\\') {
        // A folded line continues the backslashes that end the line before it.
        const bool folded = isContinuation(line) && !joins(before.join, line);
        const std::string_view piece = folded ? line.substr(1) : line;
        end.backslashes = trailingBackslashes(piece);
        if (folded && end.backslashes == piece.size())
            end.backslashes += before.backslashes;
        // A value that is not text has no escapes, nor lines continued by a backslash.
        if (inValue(lineStart) && textValue == Answer::Yes && end.backslashes % 2 == 1)
            end.join = Join::AfterBackslash;
    }
    return end;
}

void vCardLineReader::followHeadTo(std::size_t lineStart) {
    if (!headLineFollowed) {
        headLineFollowed = true;
        followHead(headLine, headStart);
    }
    // Lines before the head's colon are never joined whole: all of them are folded lines.
    while (headOpen && headFollowedTo <= lineStart) {
        const std::size_t at = headFollowedTo;
        const std::string_view line = takeLine(headFollowedTo);
        if (!line.empty())
            followHead(line.substr(1), at);
    }
}

void vCardLineReader::followHead(std::string_view piece, std::size_t lineStart) {
    if (!headOpen)
        return;
    const std::size_t colon = headScanner.scan(piece);
    if (colon == HeadScanner::npos) {
        foldedHead.append(piece);
        return;
    }
    headOpen = false;
    std::string_view head = piece.substr(0, colon);
    if (lineStart != headStart) {
        foldedHead.append(head);
        head = foldedHead;
    }
    const std::size_t semicolon = head.find(';');
    headName = head.substr(0, semicolon);
    headParameters =
        semicolon == std::string_view::npos ? std::string_view() : head.substr(semicolon + 1);
    valueFrom = lineStart;
}

void vCardLineReader::skipNestedCard() {
    std::size_t depth = 1;
    while (position < text.size()) {
        const std::string_view line = takeLine(position);
        if (isCardBegin(line)) {
            ++depth;
        } else if (isCardEnd(line) && --depth == 0) {
            foldEnd = std::min(position, text.size());
            // What follows starts afresh, as after BEGIN:VCARD.
            nextHead = {};
            nextHeadStart = foldEnd;
            return;
        }
    }
    foldEnd = text.size();
    unclosedCards = depth;
    ended = true;
}

bool vCardLineReader::next(std::string* unfolded) {
    while (!ended) {
        headLine = nextHead;
        headStart = nextHeadStart;
        if (unfolded)
            unfolded->assign(headLine);
        foldBegin = std::min(position, text.size());
        foldEnd = foldBegin;
        valueFrom = std::string_view::npos;
        headParameters = {};
        quotedPrintable = Answer::Unknown;
        textValue = Answer::Unknown;
        headOpen = true;
        headScanner = HeadScanner();
        foldedHead.clear();
        headLineFollowed = false;
        headFollowedTo = foldBegin;
        nested = isCardBegin(headLine);
        if (nested) {
            skipNestedCard();
            return true;
        }
        LineEnd end = endOf({}, headLine, headStart);
        bool complete = false;
        while (!complete && position < text.size()) {
            const std::size_t lineStart = position;
            const std::string_view line = takeLine(position);
            const bool joined = end.join != Join::None && joins(end.join, line);
            if (isCardEnd(line)) {
                ended = true;
                afterEnd = position;
                complete = true;
            } else if (isCardBegin(line) || !(joined || isContinuation(line))) {
                nextHead = line;
                nextHeadStart = lineStart;
                complete = true;
            } else if (unfolded) {
                if (joined)
                    unfolded->append("\r\n").append(line);
                else if (!line.empty())
                    unfolded->append(line.substr(1));
            }
            if (complete)
                foldEnd = lineStart;
            else
                end = endOf(end, line, lineStart);
        }
        if (!complete) {
            ended = true;
            foldEnd = text.size();
        }
        // The empty line before the first property of the card holds nothing.
        if (!headLine.empty() || folded())
            return true;
    }
    return false;
}

void vCardLineReader::appendContinuations(std::string& line) const {
    if (nested || !folded())
        return;
    LineEnd end = endAfter({}, headLine, headStart);
    for (std::size_t at = foldBegin; at < foldEnd;) {
        const std::size_t lineStart = at;
        const std::string_view continuation = takeLine(at);
        if (joins(end.join, continuation))
            line.append("\r\n").append(continuation);
        else if (!continuation.empty())
            line.append(continuation.substr(1));
        end = endAfter(end, continuation, lineStart);
    }
}

void vCardLineReader::readUnfolded(std::string& line) const {
    line.assign(headLine);
    appendContinuations(line);
}

void vCardLineReader::readPhysicalLines(std::string& lines) const {
    lines.assign(headLine);
    LineEnd end = nested ? LineEnd() : endAfter({}, headLine, headStart);
    bool first = headLine.empty();
    for (std::size_t at = foldBegin; at < foldEnd;) {
        const std::size_t lineStart = at;
        const std::string_view line = takeLine(at);
        if (!first)
            lines.append("\r\n");
        first = false;
        lines.append(line);
        if (!nested)
            end = endAfter(end, line, lineStart);
    }
    for (std::size_t missing = nested ? unclosedCards : 0; missing > 0; --missing)
        lines.append("\r\nEND:VCARD");
    if (end.join == Join::Whole)
        lines.append("\r\n");
}

std::string vCardLineReader::textAfterCard() const {
    std::string after;
    if (afterEnd == std::string_view::npos)
        return after;
    bool holdsText = false;
    for (std::size_t at = afterEnd; at < text.size();) {
        const std::string_view line = takeLine(at);
        after.append(line).append("\r\n");
        holdsText = holdsText || line.find_first_not_of(" \t") != std::string_view::npos;
    }
    if (!holdsText)
        after.clear();
    return after;
}
