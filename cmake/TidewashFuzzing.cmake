# tidewash_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>)
# One libFuzzer executable, built only with -DTIDEWASH_FUZZ=ON. Its seed
# corpus is the folder corpus/<name>/ beside its first source (the fuzz/
# folder), kept in the repository; scripts/fuzz.sh runs every target listed in
# <build>/fuzzers.list ("<name> <seed folder>" a line), and the target
# tidewash_fuzzers builds them all.

# Without -DTIDEWASH_FUZZ=ON both functions do nothing, so that the
# folders declare their fuzz targets unconditionally.
if(NOT TIDEWASH_FUZZ)
  function(tidewash_add_fuzzer)
  endfunction()
  function(tidewash_fuzzer_list)
  endfunction()
  return()
endif()

add_custom_target(tidewash_fuzzers)

function(tidewash_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(tidewash_fuzzers ${name})
  list(GET F_SOURCES 0 first)
  get_filename_component(folder ${first} DIRECTORY)
  set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/corpus/${name})
  if(NOT IS_DIRECTORY ${seeds})
    message(FATAL_ERROR "fuzz target ${name} has no seed corpus ${seeds}")
  endif()
  set_property(GLOBAL APPEND PROPERTY TIDEWASH_FUZZERS "${name} ${seeds}")
endfunction()

function(tidewash_fuzzer_list)
  get_property(list GLOBAL PROPERTY TIDEWASH_FUZZERS)
  list(SORT list)
  list(JOIN list "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzzers.list "${text}\n")
endfunction()
