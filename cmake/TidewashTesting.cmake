# tidewash_add_test(<name> SOURCES <files...> LIBS <targets...> [PROPERTIES <test properties...>])
# One GoogleTest executable per unit under test, registered with CTest; the
# properties go to each of its tests.
# A cross build compiles GoogleTest from Debian's sources (package
# googletest, pulled in by libgtest-dev) with its own compiler.
if(TIDEWASH_TESTS)
  enable_testing()
  if(CMAKE_CROSSCOMPILING)
    set(TIDEWASH_GTEST_SOURCE /usr/src/googletest)
    if(NOT EXISTS ${TIDEWASH_GTEST_SOURCE}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest's sources are missing: ${TIDEWASH_GTEST_SOURCE} (package googletest)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Its own CMake defines the GTest:: names the tests link.
    add_subdirectory(${TIDEWASH_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Listing a test program's cases means starting it under Wine: done when
    # the tests run, so that building needs no Wine.
    set(TIDEWASH_GTEST_DISCOVERY PRE_TEST)
  else()
    find_package(GTest REQUIRED)
    set(TIDEWASH_GTEST_DISCOVERY POST_BUILD)
  endif()
  include(GoogleTest)
endif()

function(tidewash_add_test name)
  if(NOT TIDEWASH_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "EMULATOR" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  # Test sources follow the platform suffixes of the code they test:
  # <Unit>_posix_test.cpp and <Unit>_win32_test.cpp are built on their
  # platform only.
  if(WIN32)
    list(FILTER T_SOURCES EXCLUDE REGEX "_posix_test\\.cpp$")
  else()
    list(FILTER T_SOURCES EXCLUDE REGEX "_win32_test\\.cpp$")
  endif()
  if(NOT T_SOURCES)
    # A test of the other platform only is not added here: the caller says
    # so with if(WIN32) / if(NOT WIN32), so that none is dropped unseen.
    message(FATAL_ERROR "${name}: every source is for the other platform; add it under if(WIN32) or if(NOT WIN32)")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(T_EMULATOR)
    # Another runner than the build's emulator (a cross build's only).
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${T_EMULATOR})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${TIDEWASH_GTEST_DISCOVERY}
                       PROPERTIES ENVIRONMENT "TIDEWASH_BUILD_OUT=${CMAKE_BINARY_DIR}/out" ${T_PROPERTIES})
endfunction()
