#include "ScriptLexer.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kPilcrow = "\xC2\xB6"; // ¶, FileMaker's paragraph mark
// “ and ”, around the script name FileMaker shows in Perform Script.
const char* const kOpeningQuote = "\xE2\x80\x9C";
const char* const kClosingQuote = "\xE2\x80\x9D";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNamePart(char c) {
    return isNameStart(c) || isDigit(c);
}

} // namespace

ScriptLexer::ScriptLexer(const std::string& script, int firstLine, bool scriptSteps)
    : script_(script), scriptSteps_(scriptSteps), line_(firstLine) {}

bool ScriptLexer::startsWith(const char* text) const {
    return script_.compare(offset_, std::strlen(text), text) == 0;
}

// Moves on by whole bytes; columns count characters, so UTF-8 continuation bytes add none.
void ScriptLexer::advance(std::size_t bytes) {
    for (; bytes > 0 && !atEnd(); --bytes) {
        const char c = script_[offset_++];
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++column_;
        }
    }
}

Token ScriptLexer::make(Token::Kind kind, SourcePosition start, std::size_t begin) const {
    Token token;
    token.kind = kind;
    token.position = start;
    token.begin = begin;
    token.end = offset_;
    return token;
}

std::vector<Token> ScriptLexer::tokenize() {
    std::vector<Token> tokens;
    auto endStatement = [&](SourcePosition at) {
        if (open_.empty() && !tokens.empty() && tokens.back().kind != Token::Kind::endOfStatement)
            tokens.push_back(make(Token::Kind::endOfStatement, at, offset_));
    };
    while (!atEnd()) {
        const char c = script_[offset_];
        const SourcePosition start = position();
        const std::size_t begin = offset_;
        if (c == ' ' || c == '\t' || c == '\r') {
            advance();
        } else if (c == '\n') {
            endStatement(start);
            advance();
        } else if (startsWith("//") ||
                   (c == '#' && scriptSteps_ && open_.empty() &&
                    (tokens.empty() || tokens.back().kind == Token::Kind::endOfStatement))) {
            while (!atEnd() && script_[offset_] != '\n')
                advance();
        } else if (startsWith("/*")) {
            skipBlockComment();
            if (commentHadLineBreak_)
                endStatement(start);
        } else if (c == '"') {
            tokens.push_back(readText());
        } else if (scriptSteps_ && startsWith(kOpeningQuote)) {
            tokens.push_back(readQuotedName());
        } else if (isDigit(c) ||
                   (c == '.' && offset_ + 1 < script_.size() && isDigit(script_[offset_ + 1]))) {
            tokens.push_back(readNumber());
        } else if (c == '$') {
            advance();
            // $$name: a global variable, kept apart from $name.
            const bool global = !atEnd() && script_[offset_] == '$';
            if (global)
                advance();
            if (atEnd() || !isNameStart(script_[offset_]))
                throw ScriptError(start, "expected a variable name after \"$\"");
            Token token = make(Token::Kind::variable, start, begin);
            token.text = (global ? "$" : "") + readName();
            token.end = offset_;
            tokens.push_back(token);
        } else if (isNameStart(c) || (c == '~' && offset_ + 1 < script_.size() &&
                                      isNameStart(script_[offset_ + 1]))) {
            // A leading "~" is part of a name: FileMaker's convention for Let variables.
            Token token = make(Token::Kind::identifier, start, begin);
            if (c == '~')
                advance();
            token.text = (c == '~' ? "~" : "") + readName();
            if (c != '~' && startsWith("::") && offset_ + 2 < script_.size() &&
                isNameStart(script_[offset_ + 2])) {
                advance(2);
                token.kind = Token::Kind::field;
                token.text += "::" + readName();
            }
            token.end = offset_;
            tokens.push_back(token);
        } else if (startsWith(kPilcrow)) {
            advance(2);
            tokens.push_back(make(Token::Kind::pilcrow, start, begin));
        } else {
            tokens.push_back(readSymbol());
        }
    }
    const SourcePosition end = position();
    if (!open_.empty())
        throw ScriptError(end, std::string("missing \"") + (open_.back() == '(' ? ")" : "]") +
                                   "\" at the end of the script");
    endStatement(end);
    tokens.push_back(make(Token::Kind::endOfScript, end, offset_));
    return tokens;
}

