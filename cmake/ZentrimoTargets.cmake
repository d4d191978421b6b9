# SPDX-License-Identifier: GPL-3.0-or-later
# zm_core_library(<name> <folder> [RECURSE] [EXCLUDE <regex>...] [DEPS <targets>...])
#
# One static library per subsystem folder. Every .cpp in the folder (and, with RECURSE, in its
# subfolders) belongs to it, so adding a file needs no edit here.
function(zm_core_library name folder)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS;EXCLUDE" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  else()
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  endif()
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ex}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A subsystem with headers only (so far).
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# zm_gtest(<name> <folder> [DEPS <targets>...])
#
# One GoogleTest executable per tests/ subfolder, from every .cpp in it.
function(zm_gtest name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ZM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZM_MACHINES_DIR="${PROJECT_SOURCE_DIR}/machines"
    ZM_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# zm_windows_resources(<target> <description>)
#
# Windows executables: the application manifest (requireAdministrator: WinRing0 loads its kernel
# driver, which needs administrator rights) and a version resource naming the program.
function(zm_windows_resources target description)
  set(ZM_RC_NAME ${target})
  set(ZM_RC_DESCRIPTION "${description}")
  set(ZM_RC_MANIFEST "${PROJECT_SOURCE_DIR}/src/resources/zentrimo.manifest")
  configure_file(${PROJECT_SOURCE_DIR}/src/resources/program.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
