# One INTERFACE target that every library and executable of the project links,
# PRIVATE, so its warnings and definitions never reach another project's code.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

# address,undefined or thread; empty for a plain build.
set(QUORVANE_SANITIZE "" CACHE STRING "Sanitizers to build with (e.g. address,undefined or thread)")

option(QUORVANE_WERROR "Treat compiler warnings as errors (CI turns it on)" OFF)

add_library(quorvane_options INTERFACE)
target_compile_features(quorvane_options INTERFACE cxx_std_20)
# Qt, GoogleTest, Google Benchmark and libxml2 come in as imported targets, so
# their headers are system includes and stay out of these warnings.
target_compile_options(quorvane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual -Wold-style-cast)
if(QUORVANE_WERROR)
  target_compile_options(quorvane_options INTERFACE -Werror)
endif()
target_compile_definitions(quorvane_options INTERFACE
  QT_NO_KEYWORDS)

if(QUORVANE_SANITIZE)
  target_compile_options(quorvane_options INTERFACE
    -fsanitize=${QUORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quorvane_options INTERFACE -fsanitize=${QUORVANE_SANITIZE})
endif()

# Hardening, as dpkg-buildflags gives it to every Debian package (with
# bindnow on): fortified C library calls, stack protector, read-only
# relocations resolved at start-up, position-independent executables.
# _FORTIFY_SOURCE needs the optimiser, so it is set for the optimised
# configurations only; under sanitizers, which check those calls themselves,
# it stays off.
option(QUORVANE_HARDEN "Build with Debian's hardening flags" ON)
if(QUORVANE_HARDEN)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES C CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  target_compile_options(quorvane_options INTERFACE -fstack-protector-strong -Wformat -Werror=format-security)
  if(NOT QUORVANE_SANITIZE)
    target_compile_options(quorvane_options INTERFACE
      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  endif()
  target_link_options(quorvane_options INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
