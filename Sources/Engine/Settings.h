// The settings a script makes: the server, the answer ceiling, and the field vocabulary.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>

// Makes `url` the session's server, with libcurl's verbose output and certificate checking as
// given, and installs the built-in field vocabulary. Nothing of the previous server is used
// again, nor may any request go there: its home, its selected book with all that is known of it,
// the group style and the current card are forgotten. The next operation that needs the server
// connects to the new one. Fails with 27 for a URL that holds a user name or password before its
// host, or a blank or control character: it is not stored, and nothing is sent anywhere until a
// usable one is set.
Verdict useServer(Session& session, const std::string& url, bool verbose, bool validcert);

// Sets the credentials the session's requests carry. Fails with 33 for a user name or password
// that holds a control character (a line break inside it; those a field leaves at its end are
// trimmed): no credentials are sent until a usable one is set.
Verdict useCredentials(Session& session, const std::string& type, const std::string& user,
                       const std::string& password);

// The most megabytes one answer may bring (CardDavClient's answer ceiling); 0 and negative
// values change nothing, and a value beyond what memory can address means no ceiling below that.
void useAnswerCeiling(Session& session, long megabytes);

// Replaces the field vocabulary with the one the mapping file at `path` gives. Fails with 32 for
// an empty path, 31 when the file gives no mapping (the built-in vocabulary is then in force).
Verdict useMappingFile(Session& session, const std::string& path);
