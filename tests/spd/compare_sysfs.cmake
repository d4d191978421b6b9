# SPDX-License-Identifier: GPL-3.0-or-later
# Runs `zentrimo --spd` (no file) with ZENTRIMO_SYSFS pointing at a fixture tree of the kernel's
# I2C devices and compares exit code, output and messages with EXPECTED, laid out like the
# expectation files of the SPD images. With -DREGENERATE=1 it writes EXPECTED instead.
execute_process(COMMAND ${CMAKE_COMMAND} -E env ZENTRIMO_SYSFS=${ROOT} ${ZENTRIMO} --spd
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
set(actual "exit: ${code}\n${out}")
if(NOT err STREQUAL "")
  string(APPEND actual "stderr:\n${err}")
endif()
if(REGENERATE)
  file(WRITE ${EXPECTED} "${actual}")
  return()
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${EXPECTED}.actual "${actual}")
  message(FATAL_ERROR "`zentrimo --spd` on ${ROOT} differs from ${EXPECTED}, see ${EXPECTED}.actual")
endif()
