# What `cmake --install` lays out under the prefix, and the Debian package
# CPack makes of it (cpack -G DEB, or scripts/package). Only the two programs
# and their desktop files are installed: tests, benchmarks and build tools
# have no install rules.
include(GNUInstallDirs)

set(QUORVANE_DATA_BUILD_DIR "${PROJECT_BINARY_DIR}/data")
set(QUORVANE_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/quorvane")

# The manual pages, the desktop entry and its metadata carry the version and
# the application id, so they are filled in here.
foreach(page quorvane quorvane-cli)
  configure_file("${PROJECT_SOURCE_DIR}/data/man/${page}.1.in" "${QUORVANE_DATA_BUILD_DIR}/${page}.1" @ONLY)
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/data/debian/changelog" "${QUORVANE_DATA_BUILD_DIR}/changelog" COPYONLY)

# The package's changelog names the version it describes first.
file(STRINGS "${PROJECT_SOURCE_DIR}/data/debian/changelog" changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^quorvane \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "data/debian/changelog begins with \"${changelog_head}\", not version ${PROJECT_VERSION}")
endif()

# Manual pages and the changelog are installed compressed, as Debian wants
# them: gzip -9 without the file's name and time, so every build gives the
# same bytes.
find_program(QUORVANE_GZIP gzip REQUIRED)
set(compressed_docs)
foreach(doc quorvane.1 quorvane-cli.1 changelog)
  set(doc_file "${QUORVANE_DATA_BUILD_DIR}/${doc}")
  add_custom_command(OUTPUT "${doc_file}.gz"
    COMMAND "${QUORVANE_GZIP}" -9 -n -k -f "${doc_file}"
    DEPENDS "${doc_file}"
    COMMENT "Compressing ${doc}"
    VERBATIM)
  list(APPEND compressed_docs "${doc_file}.gz")
endforeach()
add_custom_target(quorvane_compressed_docs ALL DEPENDS ${compressed_docs})
configure_file("${PROJECT_SOURCE_DIR}/data/desktop/quorvane.desktop.in"
               "${QUORVANE_DATA_BUILD_DIR}/${QUORVANE_APP_ID}.desktop" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/data/desktop/quorvane.metainfo.xml.in"
               "${QUORVANE_DATA_BUILD_DIR}/${QUORVANE_APP_ID}.metainfo.xml" @ONLY)

if(TARGET quorvane-cli)
  install(TARGETS quorvane-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${QUORVANE_DATA_BUILD_DIR}/quorvane-cli.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()

if(TARGET quorvane)
  install(TARGETS quorvane RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${QUORVANE_DATA_BUILD_DIR}/quorvane.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${QUORVANE_DATA_BUILD_DIR}/${QUORVANE_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${QUORVANE_DATA_BUILD_DIR}/${QUORVANE_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  install(FILES "${PROJECT_SOURCE_DIR}/data/desktop/quorvane.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps" RENAME "${QUORVANE_APP_ID}.svg")
  # The PNG sizes rendered by the quorvane_icons build step.
  get_target_property(icon_dir quorvane_icons QUORVANE_ICON_DIR)
  install(DIRECTORY "${icon_dir}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")
endif()

# A stripped install (CPACK_STRIP_FILES, cmake --install --strip) runs plain
# `strip` on the programs, which drops symbols and debugging sections but keeps
# .comment, the compilers' version strings that every object and the C
# runtime's start files add (and an old-style .note where there is one). Debian
# packages drop both, as dh_strip does; lintian reports them as unneeded.
foreach(program quorvane-cli quorvane)
  if(TARGET ${program})
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()")
  endif()
endforeach()

install(FILES "${PROJECT_SOURCE_DIR}/data/debian/copyright" "${QUORVANE_DATA_BUILD_DIR}/changelog.gz"
        DESTINATION "${QUORVANE_DOC_DIR}")

# The Debian package. Its dependencies are read off the installed programs;
# the window program also needs a windowing-system plugin, which Qt's GUI
# library only recommends.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compatibility list viewer for the Velthorn emulator")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quorvane looks up how well game disc images (GCMs) run in the Velthorn\n"
  "emulator. It searches the community's compatibility list, shows it sorted\n"
  "with counts of bootable and not-bootable entries, keeps a Custom List of\n"
  "the user's own records, exports the list as an HTML page and checks an FTP\n"
  "server (over IPv4 or IPv6) for a newer list. It also scans a folder of\n"
  "the user's own disc images and tells which of them boot.\n"
  "quorvane-cli runs the same commands, the scan and the update included,\n"
  "without a window.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvane developers <devel@quorvane.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# OpenSSL is loaded at run time by the first TLS connection, so dpkg-shlibdeps
# does not see it in the programs: it is named here (every function used is in
# 3.0.0), as is the trust store that ftpes:// checks certificates against, which
# OpenSSL only suggests.
set(quorvane_package_depends "libssl3 (>= 3.0.0)" ca-certificates)
if(TARGET quorvane)
  list(PREPEND quorvane_package_depends qt6-qpa-plugins)
endif()
list(JOIN quorvane_package_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
