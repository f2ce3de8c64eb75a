// fmhost's script language: a small subset of FileMaker calculations, one statement per line.
//
//   $name = expression        assigns a variable
//   expression                evaluates; usually a call of a registered function
//
// Expressions: calls Name ( arg ; arg ; ... ) ("," also separates; a function without arguments
// may be written without parentheses), "text" literals with \" \\ \¶ escapes and ¶ standing for
// a carriage return, numbers (-1.5), True, False, ¶, $variables, concatenation with &,
// Char ( code ), File ( "path" ), GetValue ( list ; n ) and Substitute ( text ; search ;
// replacement ). Comments: // to the end of the line, /* ... */. A statement continues onto the
// next line while parentheses are open.
#pragma once

#include "FMWrapper/FMXHost.h"

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

struct Expression {
    enum class Kind {
        literal,
        variable,
        call,
        concatenation,
        characterOf,
        fileOf,
        valueOf,
        substitution
    };

    Kind kind = Kind::literal;
    SourcePosition position;
    fmx::host::Value literal;               // literal
    std::string name;                       // variable
    fmx::host::RegisteredFunction function; // call
    std::vector<Expression> operands;       // call arguments, concatenated parts, builtin argument
};

struct Statement {
    int line = 1;
    std::string source;                  // the statement as written
    std::optional<std::string> variable; // assigned variable, without "$"
    Expression expression;
};
