#include "Multistatus/DocumentBatches.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kNotYet = std::string::npos;
constexpr std::string_view kCommentStart = "<!--";
constexpr std::string_view kCdataStart = "<![CDATA[";

// Whether `available`, shorter than `marker`, may still turn out to begin it.
bool mayBecome(std::string_view available, std::string_view marker) {
    return available.size() < marker.size() && marker.substr(0, available.size()) == available;
}

// The index past `marker` at or after `from` in `text`; kNotYet when it has not come.
std::size_t past(std::string_view text, std::string_view marker, std::size_t from) {
    const std::size_t found = text.find(marker, from);
    return found == std::string_view::npos ? kNotYet : found + marker.size();
}

// The end of an ignored section of a document type ("<![ ... ]]>", nested), which begins at
// `start`; kNotYet while it has not come.
std::size_t ignoredSectionEnd(std::string_view text, std::size_t start) {
    int nested = 0;
    for (std::size_t at = start + 3;;) {
        const std::size_t open = text.find("<![", at);
        const std::size_t close = text.find("]]>", at);
        if (close == std::string_view::npos)
            return kNotYet;
        if (open < close) {
            ++nested;
            at = open + 3;
            continue;
        }
        at = close + 3;
        if (nested-- == 0)
            return at;
    }
}

// The end of a declaration before the top element (a document type with its internal subset),
// which begins at `start` with "<!", skipped the way pugixml skips it: quoted strings, comments,
// processing instructions and ignored sections pass whole, and a nested declaration needs a '>'
// of its own. The index past its '>'; kNotYet while it has not come. Read again from its start
// as more bytes arrive, which the prolog's limit keeps short.
std::size_t declarationEnd(std::string_view text, std::size_t start) {
    int nested = 0;
    std::size_t at = start + 2;
    while (at != kNotYet && at < text.size()) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = past(text, std::string_view(&c, 1), at + 1);
        } else if (c == '<') {
            // Too few bytes to tell what the markup is: wait for more.
            if (text.size() - at < kCommentStart.size())
                return kNotYet;
            if (text.compare(at, kCommentStart.size(), kCommentStart) == 0)
                at = past(text, "-->", at + kCommentStart.size());
            else if (text[at + 1] == '?')
                at = past(text, "?>", at + 2);
            else if (text[at + 1] == '!' && text[at + 2] == '[')
                at = ignoredSectionEnd(text, at);
            else if (text[at + 1] == '!')
                ++nested, at += 2;
            else
                ++at; // markup pugixml refuses here: it finds it in the first batch
        } else if (c == '>') {
            if (nested == 0)
                return at + 1;
            --nested;
            ++at;
        } else {
            ++at;
        }
    }
    return kNotYet;
}

} // namespace

DocumentBatches::DocumentBatches(std::function<bool(std::string)> read) : read(std::move(read)) {}

bool DocumentBatches::take(std::string_view bytes) {
    if (stage == Stage::AfterTop) {
        trailing += bytes.size();
        return trailing <= kTrailingBytes;
    }
    if (stage == Stage::Broken)
        return false;
    dropRead();
    pending.append(bytes);
    // Markup before the top element that has not ended within the prolog's limit can only be
    // followed by more beyond it.
    if (!split() || (stage == Stage::BeforeTop && markup != Markup::None &&
                     markup != Markup::StartTag && pending.size() > kLongestProlog)) {
        stage = Stage::Broken;
        return false;
    }
    if (stage != Stage::AfterTop)
        return true;
    // Whatever came after the top element's end is not read.
    trailing = pending.size() - start;
    pending = std::string();
    return trailing <= kTrailingBytes;
}

bool DocumentBatches::finish() const {
    return stage == Stage::AfterTop;
}

bool DocumentBatches::split() {
    for (;;) {
        if (markup == Markup::None) {
            if (depth > 1)
                passPlainMarkup();
            const void* next =
                std::memchr(pending.data() + scanned, '<', pending.size() - scanned);
            scanned = next == nullptr ? pending.size()
                                      : static_cast<std::size_t>(
                                            static_cast<const char*>(next) - pending.data());
            if (stage == Stage::BeforeTop && scanned > kLongestProlog)
                return false;
            if (next == nullptr)
                return true;
            if (stage == Stage::InTop && depth == 1) {
                // Everything before markup at the top element's own level is whole children.
                whole = scanned;
                if (whole - start >= kBatchBytes) {
                    readBatch(whole, false);
                    if (stage == Stage::Broken)
                        return false;
                }
            }
            if (!open())
                return true;
            // Inside the top element, pugixml refuses a declaration (a document type).
            if (markup == Markup::Declaration && stage != Stage::BeforeTop)
                return false;
        }
        if (!close())
            return true;
        if (!closed())
            return false;
        if (stage == Stage::AfterTop)
            return true;
    }
}

