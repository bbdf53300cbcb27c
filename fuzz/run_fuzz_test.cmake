# Runs one libFuzzer executable for SECONDS over a fresh copy of its seed corpus in WORK_DIR.
# Fails if the fuzzer finds anything; the input that did it is left in WORK_DIR/artifacts.
foreach(var FUZZER SEEDS DICT WORK_DIR SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "run_fuzz_test.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/corpus ${WORK_DIR}/artifacts)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK_DIR}/corpus)

execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -print_final_stats=1 -dict=${DICT}
        -artifact_prefix=${WORK_DIR}/artifacts/ ${WORK_DIR}/corpus
    WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); see ${WORK_DIR}/artifacts")
endif()
