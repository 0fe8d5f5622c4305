# Script mode: turns the BITMAP and ICON lines of RC into C++ data in OUT,
# with the image files read from the folder IMAGES.
file(STRINGS ${RC} lines)
set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]+(BITMAP|ICON)[ \t]+\"([^\"]+)\"[ \t]*$")
    set(name ${CMAKE_MATCH_1})
    if(CMAKE_MATCH_2 STREQUAL "BITMAP")
      set(type 2)    # RT_BITMAP
    else()
      set(type 14)   # RT_GROUP_ICON
    endif()
    set(file ${IMAGES}/${CMAKE_MATCH_3})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${RC}: ${name} names ${file}, which does not exist")
    endif()
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char data${index}[] = {${bytes}};\n")
    string(APPEND entries "    {\"${name}\", ${type}u, data${index}, sizeof data${index}},\n")
    math(EXPR index "${index} + 1")
  endif()
endforeach()
if(index EQUAL 0)
  message(FATAL_ERROR "${RC} names no BITMAP or ICON resource")
endif()
file(WRITE ${OUT}.tmp
"// Generated from ${RC}; edit the resource script instead.\n"
"#include <cstring>\n\n"
"namespace {\n"
"struct TwsResource {\n    const char* name;\n    unsigned type;\n    const unsigned char* bytes;\n    unsigned long size;\n};\n"
"${arrays}"
"const TwsResource entries[] = {\n${entries}};\n"
"}  // namespace\n\n"
"// Resources in the order the script lists them; the n-th icon is icon index n.\n"
"extern \"C\" __attribute__((visibility(\"default\"))) const TwsResource* TwsFindResource(const char* name, unsigned type)\n"
"{\n"
"    for (const TwsResource& r : entries)\n"
"        if (r.type == type && std::strcmp(r.name, name) == 0)\n"
"            return &r;\n"
"    return nullptr;\n"
"}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
