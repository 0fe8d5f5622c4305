# tidewash_string_table(<target> <file.rc>)
# Gives the target the STRINGTABLE of a resource script. Windows builds
# compile the script itself; on POSIX its entries ("id, "text"" or
# "id, MACRO" lines inside STRINGTABLE ... BEGIN ... END, a macro coming from
# a header the script #includes) become data that LoadStringA finds through
# the exported function TwsStringTable.
function(tidewash_string_table target rcfile)
  if(WIN32)
    target_sources(${target} PRIVATE ${rcfile})
    return()
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_stringtable.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DRC=${rcfile} -DOUT=${out} -P ${TIDEWASH_STRINGTABLE_SCRIPT}
    DEPENDS ${rcfile} ${TIDEWASH_STRINGTABLE_SCRIPT}
    COMMENT "String table of ${target}")
  target_sources(${target} PRIVATE ${out})
endfunction()
