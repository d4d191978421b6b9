# Runs `zentrimo --report --machine MACHINE` and compares standard output and the exit code with
# the golden file (first line "exit: N", the rest the expected output).
execute_process(COMMAND ${ZENTRIMO} --report --machine ${MACHINE}
  OUTPUT_VARIABLE actual RESULT_VARIABLE code ERROR_VARIABLE errors)
file(READ ${GOLDEN} expected)
set(actual "exit: ${code}\n${actual}")
if(NOT actual STREQUAL expected)
  file(WRITE ${GOLDEN}.actual "${actual}")
  message(FATAL_ERROR "report of ${MACHINE} differs from ${GOLDEN}; see ${GOLDEN}.actual\n"
    "stderr: ${errors}")
endif()
