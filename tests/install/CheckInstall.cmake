# cmake -DBUILD_DIR=... -DDESTDIR=... -DAPP_ID=... -DVERSION=... -DWITH_WINDOWS=0|1 -P CheckInstall.cmake
# Installs the build under /usr into a scratch DESTDIR, then checks that exactly
# the expected files arrived (no test, benchmark or build tool), that the PNG
# icons have their sizes, and that the installed programs answer --version.
file(REMOVE_RECURSE "${DESTDIR}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${DESTDIR}" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(expected
  usr/bin/quorvane-cli
  usr/share/doc/quorvane/changelog.gz
  usr/share/doc/quorvane/copyright
  usr/share/man/man1/quorvane-cli.1.gz)
set(icon_sizes 16 32 48 64 128 256)
if(WITH_WINDOWS)
  list(APPEND expected
    usr/bin/quorvane
    usr/share/applications/${APP_ID}.desktop
    usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
    usr/share/man/man1/quorvane.1.gz
    usr/share/metainfo/${APP_ID}.metainfo.xml)
  foreach(size IN LISTS icon_sizes)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
  endforeach()
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${DESTDIR}" "${DESTDIR}/*")
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed_lines "${installed}")
  string(REPLACE ";" "\n  " expected_lines "${expected}")
  message(FATAL_ERROR "installed:\n  ${installed_lines}\nexpected:\n  ${expected_lines}")
endif()

if(WITH_WINDOWS)
  foreach(size IN LISTS icon_sizes)
    # A PNG's width and height are the two big-endian words after its IHDR tag.
    file(READ "${DESTDIR}/usr/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png" header HEX OFFSET 12 LIMIT 12)
    math(EXPR side "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "" side "${side}")
    string(LENGTH "${side}" length)
    math(EXPR padding "8 - ${length}")
    string(REPEAT "0" ${padding} zeros)
    set(want "49484452${zeros}${side}${zeros}${side}")
    if(NOT header STREQUAL want)
      message(FATAL_ERROR "${size}x${size} icon: IHDR ${header}, expected ${want}")
    endif()
  endforeach()
endif()

# The manual pages and the changelog as Debian wants them: gzip at -9 (XFL 2)
# without a stored name or time (FLG 0, MTIME 0), holding the built text.
set(compressed usr/share/doc/quorvane/changelog.gz usr/share/man/man1/quorvane-cli.1.gz)
if(WITH_WINDOWS)
  list(APPEND compressed usr/share/man/man1/quorvane.1.gz)
endif()
foreach(file IN LISTS compressed)
  file(READ "${DESTDIR}/${file}" header HEX LIMIT 10)
  if(NOT header STREQUAL "1f8b0800000000000203")
    message(FATAL_ERROR "${file}: gzip header ${header}, expected 1f8b0800000000000203 (gzip -9n)")
  endif()
  get_filename_component(plain "${file}" NAME)
  string(REGEX REPLACE "\\.gz$" "" plain "${plain}")
  execute_process(COMMAND gzip -dc "${DESTDIR}/${file}" OUTPUT_VARIABLE text RESULT_VARIABLE result)
  file(READ "${BUILD_DIR}/data/${plain}" built)
  if(NOT result EQUAL 0 OR NOT text STREQUAL built)
    message(FATAL_ERROR "${file} does not unpack to ${BUILD_DIR}/data/${plain}")
  endif()
endforeach()

set(programs quorvane-cli)
if(WITH_WINDOWS)
  list(APPEND programs quorvane)
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND "${DESTDIR}/usr/bin/${program}" --version
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "${program} --version: exit ${result}, \"${output}\" ${errors}")
  endif()
endforeach()
