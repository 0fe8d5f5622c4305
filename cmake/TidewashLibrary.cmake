# tidewash_unit_tests(<prefix> LIBS <targets...>)
# Registers one test executable per tests/<Unit>_test.cpp file of the calling
# folder, named <prefix>_<Unit>_test, so that folders shared by several
# people need no edits to this list when a unit is added.
function(tidewash_unit_tests prefix)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  foreach(t ${tests})
    get_filename_component(unit ${t} NAME_WE)
    tidewash_add_test(${prefix}_${unit} SOURCES ${t} LIBS ${T_LIBS})
  endforeach()
endfunction()
