# Cross-compiling for 64-bit Windows with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# ctest and gtest_discover_tests run the test programs under Wine.
set(WINE64_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "wine64 loader")
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64_LOADER})
