// Reads FileMaker calculations from a script's tokens, resolving every name against the Let and
// While variables in scope, the host's own functions and the registered functions, and checking
// every argument count, so that nothing runs when any line is wrong. Calculation scripts
// (ScriptParser.h) and script steps (StepParser.h) read their calculations with it.
#pragma once

#include "BuiltInFunctions.h"
#include "ScriptLexer.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class CalculationParser {
public:
    CalculationParser(const std::string& script, std::vector<Token> tokens)
        : script_(script), tokens_(std::move(tokens)) {}

    // One calculation from the current token on, with Let and While variables of its own; its
    // slots are counted into `localCount`.
    Expression calculation(std::size_t& localCount);

    const Token& peek() const { return tokens_[std::min(index_, tokens_.size() - 1)]; }
    const Token& peekAfter() const { return peekAt(1); }
    const Token& peekAt(std::size_t ahead) const {
        return tokens_[std::min(index_ + ahead, tokens_.size() - 1)];
    }
    const Token& next() { return tokens_[std::min(index_++, tokens_.size() - 1)]; }
    // The token read last.
    const Token& previous() const { return tokens_[index_ == 0 ? 0 : index_ - 1]; }
    const Token& expect(Token::Kind kind, const char* what);
    // Moves past the next token when it is of `kind`.
    bool skip(Token::Kind kind);
    bool atKeyword(const char* word) const;
    // Whether the current token ends a statement (or the script).
    bool atStatementEnd() const;
    // The script's text from `first` to the end of the token read last.
    std::string sourceFrom(const Token& first) const;

private:
    // The arguments of a call: plain ones, then (for a function taking groups) bracketed
    // groups, all in one list.
    struct Arguments {
        std::vector<Expression> values;
        std::size_t plain = 0;
        std::size_t groups = 0;
    };

    // Each level of nesting costs stack in the parser and in the evaluation.
    class Nesting {
    public:
        explicit Nesting(CalculationParser& parser);
        ~Nesting() { --parser_.nesting_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        CalculationParser& parser_;
    };

    Expression expression();
    std::optional<Operator> operatorAt(int level) const;
    Expression operation(int level);
    template <typename ParseOperand>
    Expression prefixed(Expression::Kind kind, ParseOperand parseOperand);
    Expression primary();
    Expression named(const Token& name);
    Expression hostGet(Expression result);
    std::vector<Expression> arguments(SourcePosition at, const std::string& function, int min,
                                      int max, int groupSize = 0);
    static void checkCount(SourcePosition at, const std::string& function, std::size_t count,
                           int min, int max);
    void group(Arguments& found, const std::string& function, int groupSize);
    Expression let(Expression result);
    Expression loop(Expression result);
    Expression bindings(std::size_t reuseFrom, std::vector<std::size_t>* created);
    Expression binding(std::size_t reuseFrom, std::vector<std::size_t>* created);
    std::optional<std::size_t> localSlot(const std::string& name, std::size_t from = 0) const;

    // A level of parentheses takes about 10 KB of parser stack (40 KB in a sanitizer build),
    // and a thread's stack on Windows is 1 MB.
    static constexpr int kMaxNesting = 64;

    const std::string& script_;
    std::vector<Token> tokens_;
    std::size_t index_ = 0;
    int nesting_ = 0;
    // The Let and While variables in scope, innermost last, by folded name, and the
    // calculation's number of slots so far.
    std::vector<std::pair<std::string, std::size_t>> scope_;
    std::size_t slots_ = 0;
};

// The registered function called `name`, ignoring case as FileMaker does.
std::optional<fmx::host::RegisteredFunction> lookupFunction(const std::string& name);
