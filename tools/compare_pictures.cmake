# Redraws every picture into OUTPUT and fails unless they show what the committed ones in
# COMMITTED show (COMPARE, tools/compare_pictures.cpp, says how close is close enough).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${OUTPUT})
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the picture generator failed: ${status}")
endif()
execute_process(COMMAND ${COMPARE} ${COMMITTED} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the regenerated pictures in ${OUTPUT} do not match ${COMMITTED}")
endif()
