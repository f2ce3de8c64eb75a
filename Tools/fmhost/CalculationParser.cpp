#include "CalculationParser.h"

#include "CaseFolding.h"

#include <algorithm>

namespace {

using Kind = Token::Kind;

// Operator precedence, loosest first, as FileMaker binds: or and xor, and, not, comparisons, &,
// + and -, * and /, then the sign.
enum Level { kOr, kAnd, kNot, kComparison, kConcatenation, kAddition, kMultiplication, kSign };

// "takes 1 argument", "takes 0 to 1 arguments", "takes at least 2 arguments".
std::string argumentRange(int min, int max) {
    if (max == BuiltIn::kUnbounded)
        return "at least " + std::to_string(min) + " arguments";
    if (min == max)
        return std::to_string(min) + (min == 1 ? " argument" : " arguments");
    return std::to_string(min) + " to " + std::to_string(max) + " arguments";
}

// What Get ( ... ) knows: the record table's found set and current record, and what a performed
// script was given and what the last one it performed gave back.
const char* const kHostGets[] = {"FoundCount", "RecordNumber", "ScriptParameter", "ScriptResult"};

} // namespace

CalculationParser::Nesting::Nesting(CalculationParser& parser) : parser_(parser) {
    if (parser_.nesting_ >= kMaxNesting)
        throw ScriptError(parser_.peek().position, "expression nested too deeply");
    ++parser_.nesting_;
}

const Token& CalculationParser::expect(Kind kind, const char* what) {
    if (peek().kind != kind)
        throw ScriptError(peek().position, std::string("expected ") + what);
    return next();
}

bool CalculationParser::skip(Kind kind) {
    if (peek().kind != kind)
        return false;
    next();
    return true;
}

bool CalculationParser::atKeyword(const char* word) const {
    return peek().kind == Kind::identifier && sameName(peek().text, word);
}

bool CalculationParser::atStatementEnd() const {
    return peek().kind == Kind::endOfStatement || peek().kind == Kind::endOfScript;
}

std::string CalculationParser::sourceFrom(const Token& first) const {
    return script_.substr(first.begin, previous().end - first.begin);
}

Expression CalculationParser::calculation(std::size_t& localCount) {
    scope_.clear();
    slots_ = 0;
    Expression result = expression();
    localCount = slots_;
    return result;
}

Expression CalculationParser::expression() {
    Nesting nesting(*this);
    return operation(kOr);
}

// The operator at `level` that comes next, if any.
std::optional<Operator> CalculationParser::operatorAt(int level) const {
    static const struct {
        Kind token;
        Operator op;
        int level;
    } symbols[] = {
        {Kind::equals, Operator::equal, kComparison},
        {Kind::notEqual, Operator::notEqual, kComparison},
        {Kind::less, Operator::less, kComparison},
        {Kind::lessOrEqual, Operator::lessOrEqual, kComparison},
        {Kind::greater, Operator::greater, kComparison},
        {Kind::greaterOrEqual, Operator::greaterOrEqual, kComparison},
        {Kind::ampersand, Operator::concatenate, kConcatenation},
        {Kind::plus, Operator::add, kAddition},
        {Kind::minus, Operator::subtract, kAddition},
        {Kind::star, Operator::multiply, kMultiplication},
        {Kind::slash, Operator::divide, kMultiplication},
    };
    if (level == kOr && atKeyword("or"))
        return Operator::logicalOr;
    if (level == kOr && atKeyword("xor"))
        return Operator::logicalXor;
    if (level == kAnd && atKeyword("and"))
        return Operator::logicalAnd;
    for (const auto& symbol : symbols) {
        if (symbol.level == level && symbol.token == peek().kind)
            return symbol.op;
    }
    return std::nullopt;
}

// The operands of one level joined by its operators, left to right, in one node.
Expression CalculationParser::operation(int level) {
    if (level == kNot && atKeyword("not"))
        return prefixed(Expression::Kind::logicalNot, [this] { return operation(kNot); });
    if (level == kSign) {
        if (peek().kind != Kind::minus)
            return primary();
        Expression negation =
            prefixed(Expression::Kind::negation, [this] { return operation(kSign); });
        const Expression& operand = negation.operands[0];
        if (operand.kind != Expression::Kind::literal ||
            operand.literal.type() != fmx::host::ValueType::number)
            return negation;
        negation.kind = Expression::Kind::literal; // -12.5 is a number, not a calculation
        negation.literal = fmx::host::Value::number(-operand.literal.asNumber());
        negation.operands.clear();
        return negation;
    }
    Expression first = operation(level + 1);
    std::optional<Operator> op = operatorAt(level);
    if (!op)
        return first;
    Expression chain;
    chain.kind = Expression::Kind::operation;
    chain.position = first.position;
    chain.operands.push_back(std::move(first));
    for (; op; op = operatorAt(level)) {
        next();
        chain.operators.push_back(*op);
        chain.operands.push_back(operation(level + 1));
    }
    return chain;
}

