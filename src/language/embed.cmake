# Writes a C++ source that holds the bytes of a compiled catalogue (msgfmt's output), so that the
# program carries its translations inside it.
#
#   cmake -DCATALOGUE=<ja.mo> -DSYMBOL=<name> -DOUTPUT=<file.cpp> -P embed.cmake
file(READ "${CATALOGUE}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
     "// Made by src/language/embed.cmake from ${CATALOGUE}. Do not edit.\n"
     "#include <cstddef>\n\n"
     "extern const unsigned char ${SYMBOL}[];\n"
     "extern const std::size_t ${SYMBOL}Size;\n"
     "const unsigned char ${SYMBOL}[] = {\n${bytes}0};\n"
     "const std::size_t ${SYMBOL}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
