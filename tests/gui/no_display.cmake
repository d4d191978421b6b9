# SPDX-License-Identifier: GPL-3.0-or-later
# The windows without any display: one line pointing at --report and exit code 2, where the
# windowing toolkit would abort the process with its own message.
#   cmake -DZENTRIMO=path/to/zentrimo -P no_display.cmake
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
execute_process(COMMAND "${ZENTRIMO}" --machine x58-bloomfield --settings /nonexistent/ZM.ini
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT result EQUAL 2 OR NOT err STREQUAL "No display found; use --report to print the machine's summary\n")
  message(FATAL_ERROR "exit code ${result}, stderr:\n${err}")
endif()
