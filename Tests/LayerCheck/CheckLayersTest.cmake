# Runs the layer check on tree/, whose includes against the direction (in every form the
# compiler takes) end in "// forbidden". The check must fail and report each forbidden line, and no other.
# Run with -DCHECK=<cmake/CheckLayers.cmake> -DLAYERS=<layers, comma-separated> -DTREE=<tree>
string(REPLACE "," ";" layers "${LAYERS}")
execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${TREE} "-DLAYERS=${layers}" -P ${CHECK}
    RESULT_VARIABLE result ERROR_VARIABLE report OUTPUT_VARIABLE report_out)
string(APPEND report "${report_out}")
if(result EQUAL 0)
    message(FATAL_ERROR "The layer check passed a tree with forbidden includes")
endif()

file(GLOB_RECURSE files ${TREE}/*)
set(expected 0)
set(missed "")
foreach(file IN LISTS files)
    file(RELATIVE_PATH shown ${TREE} ${file})
    file(STRINGS ${file} forbidden REGEX "// forbidden$")
    foreach(line IN LISTS forbidden)
        math(EXPR expected "${expected} + 1")
        string(STRIP "${line}" line)
        string(FIND "${report}" "${shown}: ${line}" at)
        if(at EQUAL -1)
            string(APPEND missed "\n  ${shown}: ${line}")
        endif()
    endforeach()
endforeach()
string(REGEX MATCHALL " may include " reported "${report}")
list(LENGTH reported reported)
if(missed OR NOT reported EQUAL expected)
    message(FATAL_ERROR "The layer check reported ${reported} includes, not the ${expected} "
        "forbidden ones; not reported:${missed}\nIts report:\n${report}")
endif()
