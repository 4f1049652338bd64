# Cross-compiling for 32-bit Windows with mingw-w64 (posix threads): the
# x86 build of Almanix.dll and its tests.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# ctest runs the test programs under 32-bit Wine (in a 64-bit prefix); the
# wrapper reports a skip when 32-bit Wine is not installed.
get_filename_component(_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_root}/scripts/lib/wine32-run.sh)
