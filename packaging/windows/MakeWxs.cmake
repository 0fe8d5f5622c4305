# cmake -DTEMPLATE=<Tidewash.wxs.in> -DOUTPUT=<.wxs> -DTIDEWASH_VERSION=<x.y.z>
#       -DSTAGE=<folder> -DSTRIP=<strip program>
#       -DMODULES=<dll>,... -DDEPENDENCIES=<dll>,... -P MakeWxs.cmake
# run in the folder wixl runs in (wixl takes sources relative to it).
#
# Lays out what the installer holds in STAGE, relative to that folder: the
# modules (named in the template) and the DLLs they load (their own
# libraries and the compiler's runtime), each without its debugging
# information, as a package ships it. Then writes the installer's source:
# the template with STAGE as @STAGE@ and one component for each of those
# DLLs, which only the build knows (TARGET_RUNTIME_DLLS); wixl has no
# loop to make them itself.
foreach(var TEMPLATE OUTPUT TIDEWASH_VERSION STAGE STRIP MODULES DEPENDENCIES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeWxs.cmake: ${var} is not given")
  endif()
endforeach()
string(REPLACE "," ";" modules "${MODULES}")
string(REPLACE "," ";" dlls "${DEPENDENCIES}")
list(REMOVE_DUPLICATES dlls)
list(SORT dlls)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
foreach(file ${modules} ${dlls})
  get_filename_component(name "${file}" NAME)
  execute_process(COMMAND "${STRIP}" --strip-debug -o "${STAGE}/${name}" "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "MakeWxs.cmake: ${STRIP} could not copy ${file}")
  endif()
endforeach()
set(DEPENDENCY_COMPONENTS "")
set(DEPENDENCY_REFS "")
foreach(dll ${dlls})
  get_filename_component(name "${dll}" NAME)
  # An installer identifier: letters, digits, "_" and ".".
  string(MAKE_C_IDENTIFIER "${name}" id)
  string(APPEND DEPENDENCY_COMPONENTS
    "          <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
    "            <File Id=\"${id}\" Name=\"${name}\" Source=\"${STAGE}/${name}\" KeyPath=\"yes\"/>\n"
    "          </Component>\n")
  string(APPEND DEPENDENCY_REFS "      <ComponentRef Id=\"${id}\"/>\n")
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
