# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows folder a user unpacks and runs, and its zip (cpack -G ZIP in the MinGW build
# folder): zentrimo.exe, the Qt and MinGW runtime DLLs it loads, the Qt plugins it needs
# (the Windows platform, the native style), the simulated machines, the licences and a short
# README on WinRing0. Nothing else has to be built or installed on the Windows side.

install(TARGETS zentrimo RUNTIME DESTINATION .)

# Qt's imported targets belong to the folder that found them (src/).
find_package(Qt6 REQUIRED COMPONENTS Widgets)

# Qt's DLLs and plugins, from the kit scripts/qt-mingw built. A plugin goes into the folder Qt
# looks for it in beside the executable (platforms\, styles\).
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

# The MinGW-w64 runtime Qt and the program are linked against (posix threads).
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(path "${path}" REALPATH)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found (the compiler names ${path})")
  endif()
  install(FILES "${path}" DESTINATION .)
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/machines/ DESTINATION machines)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# The licences of what the zip carries besides the program: the notice names each part, the
# texts and the Debian copyright files (which hold the upstream terms) go beside it.
configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/README.txt.in
               ${CMAKE_BINARY_DIR}/windows/README.txt @ONLY NEWLINE_STYLE CRLF)
# The Debian source package the kit was built from (scripts/qt-mingw keeps its .dsc beside it).
get_filename_component(zm_qt_prefix "${Qt6_DIR}/../../.." REALPATH)
file(GLOB zm_qt_dsc "${zm_qt_prefix}/../qt6-base_*.dsc")
if(NOT zm_qt_dsc)
  message(FATAL_ERROR "No qt6-base .dsc beside the Qt kit ${zm_qt_prefix}: build it with scripts/qt-mingw")
endif()
list(GET zm_qt_dsc 0 zm_qt_dsc)
string(REGEX REPLACE ".*/qt6-base_(.*)\\.dsc$" "\\1" ZM_QT_SOURCE_VERSION "${zm_qt_dsc}")
string(REPLACE "+" "%2B" ZM_QT_SOURCE_VERSION_URL "${ZM_QT_SOURCE_VERSION}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/THIRD-PARTY-NOTICES.txt.in
               ${CMAKE_BINARY_DIR}/windows/THIRD-PARTY-NOTICES.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/windows/README.txt
              ${CMAKE_BINARY_DIR}/windows/THIRD-PARTY-NOTICES.txt DESTINATION .)
set(zm_licences
  /usr/share/common-licenses/LGPL-3 LGPL-3.0.txt
  ${zm_qt_prefix}/share/licenses/qt6-base.debian-copyright qt6-base.copyright.txt
  /usr/share/doc/gcc-mingw-w64-base/copyright gcc-mingw-w64.copyright.txt
  /usr/share/doc/mingw-w64-common/copyright mingw-w64.copyright.txt)
while(zm_licences)
  list(POP_FRONT zm_licences file name)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "licence text ${file} not found")
  endif()
  install(FILES "${file}" DESTINATION licenses RENAME "${name}")
endwhile()

# Debian's MinGW runtime DLLs and the Qt kit carry their symbol tables; the zip needs none.
if(CMAKE_STRIP)
  install(CODE "
    file(GLOB_RECURSE dlls \"\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll IN LISTS dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\")
    endforeach()")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zentrimo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zentrimo-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
