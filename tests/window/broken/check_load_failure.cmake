# Runs a test build of the program and expects a non-zero status and a message box that
# reports a run-time error with the given words.
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE errors TIMEOUT 60)
message(STATUS "status: ${status}\n${output}")
if(status EQUAL 0 OR NOT status MATCHES "^[0-9]+$")
    message(FATAL_ERROR "expected a plain non-zero exit status, got '${status}'\n${errors}")
endif()
if(NOT output MATCHES "APPLICATION: Quorvel 1\\.00\n")
    message(FATAL_ERROR "the program does not name itself Quorvel 1.00")
endif()
if(NOT output MATCHES "MESSAGE TITLE: Quorvel\n" OR NOT output MATCHES "MESSAGE BOX: 运行时错误"
   OR NOT output MATCHES "${EXPECT}")
    message(FATAL_ERROR "no run-time error message naming '${EXPECT}'")
endif()
