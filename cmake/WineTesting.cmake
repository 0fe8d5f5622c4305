# The Windows build's programs run under Wine: tests through CTest's
# emulator, in a prefix kept in the build folder, beside the C++ runtime
# DLLs the programs load (cmake/MingwRuntime.cmake).
find_program(TIDEWASH_WINE wine REQUIRED)
set(TIDEWASH_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
               WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
# The same with drive S: mapped to a temporary folder, for the tests of
# what a drive letter names (a target's CROSSCOMPILING_EMULATOR).
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-drive-run.in ${CMAKE_BINARY_DIR}/wine-drive-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
               WORLD_READ WORLD_EXECUTE)
set(TIDEWASH_WINE_DRIVE_RUN ${CMAKE_BINARY_DIR}/wine-drive-run)


# tidewash_wine_path(<var> <path>): a path of this machine as programs under
# Wine name it (drive Z: is the root of the file system). A Windows program
# given a POSIX path may open it, but takes no folder from it: a DLL loaded
# so would not find the DLLs beside it.
function(tidewash_wine_path var path)
  string(REPLACE "/" "\\" windows "Z:${path}")
  set(${var} "${windows}" PARENT_SCOPE)
endfunction()
