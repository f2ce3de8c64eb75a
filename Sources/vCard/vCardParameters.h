// What the parameters of a property line mean, whichever vCard version wrote them: vCard 2.1
// bare parameters (TEL;CELL;PREF, PHOTO;JPEG;BASE64), quoted values and comma lists
// (TYPE="work,voice"), the vCard 4 PREF parameter, and the encodings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct RawDataPair;

// The name a parameter stands for: its key; for a bare parameter ENCODING when its value is an
// encoding word (BASE64, B, QUOTED-PRINTABLE, 8BIT, 7BIT), otherwise TYPE.
std::string_view parameterName(std::string_view key, std::string_view value);
std::string_view parameterName(const RawDataPair& param);

// `value` without the double quotes around it, when it has them.
std::string_view unquoted(std::string_view value);

// The values a parameter value lists, in order, each without its quotes: a comma list whose
// elements may be quoted (TYPE=work,"a,b:c"). A quoted element is one value, commas and colons
// included (RFC 6350 3.3), unless it holds nothing but type words separated by commas
// (TYPE="work,voice", as RFC 6350's own examples write a list). A backslash outside quotes keeps
// the character after it in the element. Empty elements are left out.
std::vector<std::string_view> parameterValues(std::string_view value);
// A TYPE value as a parameter writes it: as it is when it is a type word, else in quotes.
std::string typeParameterValue(std::string_view type);

// Whether the parameters name `type` (ignoring case) as a TYPE value: as the whole value (a
// comma list matches itself), or as one element of a comma list, quoted or not. A vCard 4 PREF
// parameter, of any value, counts as the type PREF.
bool listsType(const std::vector<RawDataPair>& params, std::string_view type);

// Whether a parameter text (as in a property line) declares the value quoted-printable, with
// ENCODING=QUOTED-PRINTABLE or the bare QUOTED-PRINTABLE.
bool declaresQuotedPrintable(std::string_view parameters);
bool declaresQuotedPrintable(const std::vector<RawDataPair>& params);
// The CHARSET value of a parameter text, without quotes; empty when there is none.
std::string_view charsetOf(std::string_view parameters);
// Whether a parameter is the ENCODING of a quoted-printable value, which goes when the value is
// written as plain text.
bool describesQuotedPrintable(const RawDataPair& param);
// Whether a parameter is a CHARSET naming another character set than UTF-8.
bool namesOtherCharsetThanUtf8(const RawDataPair& param);

// Whether an ENCODING value means base64: b, B, BASE64 (any case, quoted or not).
bool isBase64Encoding(std::string_view encoding);
