# tidewash_resources(<target> <file.rc> IMAGES <folder> [DEPENDS <files or targets...>])
# Gives the target the named BITMAP and ICON resources of a resource script
# ("NAME BITMAP "file.png"" lines, the files in IMAGES). Windows builds
# compile the script itself; on POSIX the images become data of the module
# that FindResourceA finds through the exported function TwsFindResource.
# DEPENDS names what makes the images when they are built, not committed.
function(tidewash_resources target rcfile)
  cmake_parse_arguments(R "" "IMAGES" "DEPENDS" ${ARGN})
  if(WIN32)
    target_sources(${target} PRIVATE ${rcfile})
    set_property(SOURCE ${rcfile} APPEND PROPERTY OBJECT_DEPENDS ${R_DEPENDS})
    target_include_directories(${target} PRIVATE ${R_IMAGES})
    return()
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DRC=${rcfile} -DIMAGES=${R_IMAGES} -DOUT=${out} -P ${TIDEWASH_RESOURCES_SCRIPT}
    DEPENDS ${rcfile} ${TIDEWASH_RESOURCES_SCRIPT} ${R_DEPENDS}
    COMMENT "Resources of ${target}")
  target_sources(${target} PRIVATE ${out})
endfunction()
