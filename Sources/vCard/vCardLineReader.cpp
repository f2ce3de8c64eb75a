#include "vCard/vCardLineReader.h"

#include <cstring>

namespace {

// The physical line of `text` that starts at `start`, without its LF and without one CR before
// it; `start` moves to the line after (past text.size() after the last line). Called for every
// line of every card of a listing, so it is kept small enough to be inlined.
inline std::string_view takeLine(std::string_view text, std::size_t& start) {
    const char* begin = text.data() + start;
    const std::size_t rest = text.size() - start;
    const void* lineFeed = rest ? std::memchr(begin, '\n', rest) : nullptr;
    std::size_t length = lineFeed ? static_cast<const char*>(lineFeed) - begin : rest;
    start += length + 1;
    if (length && begin[length - 1] == '\r')
        --length;
    return {begin, length};
}

bool isContinuation(std::string_view line) {
    return line.empty() || line[0] == ' ' || line[0] == '\t';
}

} // namespace

vCardLineReader::vCardLineReader(std::string_view text) : text(text) {
    while (position <= text.size())
        if (equalsIgnoringAsciiCase(takeLine(text, position), "BEGIN:VCARD"))
            return;
    ended = true;
}

bool vCardLineReader::next(std::string* unfolded) {
    while (!ended) {
        headLine = nextHead;
        if (unfolded)
            unfolded->assign(headLine);
        foldBegin = position;
        foldEnd = position;
        bool complete = false;
        while (!complete && position <= text.size()) {
            const std::size_t lineStart = position;
            const std::string_view line = takeLine(text, position);
            if (equalsIgnoringAsciiCase(line, "END:VCARD")) {
                ended = true;
                complete = true;
            } else if (!isContinuation(line)) {
                nextHead = line;
                complete = true;
            } else if (unfolded && !line.empty()) {
                unfolded->append(line.substr(1));
            }
            if (complete)
                foldEnd = lineStart;
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
    for (std::size_t at = foldBegin; at < foldEnd;) {
        const std::string_view continuation = takeLine(text, at);
        if (!continuation.empty())
            line.append(continuation.substr(1));
    }
}

void vCardLineReader::readUnfolded(std::string& line) const {
    line.assign(headLine);
    appendContinuations(line);
}
