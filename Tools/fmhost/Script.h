// fmhost's calculation language: FileMaker calculations, one statement per line.
//
//   $name = expression        assigns a variable
//   expression                evaluates; usually a call of a registered function
//
// Expressions are FileMaker's: literals ("text" with \" \\ \¶ escapes and ¶ standing for a
// carriage return, numbers, True, False, ¶, the JSON type constants), $variables and
// $$variables, fields of the record table (Contacts::Name), the operators & + - * / = ≠ <> < >
// ≤ <= ≥ >= not and or xor with parentheses, the host's own functions (Let, While, If, Case,
// Get, GetField, the text, list and JSON functions, Char, File) and calls of registered
// functions ("," also separates arguments; a registered function without arguments may be
// written without parentheses). Comments: // to the end of the line, /* ... */. A statement
// continues onto the next line while parentheses or brackets are open. Each statement is parsed
// once into a tree of Expressions and evaluated from it. Script steps (ScriptSteps.h) hold their
// calculations as statements too.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct SourcePosition {
    int line = 1;
    int column = 1;
};

// A syntax error, an unknown function or a failure while running, at a place in the script.
class ScriptError : public std::runtime_error {
public:
    ScriptError(SourcePosition position, const std::string& message)
        : std::runtime_error(message), position(position) {}
    SourcePosition position;
};

enum class Operator {
    add,
    subtract,
    multiply,
    divide,
    concatenate,
    equal,
    notEqual,
    less,
    lessOrEqual,
    greater,
    greaterOrEqual,
    logicalAnd,
    logicalOr,
    logicalXor
};

struct BuiltIn;

struct Expression {
    enum class Kind {
        literal,
        variable,       // a $variable or $$variable, read by `name`
        local,          // a Let or While variable, read from `slot`
        field,          // a field of the record table, `name` as written, `slot` its index
        fieldByName,    // GetField ( name )
        hostGet,        // Get ( `name` ), folded
        call,           // a registered function with `operands` as arguments
        builtIn,        // a host function whose arguments are all evaluated first
        fileOf,         // File ( path )
        negation,       // - operand
        logicalNot,     // not operand
        operation,      // operands joined left to right by `operators`
        ifThen,         // If ( test ; then {; else} )
        caseOf,         // Case ( test ; result ... {; default} )
        assignVariable, // $name = operand, inside Let and While
        assignLocal,    // slot = operand
        sequence,       // the operands in order (Let and While bindings); no value
        let,            // operands: bindings, result
        loop            // operands: initial bindings, condition, logic, result
    };

    Kind kind = Kind::literal;
    SourcePosition position;
    fmx::host::Value literal;               // literal
    std::string name;                       // variable, assignVariable: folded, "$" for $$
    std::size_t slot = 0;                   // local, assignLocal, field
    fmx::host::RegisteredFunction function; // call
    const BuiltIn* builtIn = nullptr;       // builtIn
    std::vector<Operator> operators;        // operation: one between each two operands
    std::vector<std::size_t> slotsToEmpty;  // loop: variables first set in its logic
    std::vector<Expression> operands;
};

struct Statement {
    int line = 1;
    std::string source;                  // the statement as written (a step's whole text)
    std::optional<std::string> variable; // assigned variable, without "$"
    Expression expression;
    std::size_t localCount = 0; // slots of Let and While variables the expression uses
    std::string step;           // the script step it belongs to; empty in a calculation script
};