void DocumentBatches::passPlainMarkup() {
    const char* const data = pending.data();
    const std::size_t size = pending.size();
    std::size_t at = scanned;
    while (depth > 1) {
        if (at == size || data[at] != '<') {
            const void* next = std::memchr(data + at, '<', size - at);
            if (next == nullptr) {
                at = size;
                break;
            }
            at = static_cast<std::size_t>(static_cast<const char*>(next) - data);
        }
        if (size - at < 2 || data[at + 1] == '!' || data[at + 1] == '?')
            break;
        std::size_t end = at + 2;
        if (data[at + 1] == '/') {
            while (end < size && data[end] != '>')
                ++end;
            if (end == size)
                break;
            --depth;
        } else {
            // The first '>' outside the quotes of an attribute value, the byte after the '<'
            // included (as `close` reads a start tag: "<>" is one).
            end = at + 1;
            for (;;) {
                while (end < size && data[end] != '>' && data[end] != '"' && data[end] != '\'')
                    ++end;
                if (end == size || data[end] == '>')
                    break;
                const void* closing = std::memchr(data + end + 1, data[end], size - end - 1);
                end = closing == nullptr
                          ? size
                          : static_cast<std::size_t>(static_cast<const char*>(closing) - data) + 1;
            }
            if (end == size)
                break;
            if (data[end - 1] != '/')
                ++depth;
        }
        at = end + 1;
    }
    scanned = at;
}

bool DocumentBatches::open() {
    const std::string_view rest(pending.data() + scanned, pending.size() - scanned);
    if (rest.size() < 2)
        return false;
    markupStart = scanned;
    resume = scanned + 2;
    switch (rest[1]) {
    case '/':
        markup = Markup::EndTag;
        return true;
    case '?':
        markup = Markup::Instruction;
        return true;
    case '!':
        if (mayBecome(rest, kCommentStart) || mayBecome(rest, kCdataStart))
            return false;
        if (rest.substr(0, kCommentStart.size()) == kCommentStart) {
            markup = Markup::Comment;
            resume = scanned + kCommentStart.size();
        } else if (rest.substr(0, kCdataStart.size()) == kCdataStart) {
            markup = Markup::Cdata;
            resume = scanned + kCdataStart.size();
        } else {
            markup = Markup::Declaration;
        }
        return true;
    default:
        markup = Markup::StartTag;
        resume = scanned + 1;
        quote = 0;
        return true;
    }
}

bool DocumentBatches::close() {
    const std::string_view text(pending);
    const auto closedBy = [&](std::string_view marker) {
        const std::size_t end = past(text, marker, resume);
        if (end == kNotYet) {
            // The marker may begin in the last bytes.
            resume = std::max(resume, text.size() - std::min(text.size(), marker.size() - 1));
            return false;
        }
        scanned = end;
        return true;
    };
    switch (markup) {
    case Markup::Comment:
        return closedBy("-->");
    case Markup::Cdata:
        return closedBy("]]>");
    case Markup::Instruction:
        return closedBy("?>");
    case Markup::EndTag:
        return closedBy(">");
    case Markup::Declaration: {
        const std::size_t end = declarationEnd(text, markupStart);
        if (end == kNotYet)
            return false;
        scanned = end;
        return true;
    }
    case Markup::StartTag:
        // The first '>' outside an attribute value's quotes.
        while (resume < text.size()) {
            if (quote != 0) {
                const std::size_t end = text.find(quote, resume);
                if (end == std::string_view::npos) {
                    resume = text.size();
                    return false;
                }
                resume = end + 1;
                quote = 0;
                continue;
            }
            const char c = text[resume++];
            if (c == '>') {
                scanned = resume;
                return true;
            }
            if (c == '"' || c == '\'')
                quote = c;
        }
        return false;
    case Markup::None:
        break;
    }
    return true;
}

bool DocumentBatches::closed() {
    const Markup kind = markup;
    markup = Markup::None;
    const bool emptyElement =
        kind == Markup::StartTag && scanned - markupStart >= 3 && pending[scanned - 2] == '/';
    if (stage == Stage::BeforeTop) {
        if (kind == Markup::EndTag)
            return false;
        if (kind != Markup::StartTag)
            return true;
        if (emptyElement) {
            readBatch(scanned, true);
            return stage != Stage::Broken;
        }
        topStartTag.assign(pending, markupStart, scanned - markupStart);
        const std::size_t nameEnd = topStartTag.find_first_of(" \t\r\n/>", 1);
        topEndTag = "</" + topStartTag.substr(1, nameEnd - 1) + ">";
        stage = Stage::InTop;
        depth = 1;
        whole = scanned;
        return true;
    }
    if (kind == Markup::StartTag && !emptyElement) {
        ++depth;
    } else if (kind == Markup::EndTag && --depth == 0) {
        // The end tag read with the last batch: pugixml holds it to the start tag's name.
        readBatch(scanned, true);
        return stage != Stage::Broken;
    }
    return true;
}

void DocumentBatches::readBatch(std::size_t end, bool last) {
    std::string batch;
    batch.reserve((firstBatch ? 0 : topStartTag.size()) + end - start + topEndTag.size());
    if (!firstBatch)
        batch = topStartTag;
    batch.append(pending, start, end - start);
    if (!last)
        batch += topEndTag;
    start = whole = end;
    firstBatch = false;
    if (!read(std::move(batch)))
        stage = Stage::Broken;
    else if (last)
        stage = Stage::AfterTop;
}

void DocumentBatches::dropRead() {
    if (start == 0)
        return;
    pending.erase(0, start);
    scanned -= start;
    whole -= start;
    if (markup != Markup::None) {
        markupStart -= start;
        resume -= start;
    }
    start = 0;
}

bool BatchForms::accept(BodyForm batch) {
    if (batch == BodyForm::Unreadable || (form != BodyForm::Unreadable && batch != form))
        failed = true;
    else
        form = batch;
    return !failed;
}