template <typename ParseOperand>
Expression CalculationParser::prefixed(Expression::Kind kind, ParseOperand parseOperand) {
    Expression result;
    result.kind = kind;
    result.position = next().position;
    Nesting nesting(*this);
    result.operands.push_back(parseOperand());
    return result;
}

Expression CalculationParser::primary() {
    const Token& token = peek();
    Expression result;
    result.position = token.position;
    switch (token.kind) {
    case Kind::text:
        result.literal = fmx::host::Value::text(next().text);
        return result;
    case Kind::number:
        result.literal = fmx::host::Value::number(next().number);
        return result;
    case Kind::pilcrow:
        next();
        result.literal = fmx::host::Value::text("\r");
        return result;
    case Kind::variable:
        result.kind = Expression::Kind::variable;
        result.name = foldCase(next().text);
        return result;
    case Kind::field:
        result.kind = Expression::Kind::field;
        result.name = next().text;
        return result;
    case Kind::openParenthesis: {
        next();
        Expression inner = expression();
        expect(Kind::closeParenthesis, "\")\"");
        return inner;
    }
    case Kind::identifier:
        return named(next());
    default:
        throw ScriptError(token.position, "expected a value");
    }
}

Expression CalculationParser::named(const Token& name) {
    Expression result;
    result.position = name.position;
    if (const auto slot = localSlot(name.text)) {
        result.kind = Expression::Kind::local;
        result.slot = *slot;
        return result;
    }
    if (auto constant = constantNamed(name.text)) {
        result.literal = std::move(*constant);
        return result;
    }
    if (sameName(name.text, "Let"))
        return let(std::move(result));
    if (sameName(name.text, "While"))
        return loop(std::move(result));
    if (sameName(name.text, "Get"))
        return hostGet(std::move(result));
    static const struct {
        const char* name;
        Expression::Kind kind;
        int minArgs;
        int maxArgs;
    } evaluatorOwn[] = {{"If", Expression::Kind::ifThen, 2, 3},
                        {"Case", Expression::Kind::caseOf, 2, BuiltIn::kUnbounded},
                        {"File", Expression::Kind::fileOf, 1, 1},
                        {"GetField", Expression::Kind::fieldByName, 1, 1}};
    for (const auto& own : evaluatorOwn) {
        if (!sameName(name.text, own.name))
            continue;
        result.kind = own.kind;
        result.operands = arguments(name.position, own.name, own.minArgs, own.maxArgs);
        return result;
    }
    if (const BuiltIn* builtIn = findBuiltIn(name.text)) {
        result.kind = Expression::Kind::builtIn;
        result.builtIn = builtIn;
        result.operands = arguments(name.position, builtIn->name, builtIn->minArgs,
                                    builtIn->maxArgs, builtIn->groupSize);
        return result;
    }
    auto function = lookupFunction(name.text);
    if (!function)
        throw ScriptError(name.position, "unknown function \"" + name.text + "\"");
    result.kind = Expression::Kind::call;
    result.function = *function;
    // A registered function without arguments needs no parentheses.
    if (peek().kind == Kind::openParenthesis)
        result.operands =
            arguments(name.position, function->name, function->minArgs, function->maxArgs);
    else
        checkCount(name.position, function->name, 0, function->minArgs, function->maxArgs);
    return result;
}

// Get ( FoundCount ): the name of what is asked, not a calculation.
Expression CalculationParser::hostGet(Expression result) {
    result.kind = Expression::Kind::hostGet;
    expect(Kind::openParenthesis, "\"(\"");
    const Token& what = peek();
    for (const char* known : kHostGets) {
        if (what.kind == Kind::identifier && sameName(what.text, known)) {
            result.name = foldCase(next().text);
            expect(Kind::closeParenthesis, "\")\"");
            return result;
        }
    }
    throw ScriptError(what.position,
                      "Get knows FoundCount, RecordNumber, ScriptParameter and ScriptResult here");
}

// ( argument ; ... ), checked against the function's range. A function taking groups may
// have bracketed groups of `groupSize` after its first argument instead of the others.
std::vector<Expression> CalculationParser::arguments(SourcePosition at, const std::string& function,
                                                     int min, int max, int groupSize) {
    expect(Kind::openParenthesis, "\"(\"");
    Arguments found;
    if (peek().kind != Kind::closeParenthesis) {
        do {
            if (groupSize > 0 && found.plain == 1 && peek().kind == Kind::openBracket) {
                group(found, function, groupSize);
            } else if (found.groups > 0) {
                throw ScriptError(peek().position, "expected \"[\"");
            } else {
                found.values.push_back(expression());
                ++found.plain;
            }
        } while (skip(Kind::separator));
    }
    expect(Kind::closeParenthesis, "\";\" or \")\"");
    if (found.groups == 0)
        checkCount(at, function, found.plain, min, max);
    return std::move(found.values);
}

