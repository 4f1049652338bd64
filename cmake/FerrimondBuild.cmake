# Build settings and helpers shared by every folder.

if(MSVC)
  add_compile_options(/W4 /utf-8 /permissive-)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
elseif(NOT FERRIMOND_NO_SANITIZERS)
  # The portable logic is built natively with sanitizers; with clang it is
  # also instrumented for coverage-guided fuzzing.
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
    set(FERRIMOND_FUZZING ON)
  endif()
endif()

# GoogleTest from source, built with the same compiler as the code under test.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(FERRIMOND_TESTS ON)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  set(FERRIMOND_TESTS OFF)
  message(STATUS "GoogleTest not found at ${GTEST_SOURCE_DIR}: tests are not built")
endif()

# Environment of every test that runs under Wine.
set(FERRIMOND_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(FERRIMOND_WINE_ENV
  WINEPREFIX=${FERRIMOND_WINEPREFIX}
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=
  LC_ALL=en_US.UTF-8
  FERRIMOND_TEST_TMPFS=${CMAKE_BINARY_DIR}/tmpfs-removable)

# ferrimond_beside_almanix(<target>): Almanix.dll is copied beside the
# program after each build, so that it finds the library without
# registration, as a copy of Ferrimond.exe with Almanix.dll beside it does.
function(ferrimond_beside_almanix target)
  add_dependencies(${target} Almanix)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Almanix> $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()

# ferrimond_test(NAME <name> SOURCES <files...> [LIBS <targets...>]
#                [PORTABLE] [DRIVES] [DESKTOP] [ALMANIX])
# One test program, one ctest entry. PORTABLE tests (no Windows API) are
# built and run once, by the native sanitizer build; the others only by
# Windows builds. DRIVES tests map drive letters, and DESKTOP tests move the
# screen's mouse pointer or rely on which window has the focus, so each kind
# runs one at a time; on Windows itself DRIVES tests are listed as skipped.
# ALMANIX tests (and every test of the main window) get Almanix.dll beside
# them.
function(ferrimond_test)
  cmake_parse_arguments(T "PORTABLE;DRIVES;DESKTOP;ALMANIX" "NAME" "SOURCES;LIBS" ${ARGN})
  if(WIN32 AND T_PORTABLE OR NOT WIN32 AND NOT T_PORTABLE)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_ALMANIX OR "ferrimond_mainwindow" IN_LIST T_LIBS)
    ferrimond_beside_almanix(${T_NAME})
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  if(WIN32)
    target_link_libraries(${T_NAME} PRIVATE test_harness)
  endif()
  if(T_DRIVES AND WIN32 AND NOT CMAKE_CROSSCOMPILING)
    # On Windows itself: the drive letters are mapped through Wine's mount
    # manager, which Windows does not have.
    add_test(NAME ${T_NAME} COMMAND ${CMAKE_COMMAND} -E echo
             "SKIPPED: ${T_NAME} maps drive letters through Wine's mount manager (Wine only)")
    set_tests_properties(${T_NAME} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED: ")
    return()
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(CMAKE_CROSSCOMPILING)
    # 77: the program could not run here (no 32-bit Wine for the x86 build).
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "${FERRIMOND_WINE_ENV}"
      FIXTURES_REQUIRED wine
      SKIP_RETURN_CODE 77
      TIMEOUT 300)
    set(_locks)
    if(T_DRIVES)
      list(APPEND _locks wine_drives)
    endif()
    if(T_DESKTOP)
      list(APPEND _locks wine_desktop)
    endif()
    if(_locks)
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${_locks}")
    endif()
  endif()
endfunction()