Token ScriptLexer::readSymbol() {
    using Kind = Token::Kind;
    static const struct {
        const char* text;
        Kind kind;
    } symbols[] = {
        // Longer spellings first, so that "<=" is not read as "<" and "=".
        {"<>", Kind::notEqual},
        {"<=", Kind::lessOrEqual},
        {">=", Kind::greaterOrEqual},
        {"\xE2\x89\xA0", Kind::notEqual},       // ≠
        {"\xE2\x89\xA4", Kind::lessOrEqual},    // ≤
        {"\xE2\x89\xA5", Kind::greaterOrEqual}, // ≥
        {"(", Kind::openParenthesis},
        {")", Kind::closeParenthesis},
        {"[", Kind::openBracket},
        {"]", Kind::closeBracket},
        {";", Kind::separator},
        {",", Kind::separator},
        {":", Kind::colon},
        {"&", Kind::ampersand},
        {"=", Kind::equals},
        {"<", Kind::less},
        {">", Kind::greater},
        {"+", Kind::plus},
        {"-", Kind::minus},
        {"*", Kind::star},
        {"/", Kind::slash},
    };
    const SourcePosition start = position();
    const std::size_t begin = offset_;
    for (const auto& symbol : symbols) {
        if (!startsWith(symbol.text))
            continue;
        if (symbol.kind == Kind::openParenthesis || symbol.kind == Kind::openBracket) {
            open_ += symbol.text;
        } else if (symbol.kind == Kind::closeParenthesis || symbol.kind == Kind::closeBracket) {
            const char opener = symbol.kind == Kind::closeParenthesis ? '(' : '[';
            if (open_.empty() || open_.back() != opener)
                throw ScriptError(start, std::string("\"") + symbol.text + "\" without \"" +
                                             opener + "\"");
            open_.pop_back();
        }
        advance(std::strlen(symbol.text));
        return make(symbol.kind, start, begin);
    }
    throw ScriptError(start, "unexpected character \"" + std::string(1, script_[offset_]) + "\"");
}

void ScriptLexer::skipBlockComment() {
    const SourcePosition start = position();
    const std::size_t close = script_.find("*/", offset_ + 2);
    commentHadLineBreak_ =
        script_.find('\n', offset_) < (close == std::string::npos ? script_.size() : close);
    if (close == std::string::npos) {
        openComment_ = true;
        throw ScriptError(start, "unterminated comment");
    }
    advance(close + 2 - offset_);
}

Token ScriptLexer::readText() {
    const SourcePosition start = position();
    const std::size_t begin = offset_;
    advance(); // the opening quote
    std::string text;
    while (true) {
        if (atEnd() || script_[offset_] == '\n')
            throw ScriptError(start, "unterminated text");
        if (script_[offset_] == '"')
            break;
        if (startsWith("\\\"") || startsWith("\\\\")) {
            text += script_[offset_ + 1];
            advance(2);
        } else if (startsWith("\\\xC2\xB6")) {
            text += kPilcrow;
            advance(3);
        } else if (startsWith(kPilcrow)) {
            text += '\r';
            advance(2);
        } else {
            text += script_[offset_];
            advance();
        }
    }
    advance(); // the closing quote
    Token token = make(Token::Kind::text, start, begin);
    token.text = std::move(text);
    return token;
}

Token ScriptLexer::readQuotedName() {
    const SourcePosition start = position();
    const std::size_t begin = offset_;
    const std::size_t close = script_.find(kClosingQuote, offset_);
    const std::size_t lineEnd = script_.find('\n', offset_);
    if (close == std::string::npos || close > lineEnd)
        throw ScriptError(start, "unterminated text");
    Token token = make(Token::Kind::text, start, begin);
    token.text = script_.substr(offset_ + 3, close - offset_ - 3);
    advance(close + 3 - offset_);
    token.end = offset_;
    return token;
}

Token ScriptLexer::readNumber() {
    const SourcePosition start = position();
    const std::size_t begin = offset_;
    std::size_t length = 0;
    while (offset_ + length < script_.size() && isDigit(script_[offset_ + length]))
        ++length;
    if (offset_ + length < script_.size() && script_[offset_ + length] == '.') {
        ++length;
        while (offset_ + length < script_.size() && isDigit(script_[offset_ + length]))
            ++length;
    }
    const std::string digits = script_.substr(offset_, length);
    advance(length);
    Token token = make(Token::Kind::number, start, begin);
    token.number = std::strtod(digits.c_str(), nullptr);
    return token;
}

std::string ScriptLexer::readName() {
    const std::size_t begin = offset_;
    while (!atEnd() && isNamePart(script_[offset_]))
        advance();
    return script_.substr(begin, offset_ - begin);
}