void CalculationParser::checkCount(SourcePosition at, const std::string& function,
                                   std::size_t count, int min, int max) {
    const auto n = static_cast<long>(count);
    if (n < min || (max != BuiltIn::kUnbounded && n > max))
        throw ScriptError(at, function + " takes " + argumentRange(min, max) + ", not " +
                                  std::to_string(count));
}

void CalculationParser::group(Arguments& found, const std::string& function, int groupSize) {
    const Token& open = next();
    int count = 0;
    do {
        found.values.push_back(expression());
        ++count;
    } while (skip(Kind::separator));
    expect(Kind::closeBracket, "\";\" or \"]\"");
    if (count != groupSize)
        throw ScriptError(open.position, function + " takes groups of " +
                                             std::to_string(groupSize) + " in brackets");
    ++found.groups;
}

// Let ( name = value ; result ), Let ( [ name = value ; ... ] ; result ).
Expression CalculationParser::let(Expression result) {
    result.kind = Expression::Kind::let;
    expect(Kind::openParenthesis, "\"(\"");
    const std::size_t outer = scope_.size();
    result.operands.push_back(bindings(outer, nullptr));
    expect(Kind::separator, "\";\"");
    result.operands.push_back(expression());
    expect(Kind::closeParenthesis, "\")\"");
    scope_.resize(outer);
    return result;
}

// While ( [ initial ] ; condition ; [ logic ] ; result ). The initial variables are the
// loop's own; a name the logic sets that is already in scope is that variable, any other a
// new one of the loop, emptied each time the loop starts.
Expression CalculationParser::loop(Expression result) {
    result.kind = Expression::Kind::loop;
    expect(Kind::openParenthesis, "\"(\"");
    const std::size_t outer = scope_.size();
    result.operands.push_back(bindings(outer, nullptr));
    expect(Kind::separator, "\";\"");
    result.operands.push_back(expression());
    expect(Kind::separator, "\";\"");
    result.operands.push_back(bindings(0, &result.slotsToEmpty));
    expect(Kind::separator, "\";\"");
    result.operands.push_back(expression());
    expect(Kind::closeParenthesis, "\")\"");
    scope_.resize(outer);
    return result;
}

// One binding, or several in brackets. A name bound in scope_ from `reuseFrom` on is that
// variable again; any other name becomes a new variable (its slot added to `created`).
Expression CalculationParser::bindings(std::size_t reuseFrom, std::vector<std::size_t>* created) {
    Expression sequence;
    sequence.kind = Expression::Kind::sequence;
    sequence.position = peek().position;
    const bool bracketed = peek().kind == Kind::openBracket;
    if (bracketed)
        next();
    do {
        sequence.operands.push_back(binding(reuseFrom, created));
    } while (bracketed && skip(Kind::separator));
    if (bracketed)
        expect(Kind::closeBracket, "\";\" or \"]\"");
    return sequence;
}

Expression CalculationParser::binding(std::size_t reuseFrom, std::vector<std::size_t>* created) {
    const Token& name = peek();
    if (name.kind != Kind::identifier && name.kind != Kind::variable)
        throw ScriptError(name.position, "expected a variable name");
    next();
    expect(Kind::equals, "\"=\"");
    Expression assignment;
    assignment.position = name.position;
    assignment.operands.push_back(expression()); // before the name is in scope
    if (name.kind == Kind::variable) {
        assignment.kind = Expression::Kind::assignVariable;
        assignment.name = foldCase(name.text);
        return assignment;
    }
    assignment.kind = Expression::Kind::assignLocal;
    if (const auto known = localSlot(name.text, reuseFrom)) {
        assignment.slot = *known;
    } else {
        assignment.slot = slots_++;
        scope_.emplace_back(foldCase(name.text), assignment.slot);
        if (created)
            created->push_back(assignment.slot);
    }
    return assignment;
}

// The slot of the innermost Let or While variable called `name`, among those bound in
// scope_ from `from` on.
std::optional<std::size_t> CalculationParser::localSlot(const std::string& name,
                                                        std::size_t from) const {
    const std::string folded = foldCase(name);
    for (std::size_t i = scope_.size(); i > from; --i) {
        if (scope_[i - 1].first == folded)
            return scope_[i - 1].second;
    }
    return std::nullopt;
}

std::optional<fmx::host::RegisteredFunction> lookupFunction(const std::string& name) {
    for (const auto& function : fmx::host::registeredFunctions()) {
        if (sameName(function.name, name))
            return function;
    }
    return std::nullopt;
}
