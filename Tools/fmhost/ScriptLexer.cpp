#include "ScriptLexer.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kPilcrow = "\xC2\xB6"; // ¶, FileMaker's paragraph mark

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

ScriptLexer::ScriptLexer(const std::string& script, int firstLine)
    : script_(script), line_(firstLine) {}

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
        if (depth_ == 0 && !tokens.empty() && tokens.back().kind != Token::Kind::endOfStatement)
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
        } else if (startsWith("//")) {
            while (!atEnd() && script_[offset_] != '\n')
                advance();
        } else if (startsWith("/*")) {
            skipBlockComment();
            if (commentHadLineBreak_)
                endStatement(start);
        } else if (c == '"') {
            tokens.push_back(readText());
        } else if (isDigit(c) ||
                   (c == '.' && offset_ + 1 < script_.size() && isDigit(script_[offset_ + 1]))) {
            tokens.push_back(readNumber());
        } else if (c == '-' && offset_ + 1 < script_.size() &&
                   (isDigit(script_[offset_ + 1]) || script_[offset_ + 1] == '.')) {
            tokens.push_back(readNumber());
        } else if (c == '$') {
            advance();
            if (atEnd() || !isNameStart(script_[offset_]))
                throw ScriptError(start, "expected a variable name after \"$\"");
            Token token = make(Token::Kind::variable, start, begin);
            token.text = readName();
            token.end = offset_;
            tokens.push_back(token);
        } else if (isNameStart(c)) {
            Token token = make(Token::Kind::identifier, start, begin);
            token.text = readName();
            token.end = offset_;
            tokens.push_back(token);
        } else if (startsWith(kPilcrow)) {
            advance(2);
            tokens.push_back(make(Token::Kind::pilcrow, start, begin));
        } else {
            Token::Kind kind;
            switch (c) {
            case '(':
                kind = Token::Kind::openParenthesis;
                ++depth_;
                break;
            case ')':
                if (depth_ == 0)
                    throw ScriptError(start, "\")\" without \"(\"");
                kind = Token::Kind::closeParenthesis;
                --depth_;
                break;
            case ';':
            case ',':
                kind = Token::Kind::separator;
                break;
            case '&':
                kind = Token::Kind::ampersand;
                break;
            case '=':
                kind = Token::Kind::equals;
                break;
            default:
                throw ScriptError(start, "unexpected character \"" + std::string(1, c) + "\"");
            }
            advance();
            tokens.push_back(make(kind, start, begin));
        }
    }
    const SourcePosition end = position();
    if (depth_ > 0)
        throw ScriptError(end, "missing \")\" at the end of the script");
    endStatement(end);
    tokens.push_back(make(Token::Kind::endOfScript, end, offset_));
    return tokens;
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

Token ScriptLexer::readNumber() {
    const SourcePosition start = position();
    const std::size_t begin = offset_;
    std::size_t length = script_[offset_] == '-' ? 1 : 0;
    while (offset_ + length < script_.size() && isDigit(script_[offset_ + length]))
        ++length;
    if (offset_ + length < script_.size() && script_[offset_ + length] == '.') {
        ++length;
        while (offset_ + length < script_.size() && isDigit(script_[offset_ + length]))
            ++length;
    }
    const std::string digits = script_.substr(offset_, length);
    if (digits == "-" || digits == "-.")
        throw ScriptError(start, "expected a number");
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
