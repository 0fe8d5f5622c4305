# Header-only libraries are the same for every target, but Debian ships
# them for the build machine only (nlohmann-json3-dev in /usr/include). The
# cross build takes such a library's own folder alone, through a link in a
# folder of the build's that holds nothing else, so that no other header of
# the build machine (glibc's) comes before mingw-w64's.
set(TIDEWASH_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${TIDEWASH_HOST_HEADERS})
find_path(TIDEWASH_NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TIDEWASH_NLOHMANN_JSON_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp is missing (package nlohmann-json3-dev)")
endif()
file(CREATE_LINK ${TIDEWASH_NLOHMANN_JSON_DIR}/nlohmann ${TIDEWASH_HOST_HEADERS}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TIDEWASH_HOST_HEADERS})
