// How far an answer's body could be read, and a reading's value together with it.
#pragma once

#include <utility>

enum class BodyForm {
    Unreadable,  // not well-formed XML: cut off in transit, or no XML at all
    OtherXml,    // well-formed XML whose top element is no DAV:multistatus
    Multistatus, // a whole DAV:multistatus
};

// What a reading gave, and from what kind of body.
template <class Value> struct [[nodiscard]] Read {
    BodyForm form = BodyForm::Unreadable;
    Value value{};
};

// What a reading gave of a body of `form`: nothing at all of a body that was not read whole,
// whatever its parts before the cut gave.
template <class Value> Read<Value> readingOf(BodyForm form, Value value) {
    if (form == BodyForm::Unreadable)
        return {form, Value{}};
    return {form, std::move(value)};
}
