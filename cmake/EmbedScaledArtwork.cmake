# Writes a C++ source holding the pictures tmx1_artwork drew for the zoomed editor, as byte arrays
# and a table naming each by the path the layout gives its picture ("artwork/knob.png") and its zoom.
#
#   cmake -DOUTPUT=file.cpp -DPICTURE_DIRS="150=dir;200=dir" -P EmbedScaledArtwork.cmake
#
# Every PNG file in a folder is embedded, so the generator alone decides which pictures there are.
cmake_minimum_required(VERSION 3.25)

set(arrays "")
set(entries "")
set(index 0)
foreach(pair IN LISTS PICTURE_DIRS)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 percent)
    list(GET pair 1 dir)
    file(GLOB pictures RELATIVE "${dir}" "${dir}/*.png")
    list(SORT pictures)
    if(NOT pictures)
        message(FATAL_ERROR "no pictures in ${dir}")
    endif()
    foreach(picture IN LISTS pictures)
        file(READ "${dir}/${picture}" hex HEX)
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
        # Lines of 32 bytes keep the source readable by editors and diff tools.
        string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
        string(APPEND arrays "alignas(8) const std::uint8_t picture${index}[] = {\n${bytes}};\n")
        string(APPEND entries "    {\"artwork/${picture}\", ${percent}, picture${index}},\n")
        math(EXPR index "${index} + 1")
    endforeach()
endforeach()

set(source "// Made by cmake/EmbedScaledArtwork.cmake from the pictures tmx1_artwork drew at build time.
#include \"resources/ScaledArtwork.h\"

namespace tmx1 {

namespace {

${arrays}
const ScaledArtworkFile files[] = {
${entries}};

} // namespace

std::span<const ScaledArtworkFile> ScaledArtworkFiles() { return files; }

} // namespace tmx1
")
# Rewritten only when it changes, so that an unchanged drawing compiles nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${source}" @ONLY)
