# cmake -DTEMPLATE=<Tidewash.wxs.in> -DOUTPUT=<.wxs> -DTIDEWASH_VERSION=<x.y.z>
#       -DOUT=<folder of the modules> -DDEPENDENCIES=<dll>,<dll>,... -P MakeWxs.cmake
# in the folder wixl runs in: wixl takes sources relative to it, and OUT is.
# Writes the installer's source: the template with one component for each
# DLL the modules load (their own libraries and the compiler's runtime),
# which only the build knows (TARGET_RUNTIME_DLLS), and wixl has no loop.
foreach(var TEMPLATE OUTPUT TIDEWASH_VERSION OUT DEPENDENCIES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeWxs.cmake: ${var} is not given")
  endif()
endforeach()
string(REPLACE "," ";" dlls "${DEPENDENCIES}")
list(REMOVE_DUPLICATES dlls)
list(SORT dlls)
set(DEPENDENCY_COMPONENTS "")
set(DEPENDENCY_REFS "")
foreach(dll ${dlls})
  get_filename_component(name "${dll}" NAME)
  # An installer identifier: letters, digits, "_" and ".".
  string(MAKE_C_IDENTIFIER "${name}" id)
  file(RELATIVE_PATH source "${CMAKE_CURRENT_BINARY_DIR}" "${dll}")
  string(APPEND DEPENDENCY_COMPONENTS
    "          <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
    "            <File Id=\"${id}\" Name=\"${name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
    "          </Component>\n")
  string(APPEND DEPENDENCY_REFS "      <ComponentRef Id=\"${id}\"/>\n")
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
