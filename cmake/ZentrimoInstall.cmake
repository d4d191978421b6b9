# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts in place on Linux and what the Debian package holds:
#   bin/zentrimo, libexec/zentrimo/zentrimo-helper (when the helper is built),
#   share/zentrimo/machines (profiles and their data; the executable finds them from bin/),
#   the desktop entry, the icon theme files, the AppStream metadata, the polkit policy,
#   the man page and the systemd unit.
include(GNUInstallDirs)

# Installing (and cpack) builds nothing itself: scripts/package builds the installed targets and
# reuses the test build, instead of building every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(ZM_SCREENSHOT_URL "https://zentrimo.org/screenshots" CACHE STRING
    "Where the README's screenshots are published, for the AppStream metadata")

install(TARGETS zentrimo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zentrimo-helper)
  install(TARGETS zentrimo-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zentrimo)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/machines/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zentrimo/machines
        FILES_MATCHING PATTERN "*.json" PATTERN "*.bin" PATTERN "*.hex" PATTERN "*.txt"
                       PATTERN "*.dat" PATTERN "README.md" PATTERN "SOURCES.md")

install(FILES ${PROJECT_SOURCE_DIR}/data/zentrimo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
include(${PROJECT_SOURCE_DIR}/cmake/ZentrimoReleaseNotes.cmake)
configure_file(${PROJECT_SOURCE_DIR}/data/org.zentrimo.Zentrimo.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/org.zentrimo.Zentrimo.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/org.zentrimo.Zentrimo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The man page and the changelogs are installed compressed, as Debian policy asks (gzip -n: no
# name or time stamp inside, so the package is reproducible). The copyright file names the
# licence of the program and of every data file shipped beside it.
set(ZM_PACKAGE_REVISION 1)
set(ZM_MAINTAINER "Zentrimo developers <dev@zentrimo.example>")
set(zm_doc ${PROJECT_BINARY_DIR}/doc)
zm_write_debian_changelog(${zm_doc}/changelog.Debian ${ZM_PACKAGE_REVISION} "${ZM_MAINTAINER}")
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${zm_doc}/changelog COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/zentrimo.1 ${zm_doc}/zentrimo.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${zm_doc}/copyright COPYONLY)
set(zm_doc_gz "")
foreach(name IN ITEMS changelog.Debian changelog zentrimo.1)
  add_custom_command(OUTPUT ${zm_doc}/${name}.gz
                     COMMAND gzip -9nkf ${zm_doc}/${name}
                     DEPENDS ${zm_doc}/${name}
                     COMMENT "Compressing ${name}")
  list(APPEND zm_doc_gz ${zm_doc}/${name}.gz)
endforeach()
add_custom_target(zentrimo_doc_files ALL DEPENDS ${zm_doc_gz})
install(FILES ${zm_doc}/zentrimo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${zm_doc}/changelog.Debian.gz ${zm_doc}/changelog.gz ${zm_doc}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zentrimo)
install(FILES ${PROJECT_SOURCE_DIR}/docs/screenshot-x58.png
              ${PROJECT_SOURCE_DIR}/docs/screenshot-k10.png
              ${PROJECT_SOURCE_DIR}/docs/screenshot-monitor.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zentrimo/screenshots)
# The boot service: its ExecStart names the executable where this install puts it, which is
# known only at install time (cmake --install --prefix, the package's /usr).
install(CODE "
  set(ZM_INSTALLED_ZENTRIMO \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zentrimo\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/zentrimo-apply@.service.in\"
                 \"${PROJECT_BINARY_DIR}/data/zentrimo-apply@.service\" @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/data/zentrimo-apply@.service
        DESTINATION lib/systemd/system)

# The helper's polkit action names the helper's absolute path, also known only at install time.
if(TARGET zentrimo-helper)
  install(CODE "
    set(ZM_INSTALLED_HELPER
        \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/zentrimo/zentrimo-helper\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/org.zentrimo.helper.policy.in\"
                   \"${PROJECT_BINARY_DIR}/data/org.zentrimo.helper.policy\" @ONLY)")
  install(FILES ${PROJECT_BINARY_DIR}/data/org.zentrimo.helper.policy
          DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
endif()

# The icon: one drawing, rendered at build time into an icon-theme tree.
find_package(Qt6 6.2 REQUIRED COMPONENTS Gui)
add_executable(zentrimo_icons ${PROJECT_SOURCE_DIR}/src/ui/icons/render_icons.cpp
                              ${PROJECT_SOURCE_DIR}/src/ui/main/app_icon.cpp)
target_include_directories(zentrimo_icons PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(zentrimo_icons PRIVATE Qt6::Gui)
set(zm_icon_stamp ${PROJECT_BINARY_DIR}/icons/hicolor/scalable/apps/zentrimo.svg)
add_custom_command(OUTPUT ${zm_icon_stamp}
                   COMMAND zentrimo_icons ${PROJECT_BINARY_DIR}/icons
                   DEPENDS zentrimo_icons
                   COMMENT "Drawing the program's icon")
add_custom_target(zentrimo_icon_files ALL DEPENDS ${zm_icon_stamp})
install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The Debian package (scripts/package): the same files under /usr.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zentrimo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZM_PACKAGE_REVISION})
set(CPACK_PACKAGE_CONTACT "${ZM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Show and change memory timings of Intel LGA 1366/1156 and AMD K10 machines")
# The extended description, under the summary line: CPack indents each line by one space.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zentrimo shows and changes, live, the memory timings of a running PC whose
processor carries the memory controller: Intel LGA 1366 and LGA 1156
(Bloomfield, Lynnfield, Gulftown, Clarkdale) and AMD family 10h with DDR2 or
DDR3. It reads every timing of every channel from the controller's registers,
writes changed timings on Apply and reads them back, and can re-apply a stored
set at log-on or at boot, only on the machine it was taken from.
.
It also decodes the modules' SPD (JEDEC, EPP and XMP profiles), measures the
live clocks, switches Intel power features and the core multiplier, edits AMD
K10 P-states, and monitors load, clocks and temperatures. Simulated machines
let every feature be tried without the hardware; a read-only text or JSON
report serves scripts and bug reports.
.
The window runs as the user; register access goes through a small privileged
helper started with polkit, which accepts only the writes the program makes.")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# The Qt 6 and C++ runtime libraries as dpkg-shlibdeps finds them from the executables, plus
# the window system plugins (libqt6gui6 only recommends them), what runs the helper with
# administrator rights and modprobe for the msr module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, polkitd, pkexec, kmod")
include(CPack)
