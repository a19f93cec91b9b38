# Runs COMMAND and passes when it exits with STATUS (not by a signal) and
# its error output holds MESSAGE.
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT "${result}" STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status '${result}', expected ${STATUS}\nstdout:\n${out}\nstderr:\n${err}")
endif()
string(FIND "${err}" "${MESSAGE}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "the error output does not say '${MESSAGE}'\nstderr:\n${err}")
endif()
message(STATUS "refused as expected: ${err}")
