// Cuts a script into tokens. Line breaks end statements (and script steps) except inside
// parentheses and brackets, so the token list holds an end-of-statement token only where a
// statement really ends.
#pragma once

#include "Script.h"

#include <string>
#include <vector>

struct Token {
    enum class Kind {
        identifier,
        field, // Table::Field
        variable,
        text,
        number,
        pilcrow,
        openParenthesis,
        closeParenthesis,
        openBracket,
        closeBracket,
        separator,
        colon, // after a script step's option name: "Value:"
        ampersand,
        equals,
        notEqual,
        less,
        lessOrEqual,
        greater,
        greaterOrEqual,
        plus,
        minus,
        star,
        slash,
        endOfStatement,
        endOfScript
    };

    Kind kind = Kind::endOfScript;
    SourcePosition position;
    std::size_t begin = 0; // byte offsets of the token in the script
    std::size_t end = 0;
    std::string text; // identifier, field or variable name, or the literal's text
    double number = 0;
};

class ScriptLexer {
public:
    // `firstLine` numbers the script's first line (a chunk of an interactive session). In
    // `scriptSteps`, a line that begins with "#" is a comment, as FileMaker shows comment steps.
    ScriptLexer(const std::string& script, int firstLine, bool scriptSteps = false);

    // All tokens, ending with endOfScript. Throws ScriptError.
    std::vector<Token> tokenize();

    // After tokenize: whether the script ended inside parentheses, brackets or an unterminated
    // /* comment, so that more input could complete it.
    bool endedIncomplete() const { return !open_.empty() || openComment_; }

private:
    bool atEnd() const { return offset_ >= script_.size(); }
    bool startsWith(const char* text) const;
    void advance(std::size_t bytes = 1);
    SourcePosition position() const { return {line_, column_}; }
    Token make(Token::Kind kind, SourcePosition start, std::size_t begin) const;

    void skipBlockComment();
    Token readText();
    // “Name”: a text without escapes.
    Token readQuotedName();
    Token readNumber();
    std::string readName();
    // The operator or bracket at the current place; advances past it.
    Token readSymbol();

    const std::string& script_;
    bool scriptSteps_;
    std::size_t offset_ = 0;
    int line_;
    int column_ = 1;
    std::string open_; // the "(" and "[" not closed yet, innermost last
    bool openComment_ = false;
    bool commentHadLineBreak_ = false;
};
