# Writes a C++ source that carries files as byte arrays, so the program needs
# nothing from disk to find them:
#   cmake -DOUTPUT=file.cpp -DFILES="a.bmp;b.png" -P embed_files.cmake
# Each file is found by its base name through FindEmbeddedFile
# (src/ui/app/embedded_files.h).
if(NOT OUTPUT OR NOT FILES)
  message(FATAL_ERROR "embed_files.cmake needs OUTPUT and FILES")
endif()
set(body "// Made by cmake/embed_files.cmake from the files in res/; not edited by hand.\n")
string(APPEND body "#include \"ui/app/embedded_files.h\"\n\n#include <cstring>\n\nnamespace {\n\n")
set(table "")
set(index 0)
foreach(file IN LISTS FILES)
  get_filename_component(name "${file}" NAME)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Lines of 24 bytes keep the source readable by editors and diff tools.
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char kFile${index}[${size}] = {\n${bytes}};\n\n")
  string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "const EmbeddedFile kFiles[] = {\n${table}};\n\n} // namespace\n\n")
string(APPEND body "const EmbeddedFile* FindEmbeddedFile(const char* name) {\n")
string(APPEND body "    for (const EmbeddedFile& file : kFiles)\n")
string(APPEND body "        if (std::strcmp(file.name, name) == 0)\n")
string(APPEND body "            return &file;\n")
string(APPEND body "    return nullptr;\n}\n")
# Only a changed source is rewritten, so an unchanged picture rebuilds nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${body}" @ONLY)
