#include "ScriptParser.h"

#include "ScriptLexer.h"

#include <algorithm>
#include <cctype>

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

class Parser {
public:
    Parser(const std::string& script, std::vector<Token> tokens)
        : script_(script), tokens_(std::move(tokens)) {}

    std::vector<Statement> statements() {
        std::vector<Statement> result;
        while (peek().kind != Token::Kind::endOfScript) {
            if (peek().kind == Token::Kind::endOfStatement) {
                next();
                continue;
            }
            result.push_back(statement());
        }
        return result;
    }

private:
    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(index_ + ahead, tokens_.size() - 1)];
    }
    const Token& next() { return tokens_[std::min(index_++, tokens_.size() - 1)]; }

    const Token& expect(Token::Kind kind, const char* what) {
        if (peek().kind != kind)
            throw ScriptError(peek().position, std::string("expected ") + what);
        return next();
    }

    Statement statement() {
        const Token& first = peek();
        Statement result;
        result.line = first.position.line;
        if (first.kind == Token::Kind::variable && peek(1).kind == Token::Kind::equals) {
            result.variable = next().text;
            next();
        }
        result.expression = expression();
        const Token& last = tokens_[index_ - 1];
        result.source = script_.substr(first.begin, last.end - first.begin);
        if (peek().kind != Token::Kind::endOfStatement && peek().kind != Token::Kind::endOfScript)
            throw ScriptError(peek().position, "expected the end of the statement");
        return result;
    }

    Expression expression() {
        // Each level of nesting costs stack in the parser and in the evaluation.
        if (nesting_ >= kMaxNesting)
            throw ScriptError(peek().position, "expression nested too deeply");
        ++nesting_;
        Expression result = concatenation();
        --nesting_;
        return result;
    }

    Expression concatenation() {
        Expression first = term();
        if (peek().kind != Token::Kind::ampersand)
            return first;
        Expression joined;
        joined.kind = Expression::Kind::concatenation;
        joined.position = first.position;
        joined.operands.push_back(std::move(first));
        while (peek().kind == Token::Kind::ampersand) {
            next();
            joined.operands.push_back(term());
        }
        return joined;
    }

    Expression term() {
        const Token& token = peek();
        Expression result;
        result.position = token.position;
        switch (token.kind) {
        case Token::Kind::text:
            result.literal = fmx::host::Value::text(next().text);
            return result;
        case Token::Kind::number:
            result.literal = fmx::host::Value::number(next().number);
            return result;
        case Token::Kind::pilcrow:
            next();
            result.literal = fmx::host::Value::text("\r");
            return result;
        case Token::Kind::variable:
            result.kind = Expression::Kind::variable;
            result.name = next().text;
            return result;
        case Token::Kind::openParenthesis: {
            next();
            Expression inner = expression();
            expect(Token::Kind::closeParenthesis, "\")\"");
            return inner;
        }
        case Token::Kind::identifier:
            return named();
        default:
            throw ScriptError(token.position, "expected a value");
        }
    }

    Expression named() {
        const Token& name = next();
        Expression result;
        result.position = name.position;
        if (sameName(name.text, "True") || sameName(name.text, "False")) {
            result.literal = fmx::host::Value::boolean(sameName(name.text, "True"));
            return result;
        }
        // The host's own functions that the examples use, each with its number of arguments.
        static const struct {
            const char* name;
            Expression::Kind kind;
            std::size_t arguments;
            const char* count;
        } builtIns[] = {{"Char", Expression::Kind::characterOf, 1, "one argument"},
                        {"File", Expression::Kind::fileOf, 1, "one argument"},
                        {"GetValue", Expression::Kind::valueOf, 2, "two arguments"},
                        {"Substitute", Expression::Kind::substitution, 3, "three arguments"}};
        for (const auto& builtIn : builtIns) {
            if (!sameName(name.text, builtIn.name))
                continue;
            result.kind = builtIn.kind;
            result.operands = arguments();
            if (result.operands.size() != builtIn.arguments)
                throw ScriptError(name.position, name.text + " takes " + builtIn.count);
            return result;
        }
        auto function = lookupFunction(name.text);
        if (!function)
            throw ScriptError(name.position, "unknown function \"" + name.text + "\"");
        result.kind = Expression::Kind::call;
        result.function = *function;
        if (peek().kind == Token::Kind::openParenthesis)
            result.operands = arguments();
        const auto count = static_cast<long>(result.operands.size());
        if (count < function->minArgs || count > function->maxArgs)
            throw ScriptError(name.position, function->name + " takes " +
                                                 std::to_string(function->minArgs) + " to " +
                                                 std::to_string(function->maxArgs) +
                                                 " arguments, not " + std::to_string(count));
        return result;
    }

    std::vector<Expression> arguments() {
        expect(Token::Kind::openParenthesis, "\"(\"");
        std::vector<Expression> result;
        if (peek().kind == Token::Kind::closeParenthesis) {
            next();
            return result;
        }
        result.push_back(expression());
        while (peek().kind == Token::Kind::separator) {
            next();
            result.push_back(expression());
        }
        expect(Token::Kind::closeParenthesis, "\";\" or \")\"");
        return result;
    }

    static constexpr int kMaxNesting = 200;

    const std::string& script_;
    std::vector<Token> tokens_;
    std::size_t index_ = 0;
    int nesting_ = 0;
};

} // namespace

std::optional<fmx::host::RegisteredFunction> lookupFunction(const std::string& name) {
    for (const auto& function : fmx::host::registeredFunctions()) {
        if (sameName(function.name, name))
            return function;
    }
    return std::nullopt;
}

std::vector<Statement> parseScript(const std::string& script, int firstLine) {
    ScriptLexer lexer(script, firstLine);
    return Parser(script, lexer.tokenize()).statements();
}
