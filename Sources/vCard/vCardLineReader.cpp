#include "vCard/vCardLineReader.h"

#include "vCard/vCardParameters.h"

#include <cstring>

namespace {

// The physical line of `text` that starts at `start`, without its LF and without the CRs before
// it; `start` moves to the line after (past text.size() after the last line). Called for every
// line of every card of a listing, so it is kept small enough to be inlined.
inline std::string_view takeLine(std::string_view text, std::size_t& start) {
    const char* begin = text.data() + start;
    const std::size_t rest = text.size() - start;
    const void* lineFeed = rest ? std::memchr(begin, '\n', rest) : nullptr;
    std::size_t length = lineFeed ? static_cast<const char*>(lineFeed) - begin : rest;
    start += length + 1;
    while (length && begin[length - 1] == '\r')
        --length;
    return {begin, length};
}

bool isContinuation(std::string_view line) {
    return line.empty() || line[0] == ' ' || line[0] == '\t';
}

std::string_view withoutByteOrderMark(std::string_view line) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    return line.substr(0, byteOrderMark.size()) == byteOrderMark ? line.substr(byteOrderMark.size())
                                                                 : line;
}

} // namespace

vCardLineReader::vCardLineReader(std::string_view text) : text(text) {
    while (position <= text.size())
        if (equalsIgnoringAsciiCase(withoutByteOrderMark(takeLine(text, position)), "BEGIN:VCARD"))
            return;
    ended = true;
}

bool vCardLineReader::softBreakAfterEquals(std::string_view line, std::size_t lineStart) {
    followHeadTo(lineStart);
    if (valueFrom != std::string_view::npos && lineStart >= valueFrom &&
        quotedPrintable == QuotedPrintable::Unknown)
        quotedPrintable =
            declaresQuotedPrintable(headParameters) ? QuotedPrintable::Yes : QuotedPrintable::No;
    return wasSoftBreak(line, lineStart);
}

bool vCardLineReader::wasSoftBreak(std::string_view line, std::size_t lineStart) const {
    return !line.empty() && line.back() == '=' && valueFrom != std::string_view::npos &&
           lineStart >= valueFrom && quotedPrintable == QuotedPrintable::Yes;
}

void vCardLineReader::followHeadTo(std::size_t lineStart) {
    if (!headLineFollowed) {
        headLineFollowed = true;
        followHead(headLine, headStart);
    }
    // Lines before the head's colon are never soft breaks: all of them are folded lines.
    while (headOpen && headFollowedTo <= lineStart) {
        const std::size_t at = headFollowedTo;
        const std::string_view line = takeLine(text, headFollowedTo);
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
    headParameters =
        semicolon == std::string_view::npos ? std::string_view() : head.substr(semicolon + 1);
    valueFrom = lineStart;
}

bool vCardLineReader::next(std::string* unfolded) {
    while (!ended) {
        headLine = nextHead;
        headStart = nextHeadStart;
        if (unfolded)
            unfolded->assign(headLine);
        foldBegin = position;
        foldEnd = position;
        valueFrom = std::string_view::npos;
        headParameters = {};
        quotedPrintable = QuotedPrintable::Unknown;
        headOpen = true;
        headScanner = HeadScanner();
        foldedHead.clear();
        headLineFollowed = false;
        headFollowedTo = foldBegin;
        bool softBreak = softBreakAfter(headLine, headStart);
        bool complete = false;
        while (!complete && position <= text.size()) {
            const std::size_t lineStart = position;
            const std::string_view line = takeLine(text, position);
            if (equalsIgnoringAsciiCase(line, "END:VCARD")) {
                ended = true;
                complete = true;
            } else if (softBreak) {
                if (unfolded)
                    unfolded->append("\r\n").append(line);
            } else if (!isContinuation(line)) {
                nextHead = line;
                nextHeadStart = lineStart;
                complete = true;
            } else if (unfolded && !line.empty()) {
                unfolded->append(line.substr(1));
            }
            if (complete)
                foldEnd = lineStart;
            else
                softBreak = softBreakAfter(line, lineStart);
        }
        if (!complete) {
            ended = true;
            return false;
        }
        // The empty line before the first property of the card holds nothing.
        if (!headLine.empty() || folded())
            return true;
    }
    return false;
}

void vCardLineReader::appendContinuations(std::string& line) const {
    // Every physical line in the range ends with an LF, so takeLine stays inside it.
    bool softBreak = wasSoftBreak(headLine, headStart);
    for (std::size_t at = foldBegin; at < foldEnd;) {
        const std::size_t lineStart = at;
        const std::string_view continuation = takeLine(text, at);
        if (softBreak)
            line.append("\r\n").append(continuation);
        else if (!continuation.empty())
            line.append(continuation.substr(1));
        softBreak = wasSoftBreak(continuation, lineStart);
    }
}

void vCardLineReader::readUnfolded(std::string& line) const {
    line.assign(headLine);
    appendContinuations(line);
}
