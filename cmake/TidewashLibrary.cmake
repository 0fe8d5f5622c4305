# tidewash_unit_tests(<prefix> LIBS <targets...>)
# Registers one test executable per tests/<Unit>_test.cpp file of the calling
# folder, named <prefix>_<Unit>_test, so that folders shared by several
# people need no edits to this list when a unit is added. A file named
# <Unit>_posix_test.cpp or <Unit>_win32_test.cpp is a test of that platform
# and is left out of the other's build.
function(tidewash_unit_tests prefix)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  if(WIN32)
    list(FILTER tests EXCLUDE REGEX "_posix_test\\.cpp$")
  else()
    list(FILTER tests EXCLUDE REGEX "_win32_test\\.cpp$")
  endif()
  foreach(t ${tests})
    get_filename_component(unit ${t} NAME_WE)
    tidewash_add_test(${prefix}_${unit} SOURCES ${t} LIBS ${T_LIBS})
  endforeach()
endfunction()

# tidewash_check_links(): stops the configure step when a target links a
# plain name that no folder of this project defined. Without the check such
# a name becomes "-l<name>": the build fails late, or links whatever the
# system has under that name. System libraries are named here.
set(TIDEWASH_SYSTEM_LIBS ${CMAKE_DL_LIBS} pthread m rt
    kernel32 user32 gdi32 comctl32 comdlg32 advapi32 shell32 ole32 oleaut32 uuid shlwapi xmllite ntdll)

function(_tidewash_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    _tidewash_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(tidewash_check_links)
  _tidewash_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(problems "")
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${t} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(iface ${t} INTERFACE_LINK_LIBRARIES)
    if(iface)
      list(APPEND links ${iface})
    endif()
    list(REMOVE_DUPLICATES links)
    foreach(item ${links})
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
      if(item MATCHES "::|^\\$<|^-|/" OR TARGET ${item} OR item IN_LIST TIDEWASH_SYSTEM_LIBS)
        continue()
      endif()
      string(APPEND problems "\n  ${t} links ${item}, which no folder of this build defines")
    endforeach()
  endforeach()
  if(problems)
    message(FATAL_ERROR "Missing dependencies:${problems}")
  endif()
endfunction()

# tidewash_install_libraries(): installs every shared library and server
# module of the project into <libdir>/tidewash, where the installed
# programs find them (their run path says so). The test programs' helper
# modules stay behind.
function(tidewash_install_libraries)
  _tidewash_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    get_target_property(dir ${t} SOURCE_DIR)
    if(NOT (type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY") OR dir MATCHES "/tests(/|$)"
       OR t MATCHES "test")
      continue()
    endif()
    install(TARGETS ${t} LIBRARY DESTINATION ${TIDEWASH_INSTALL_LIBDIR})
  endforeach()
endfunction()
