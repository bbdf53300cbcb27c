# Regenerates the stroke table and fails unless it matches the committed one byte for byte.
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
