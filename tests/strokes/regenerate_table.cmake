# Regenerates the stroke table and fails unless it matches the committed one byte for byte.
# Says "SKIPPED:" and why where it cannot run (the test counts as skipped then).
if(NOT PYTHON)
    message(STATUS "SKIPPED: no Python 3 interpreter (Debian package python3)")
    return()
elseif(NOT EXISTS ${UNIHAN})
    message(STATUS "SKIPPED: no Unihan data at ${UNIHAN} (Debian package unicode-data)")
    return()
endif()
execute_process(COMMAND ${PYTHON} ${GENERATOR} --unihan ${UNIHAN} ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the table generator failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED}
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${COMMITTED} differs from the regenerated ${OUTPUT}")
endif()
message(STATUS "regenerated table matches ${COMMITTED}")
