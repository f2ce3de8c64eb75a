// FileMaker script steps in the text form FileMaker shows them in, one step per line (continued
// while brackets or parentheses are open):
//
//   Set Variable [ $name ; Value: calculation ]          (also without "Value:")
//   Set Field [ Table::Field ; calculation ]
//   Set Field By Name [ calculation giving "Table::Field" ; calculation ]
//   If [ calculation ]  /  Else If [ calculation ]  /  Else  /  End If
//   Loop  /  Exit Loop If [ calculation ]  /  End Loop
//   Exit Script [ Text Result: calculation ]             (also bare, or without the label)
//   Show Custom Dialog [ Title: calculation ; Message: calculation ; ... ]   (labels optional)
//   New Record/Request
//   Go to Record/Request/Page [ First | Last | Next | Previous ; Exit after last: On | Off ]
//   Delete Record/Request [ With dialog: Off ]
//   Commit Records/Requests [ With dialog: Off ]
//   Perform Script [ Specified: From list ; "Name" ; Parameter: calculation ]
//                          (the script file Name.fmscript beside the running one; the name also
//                          in FileMaker's “curly quotes”, "Specified: From list" optional)
//   Perform Script [ Specified: From list ; "Name" ; Parameter: calculation ]
//                          (the script file Name.fmscript beside the running one; the name also
//                          in FileMaker's “curly quotes”; "Specified: From list" optional)
//   Set Error Capture [ On ]  /  Allow User Abort [ Off ]   (nothing to do without dialogs)
//   # a comment
//
// The options of Delete, Commit, Loop and Show Custom Dialog's buttons, which matter only where
// a user sees dialogs, are read and passed over.
#pragma once

#include "RecordTable.h"
#include "Script.h"

#include <cstddef>
#include <string>
#include <vector>

struct Step {
    enum class Kind {
        setVariable,    // calculations[0] assigns the variable
        setField,       // field = calculations[0]
        setFieldByName, // calculations[0] names the field, calculations[1] its value
        ifThen,         // calculations[0]
        elseIf,         // calculations[0]
        otherwise,
        endIf,
        loop,
        exitLoopIf, // calculations[0]
        endLoop,
        exitScript, // calculations[0] when it has a result
        showDialog, // calculations: title, then message when given
        newRecord,
        goToRecord,
        deleteRecord,
        commit,
        performScript, // calculations[0] is the parameter when one is given
        nothing        // Set Error Capture, Allow User Abort
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    Kind kind = Kind::nothing;
    std::string name; // as FileMaker names it: "Go to Record/Request/Page"
    int line = 1;
    SourcePosition position;
    std::string source; // the step as written
    std::vector<Statement> calculations;
    std::string fieldName;  // setField, as written
    std::string scriptName; // performScript
    std::size_t field = 0;  // setField: the field's index, once resolved against the table
    RecordTable::Move move = RecordTable::Move::first; // goToRecord
    bool exitAfterLast = false;                        // goToRecord
    // If and Else If: the step their false condition goes to (the next Else If, Else or End If).
    std::size_t next = kNone;
    // If, Else If and Else: their End If. Loop: its End Loop; End Loop: its Loop. Exit Loop If,
    // and Go to Record with Exit after last: the End Loop of the loop they leave (kNone: none).
    std::size_t end = kNone;
};
