# Writes OUT: for each file of FILES (a ;-list) and name of NAMES, a C++
# array "static const unsigned char NAME[] = {...};" of the file's bytes.
#   cmake -DOUT=... -DFILES=a;b -DNAMES=kA;kB -P embed_files.cmake
set(text "// Made by embed_files.cmake from the files in samples/.\n")
list(LENGTH FILES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET FILES ${i} file)
  list(GET NAMES ${i} name)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND text "static const unsigned char ${name}[] = {\n${bytes}\n};\n")
endforeach()
file(WRITE ${OUT} "${text}")
