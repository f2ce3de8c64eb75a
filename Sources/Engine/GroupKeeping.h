// Whether the server keeps groups, in either style (Engine/GroupStyle.h). Most servers store a
// card as it was sent, and keep both. A server with a contact model of its own may keep neither:
// Google stores a group card as an ordinary contact named after the group, and drops CATEGORIES.
// Nothing in its answers says so ahead of a write, so the plug-in learns it from what the server
// does with the plug-in's own group writes, once per connection (ServerFacts), and from then on
// refuses the group writes the server would not keep, before anything is sent.
#pragma once

#include "Engine/GroupStyle.h"
#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>
#include <vector>

// Fails with 30 when the server is known to keep no groups in `style`; nothing is sent.
Verdict groupsKeptIn(const Session& session, GroupStyle style);

// Judges a group card the plug-in just created, as the server holds it (`created.isgroup` read
// back where the server changed the card on storing it). A group card kept as an ordinary
// contact is deleted again, guarded by its tag, so that nothing is left that the script did not
// ask for; the server is then known to keep no group cards, and the verdict is 30.
Verdict judgeCreatedGroup(Session& session, const addresscard& created);

// Judges the card `card` as the server holds it after the categories `names` (unescaped) were
// written on it: when it holds none of them, the server is known to keep no categories, and the
// verdict is 30.
Verdict judgeKeptCategories(Session& session, const addresscard& card,
                            const std::vector<std::string>& names);
