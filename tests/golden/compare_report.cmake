# SPDX-License-Identifier: GPL-3.0-or-later
# Runs `zentrimo --report --machine MACHINE` and compares the exit code, standard output and the
# messages on standard error with the golden file: first line "exit: N", then the output, then,
# when there are messages, a line "stderr:" followed by them. Each run gets a settings
# file of its own, created fresh, so runs in parallel and earlier runs cannot change the result.
set(settings "${CMAKE_CURRENT_BINARY_DIR}/report_${MACHINE}.ini")
file(REMOVE ${settings})
execute_process(COMMAND ${ZENTRIMO} --report --machine ${MACHINE} --settings ${settings}
  OUTPUT_VARIABLE actual RESULT_VARIABLE code ERROR_VARIABLE errors)
file(REMOVE ${settings})
file(READ ${GOLDEN} expected)
set(actual "exit: ${code}\n${actual}")
if(NOT errors STREQUAL "")
  string(APPEND actual "stderr:\n${errors}")
endif()
if(NOT actual STREQUAL expected)
  file(WRITE ${GOLDEN}.actual "${actual}")
  message(FATAL_ERROR "report of ${MACHINE} differs from ${GOLDEN}; see ${GOLDEN}.actual\n"
    "stderr: ${errors}")
endif()
