#include "ScriptParser.h"

#include "CalculationParser.h"

std::vector<Statement> parseScript(const std::string& script, int firstLine) {
    ScriptLexer lexer(script, firstLine);
    CalculationParser parser(script, lexer.tokenize());
    std::vector<Statement> statements;
    while (parser.peek().kind != Token::Kind::endOfScript) {
        if (parser.skip(Token::Kind::endOfStatement))
            continue;
        const Token first = parser.peek();
        Statement statement;
        statement.line = first.position.line;
        if (first.kind == Token::Kind::variable && parser.peekAfter().kind == Token::Kind::equals) {
            statement.variable = parser.next().text;
            parser.next();
        }
        statement.expression = parser.calculation(statement.localCount);
        statement.source = parser.sourceFrom(first);
        if (!parser.atStatementEnd())
            throw ScriptError(parser.peek().position, "expected the end of the statement");
        statements.push_back(std::move(statement));
    }
    return statements;
}
