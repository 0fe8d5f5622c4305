# tidewash_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per unit under test, registered with CTest.
if(TIDEWASH_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(tidewash_add_test name)
  if(NOT TIDEWASH_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "TIDEWASH_BUILD_OUT=${CMAKE_BINARY_DIR}/out")
endfunction()
