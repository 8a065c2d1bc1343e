# Runs lupdate from the sources into copies of the .ts files and fails when a copy holds an
# unfinished translation (a new or changed text) or an obsolete or vanished one (a text the
# sources no longer have). The .ts files themselves stay untouched.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(copies)
foreach(ts IN LISTS TS_FILES)
    get_filename_component(name ${ts} NAME)
    configure_file(${ts} ${WORK_DIR}/${name} COPYONLY)
    list(APPEND copies ${WORK_DIR}/${name})
endforeach()
execute_process(
    COMMAND ${LUPDATE} -locations none -no-ui-lines ${SOURCES} -ts ${copies}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed:\n${output}")
endif()
set(faults 0)
foreach(copy IN LISTS copies)
    file(STRINGS ${copy} lines)
    set(previous "")
    foreach(line IN LISTS lines)
        if(line MATCHES "<source>")
            set(previous "${line}")
        endif()
        if(line MATCHES "type=\"(unfinished|obsolete|vanished)\"")
            message(SEND_ERROR "${copy}: ${CMAKE_MATCH_1}: ${previous}")
            math(EXPR faults "${faults} + 1")
        endif()
    endforeach()
endforeach()
if(faults GREATER 0)
    message(FATAL_ERROR "${faults} translation(s) to finish; run the update_translations target and translate")
endif()
