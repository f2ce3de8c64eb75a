# The labels of the discovered GoogleTest tests, by their names ("Suite.Test", with the
# "Prefix/" and "/Parameter" of parameterised tests). CTest reads this file when it runs, after
# each test executable's list, so a change here needs no new configuration:
#
#   radicale     starts a Radicale server (suites named ...Radicale...)
#   loopback     starts a loopback server of Tests/Support (suites named ...Loopback, and below)
#   unit         every other test
#   slow         also on any test that takes more than about a second
#
# The protocol cases (loopback) and the fuzz-corpus replays (fuzz-replay) are labelled where they
# are added. Tools/test.sh --quick runs unit and loopback without slow.

set(talvero_radicale_tests "^[^.]*Radicale[^.]*\\.")
set(talvero_loopback_tests
    "^[^.]*Loopback[^.]*\\."
    "^(CardDavRequests|ConnectionReuse|ConnectionTest|FunctionConnections|HttpsServer)\\."
    "^(LoopbackHttpServer|Redirect|StallLimit|SyncWithoutCardData|WholeBook|BearerToken)\\."
    "^(CardJson[A-Za-z]*|ErrorText[A-Za-z]*)\\."
    "^HttpClient\\.(HttpErrors|NoAnswer|Timeout|AuthenticationType|TypeWords|Digest|Proxy|LargeBodies)"
    "^IncompleteAnswer\\.(CutOrReset|TimeoutInMidBody)"
    "^ConcurrentCalls\\.(EachSession|ASessionWaiting|AnEndedOrLongIdle|NoFunctionReaches)"
    "^VerboseLog\\.NoSecretReachesTheLog"
    "^ScriptSession\\.ImportsEveryCardOfABookAsRows$")
# Measured on a two-core machine shared with other builds.
set(talvero_slow_tests
    "^StallLimit\\.EndsRequestsWithoutTimeoutThatHardlyMove$"
    "^HttpClient\\.TimeoutLimitsTheWholeRequest$"
    "^IncompleteAnswer\\.TimeoutInMidBodyGivesNoAnswer$"
    "^ConnectionTest\\.SlowServerFailsWithMinusOne$"
    "^Radicale/Sync\\.FetchedCardsOpenWithoutARequestUntilTheyChange/"
    "^Radicale/Groups\\.(MovesACardBetweenGroups|NamesWithSpacesSeparators)"
    "^Radicale/ChangeCheck\\.")

function(talvero_matches_any name result)
    foreach(pattern ${ARGN})
        if(name MATCHES "${pattern}")
            set(${result} TRUE PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} FALSE PARENT_SCOPE)
endfunction()

# Sets the labels of each named test, and has CTest report a skipped GoogleTest test as skipped.
function(talvero_label_tests)
    foreach(test ${ARGN})
        talvero_matches_any("${test}" radicale ${talvero_radicale_tests})
        talvero_matches_any("${test}" loopback ${talvero_loopback_tests})
        talvero_matches_any("${test}" slow ${talvero_slow_tests})
        if(radicale)
            set(labels radicale)
        elseif(loopback)
            set(labels loopback)
        else()
            set(labels unit)
        endif()
        if(slow)
            list(APPEND labels slow)
        endif()
        set_tests_properties("${test}" PROPERTIES
            LABELS "${labels}" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    endforeach()
endfunction()
