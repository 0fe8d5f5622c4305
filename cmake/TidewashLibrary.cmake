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

# tidewash_install_libraries(INSTALL <targets...> TESTING <targets...>):
# installs the named shared libraries and server modules into
# <libdir>/tidewash, where the installed programs find them (their run
# path says so). Every shared library and module of the build must be
# named in one of the two lists, the libraries a user's installation
# holds or those only tests load: a new one stops the configure step
# until it is placed, rather than being left out of the package unseen.
# Names a platform's build does not have are passed over.
function(tidewash_install_libraries)
  cmake_parse_arguments(L "" "" "INSTALL;TESTING" ${ARGN})
  _tidewash_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(unplaced "")
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(NOT (type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY"))
      continue()
    endif()
    if(t IN_LIST L_INSTALL)
      install(TARGETS ${t} LIBRARY DESTINATION ${TIDEWASH_INSTALL_LIBDIR})
      # Every installed library names the C library it runs on, also one
      # that calls only Qt or holds only data, which the linker would
      # otherwise leave without it: Debian's package checks require it.
      if(NOT WIN32)
        target_link_libraries(${t} PRIVATE "-Wl,--push-state,--no-as-needed,-lc,--pop-state")
      endif()
    elseif(NOT t IN_LIST L_TESTING)
      string(APPEND unplaced " ${t}")
    endif()
  endforeach()
  if(unplaced)
    message(FATAL_ERROR "Name these libraries in tidewash_install_libraries (CMakeLists.txt), "
                        "as installed or as the tests' own:${unplaced}")
  endif()
endfunction()
