// Text rules of vCard property lines: ASCII case of names and parameters, backslash escaping of
// values, folding of long lines.
//
// Values are kept in memory as read (escapes included); a line read and not changed is written
// back as it came, and a value a script sets is escaped when its line is written. Escaping an
// already escaped value changes nothing, so components and values read keep their escapes.
#pragma once

#include "Utils/AsciiCase.h"

#include <string>
#include <string_view>
#include <vector>

struct RawDataPair;

enum class LineBreaks { Escape, Keep };

// The characters among ',' and ';' that need a backslash in the value of the property
// `name` (group prefix allowed: ITEM1.ADR is an ADR). Separators of structured and list values
// stay bare, and values that are not text (photos, URIs, anything with an ENCODING parameter or
// VALUE=uri) keep all their commas and semicolons.
std::string escapedSeparators(std::string_view name, const std::vector<RawDataPair>& params);

// Whether the value of a property line with this name and parameter text (as written) is text,
// with backslash escapes: not binary data, a URI or an identifier (see escapedValue).
bool holdsText(std::string_view name, std::string_view parameters);

// The value of the property `name` as a rewritten line holds it. Text is escaped by escapeValue,
// with the separators escapedSeparators names and every line break. Values that are not text
// (URIs, UIDs, members, binary data) are written as stored, backslashes, commas and semicolons
// included: only each line break (CR LF, LF or CR) becomes "\n", as it would end the line.
std::string escapedValue(std::string_view name, const std::vector<RawDataPair>& params,
                         const std::string& value);

// Puts a backslash before each character of `separators` that has none yet. A backslash with
// another character after it is an existing escape and is copied as it is; a backslash left
// alone (at the end, or before a line break) is doubled. With LineBreaks::Escape every CR LF,
// lone LF and lone CR becomes "\n".
std::string escapeValue(const std::string& value, const std::string& separators,
                        LineBreaks lineBreaks);

// Cuts `value` at each `separator` that is not escaped by a backslash. Empty pieces between
// separators are kept; a trailing separator gives no final empty piece; an empty value gives
// no piece.
std::vector<std::string> splitUnescaped(const std::string& value, char separator);

// The property line `head` (name, parameters and ':') followed by `value`, folded when longer than
// 76 bytes: the head alone on the first line, then the value in pieces of at most 72 bytes, each
// on a line of its own after one space, lines separated by CR LF (none after the last). A value
// that is valid UTF-8 is cut only between characters.
std::string foldLine(std::string_view head, std::string_view value);
// Appends `value` to `line`, whose last `headLength` bytes are the head of a property line,
// folded as foldLine folds it.
void appendFoldedValue(std::string& line, std::size_t headLength, std::string_view value);

// The text a value stands for, its escapes resolved: "\n" (either case) and every line break
// written as such (CR LF, LF, CR) become one CR, the line break of host text; a backslash before
// any other character gives that character ("\," a comma, "\\" a backslash). A backslash at the
// end stays.
std::string unescapedText(std::string_view value);
// Text as one vCard value or list element holds it, so that unescapedText gives it back: every
// backslash doubled, each character of `separators` escaped and each line break (CR LF, LF or CR)
// written "\n". Unlike escapeValue it takes no backslash for an escape already made. Values whose
// separators stay bare (a whole address, a URI) get no separators.
std::string escapedText(std::string_view text, std::string_view separators = ",;");
