# SPDX-License-Identifier: GPL-3.0-or-later
cmake_policy(SET CMP0057 NEW)
# Decodes every shipped DDR4 image with decode-dimms (i2c-tools) as well as `zentrimo --spd
# --json` and compares the JEDEC facts both give: every minimum time decode-dimms lists (in ns,
# three decimals), the size, and CL-tRCD-tRP-tRAS at the fastest speed and at the slower
# standard speeds.
# Prints "SKIP:" and passes no judgement where decode-dimms is not installed.
find_program(DECODE_DIMMS decode-dimms)
find_program(OD od)
if(NOT DECODE_DIMMS OR NOT OD)
  message("SKIP: decode-dimms (Debian package i2c-tools) is not installed; DDR4 timings not compared")
  return()
endif()

set(failures "")
set(compared 0)
file(GLOB images "${IMAGE_DIR}/*.bin")
foreach(image IN LISTS images)
  file(READ ${image} type OFFSET 2 LIMIT 1 HEX)
  if(NOT type STREQUAL "0c")
    continue()
  endif()
  get_filename_component(name ${image} NAME)
  # decode-dimms reads hex dumps only; od's "offset bytes..." rows are one of its formats.
  execute_process(COMMAND ${OD} -A x -t x1 -v ${image} OUTPUT_FILE ${WORK_DIR}/${name}.hex)
  # -c: decode a module whose CRC does not match too, as zentrimo does.
  execute_process(COMMAND ${DECODE_DIMMS} -c -x ${WORK_DIR}/${name}.hex OUTPUT_VARIABLE theirs
                  RESULT_VARIABLE code)
  execute_process(COMMAND ${ZENTRIMO} --spd ${image} --json OUTPUT_VARIABLE ours)
  string(JSON module GET "${ours}" 0 module)
  set(our_pairs "")

  # Minimum times: "Minimum CAS Latency Time (tAA)   13.500 ns" against "tAAmin": "13.500 ns".
  string(REGEX MATCHALL "\\(t[A-Za-z0-9_]+\\)[ ]+[0-9.]+ ns" times "${theirs}")
  foreach(line IN LISTS times)
    string(REGEX MATCH "\\((t[A-Za-z0-9_]+)\\)[ ]+([0-9.]+ ns)" _ "${line}")
    set(key ${CMAKE_MATCH_1})
    set(value ${CMAKE_MATCH_2})
    if(NOT key MATCHES "(min|max)$")
      string(APPEND key "min")
    endif()
    string(JSON mine ERROR_VARIABLE missing GET "${module}" minimum_times ${key})
    if(missing)
      set(mine "(none)")
    endif()
    if(NOT mine STREQUAL value)
      string(APPEND failures "  ${name}: ${key}: decode-dimms ${value}, zentrimo ${mine}\n")
    endif()
    math(EXPR compared "${compared} + 1")
  endforeach()

  # Size: "Size   8192 MB" against "8192 MBytes".
  string(REGEX MATCH "\nSize[ ]+([0-9]+) MB" _ "${theirs}")
  string(JSON size GET "${module}" fields Size)
  if(NOT size STREQUAL "${CMAKE_MATCH_1} MBytes")
    string(APPEND failures "  ${name}: size: decode-dimms ${CMAKE_MATCH_1} MB, zentrimo ${size}\n")
  endif()

  # CL-tRCD-tRP-tRAS of each of zentrimo's JEDEC columns, by data rate.
  string(JSON columns LENGTH "${module}" columns)
  math(EXPR last "${columns} - 1")
  set(rates "")
  foreach(c RANGE ${last})
    string(JSON header GET "${module}" columns ${c})
    if(NOT header MATCHES "^Jedec")
      continue()
    endif()
    string(JSON rate GET "${module}" timings "MT/s" ${c})
    set(cells "")
    foreach(row CL tRCD tRP tRAS)
      string(JSON cell GET "${module}" timings ${row} ${c})
      list(APPEND cells ${cell})
    endforeach()
    list(JOIN cells "-" timing)
    if(c EQUAL 0)
      string(REGEX MATCH "\nAA-RCD-RP-RAS \\(cycles\\)[ ]+([0-9-]+)" _ "${theirs}")
      if(NOT timing STREQUAL CMAKE_MATCH_1)
        string(APPEND failures
               "  ${name}: fastest: decode-dimms ${CMAKE_MATCH_1}, zentrimo ${timing}\n")
      endif()
    else()
      string(REGEX MATCH "as DDR4-${rate}[ ]+([0-9-]+)" _ "${theirs}")
      if(NOT timing STREQUAL CMAKE_MATCH_1)
        string(APPEND failures
               "  ${name}: DDR4-${rate}: decode-dimms '${CMAKE_MATCH_1}', zentrimo ${timing}\n")
      endif()
    endif()
    math(EXPR compared "${compared} + 1")
  endforeach()
endforeach()

if(compared EQUAL 0)
  message(FATAL_ERROR "no DDR4 image was compared")
endif()
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "DDR4 JEDEC facts that differ from decode-dimms':\n${failures}")
endif()
message("${compared} DDR4 timings equal decode-dimms'")
