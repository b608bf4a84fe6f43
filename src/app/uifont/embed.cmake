# Writes the bytes of INPUT into OUTPUT as the C++ array lyrovo::kUiHanFont.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.part" "// Made by the build from ${INPUT}.\n#include <cstddef>\n\nnamespace lyrovo {\n\n"
  "extern const unsigned char kUiHanFont[] = {\n${bytes}};\nextern const std::size_t kUiHanFontSize = ${size};\n\n}  // namespace lyrovo\n")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
