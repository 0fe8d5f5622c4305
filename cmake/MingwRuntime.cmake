# The C++ runtime DLLs of mingw-w64 (g++-mingw-w64-x86-64-posix), which
# every module and program of the Windows build loads: copied beside them
# into the build's output folder, so that the tests under Wine find them.
# TIDEWASH_MINGW_RUNTIME_DLLS: those DLLs, for whatever installs a module
# elsewhere.
set(TIDEWASH_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "The mingw-w64 runtime ${dll} is missing (package g++-mingw-w64-x86-64-posix)")
  endif()
  file(COPY ${path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  list(APPEND TIDEWASH_MINGW_RUNTIME_DLLS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll})
endforeach()
