# Regenerates the stroke table and fails unless it matches the committed one byte for byte.
# Says "SKIPPED:" and why where it cannot run (the test counts as skipped then): no Python,
# no Unihan data, or, with QUORVEL_UNKNOWN_UNIHAN=skip in the environment (a package
# build), an Unihan version the generator does not know yet.
if(NOT PYTHON)
    message(STATUS "SKIPPED: no Python 3 interpreter (Debian package python3)")
    return()
elseif(NOT EXISTS ${UNIHAN})
    message(STATUS "SKIPPED: no Unihan data at ${UNIHAN} (Debian package unicode-data)")
    return()
endif()
execute_process(COMMAND ${PYTHON} ${GENERATOR} --unihan ${UNIHAN} ${OUTPUT}
                RESULT_VARIABLE status ERROR_VARIABLE complaint)
# The generator's status 3: an Unihan version whose counts nobody has checked yet.
if(status EQUAL 3 AND "$ENV{QUORVEL_UNKNOWN_UNIHAN}" STREQUAL "skip")
    string(REGEX MATCH "is Unihan [0-9.]+" version "${complaint}")
    string(REPLACE "is " "" version "${version}")
    message(STATUS "SKIPPED: the table was not compared with ${version}: the generator does "
                   "not know it yet, and QUORVEL_UNKNOWN_UNIHAN=skip (a package build) lets "
                   "the build go on. ${complaint}")
    return()
elseif(NOT status EQUAL 0)
    message(FATAL_ERROR "the table generator failed (${status}): ${complaint}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED}
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${COMMITTED} differs from the regenerated ${OUTPUT}")
endif()
message(STATUS "regenerated table matches ${COMMITTED}")
