# Script mode: turns the STRINGTABLE entries of RC into C++ data in OUT.
# An entry's text is a string literal or the name of a macro that a header
# the script includes (#include <header.h>) defines as one; the includes are
# carried over, as the resource compiler would read them.
file(STRINGS ${RC} lines)
set(inside FALSE)
set(entries "")
set(includes "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*STRINGTABLE")
    set(inside TRUE)
  elseif(inside AND line MATCHES "^[ \t]*END")
    set(inside FALSE)
  elseif(inside AND line MATCHES "^[ \t]*([0-9]+)[ \t]*,[ \t]*(\".*\"|[A-Za-z_][A-Za-z0-9_]*)[ \t]*$")
    string(APPEND entries "    {${CMAKE_MATCH_1}u, ${CMAKE_MATCH_2}},\n")
  elseif(NOT inside AND line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"].*[>\"])[ \t]*$")
    string(APPEND includes "#include ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${OUT}.tmp
"// Generated from ${RC}; edit the resource script instead.\n"
"${includes}"
"namespace {\n"
"struct StringTableEntry {\n    unsigned id;\n    const char* text;\n};\n"
"const StringTableEntry entries[] = {\n${entries}};\n"
"}  // namespace\n\n"
"extern \"C\" __attribute__((visibility(\"default\"))) const StringTableEntry* TwsStringTable(unsigned* count)\n"
"{\n    *count = sizeof entries / sizeof entries[0];\n    return entries;\n}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
