// Splits an XML body into batches as its bytes arrive, each handed on as soon as it is whole: a
// batch is a small document of its own, the top element's start tag as the body wrote it (the
// first batch with everything before it), a run of whole children of the top element (the
// responses of a multistatus), and the top element's end tag. A long answer is so read while it
// arrives, without its body or a document of it ever held whole, and every element is parsed by
// pugixml by the same rules as if the body had been parsed at once.
//
// Only the top-level structure is found here: where the top element starts, where each of its
// children ends, where it ends. Names, namespaces, text, entities and whether the markup is
// well-formed are pugixml's to read, batch by batch (BatchForms): a batch that does not parse
// makes the whole body unreadable.
#pragma once

#include "Multistatus/BodyForm.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class DocumentBatches {
public:
    // Batches hold about this many bytes of children, or one child where it is longer.
    static constexpr std::size_t kBatchBytes = 64 * 1024;
    // The top element starts within this many bytes (after an XML declaration, a document type,
    // comments), or the body is taken for no document.
    static constexpr std::size_t kLongestProlog = 1024 * 1024;
    // After the top element's end, at most this much more is taken (blanks, comments); more
    // changes nothing read and ends the reading.
    static constexpr std::size_t kTrailingBytes = 64 * 1024;

    // `read` is given every batch in the body's order, and tells whether the body may still be
    // a document (the batches so far parsed).
    explicit DocumentBatches(std::function<bool(std::string batch)> read);

    // Takes the next bytes of the body. False once the rest of the body can change nothing: the
    // top element has ended, or the body can be no document.
    bool take(std::string_view bytes);
    // After the last bytes: whether the top element ended. A body cut off anywhere before is
    // unreadable, whatever its batches gave.
    bool finish() const;

private:
    enum class Stage { BeforeTop, InTop, AfterTop, Broken };
    enum class Markup { None, StartTag, EndTag, Comment, Cdata, Instruction, Declaration };

    // Splits what is pending as far as it goes; false when the body proves no document.
    bool split();
    // Inside a child of the top element, passes text and the tags whose end has come, which is
    // nearly all of an answer, at once; stops at other markup, at the child's end or where the
    // bytes end, for `split` to go on.
    void passPlainMarkup();
    // The kind of markup starting at `scanned` (a '<'); false while too few bytes tell.
    bool open();
    // Looks for the end of the open markup; false while it has not come.
    bool close();
    // Takes the markup just closed, pending[markupStart, scanned), into the structure.
    bool closed();
    // Hands pending[start, end) on as the next batch; `last` when it holds the top's end.
    void readBatch(std::size_t end, bool last);
    // Drops the bytes read as batches from the pending ones.
    void dropRead();

    std::function<bool(std::string)> read;
    Stage stage = Stage::BeforeTop;
    // The bytes taken: [0, start) were read as batches, [start, whole) are whole children of the
    // top element (with everything before them until the first batch), [whole, scanned) were
    // split, the rest not.
    std::string pending;
    std::size_t start = 0;
    std::size_t whole = 0;
    std::size_t scanned = 0;
    // The markup whose end has not come yet, where it began and where the search goes on.
    Markup markup = Markup::None;
    std::size_t markupStart = 0;
    std::size_t resume = 0;
    char quote = 0; // the quote a start tag's attribute value is open with
    int depth = 0;  // elements open, the top one included
    std::string topStartTag;
    std::string topEndTag;
    bool firstBatch = true;
    std::size_t trailing = 0;
};

// The form of a body read in batches: every batch must parse, each of the first one's form, and
// the body must have come whole.
class BatchForms {
public:
    // Takes the form of the next batch; false when the body can no longer be read.
    bool accept(BodyForm batch);
    bool broken() const { return failed; }
    BodyForm of(bool whole) const { return whole && !failed ? form : BodyForm::Unreadable; }

private:
    BodyForm form = BodyForm::Unreadable;
    bool failed = false;
};
