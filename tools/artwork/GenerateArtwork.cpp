// tmx1_artwork: draws the editor's front plate and its overlay pictures at the places and sizes the
// layout text gives and writes them as PNG files. It reads only the text, never the pictures the text
// names (they are what it makes). Every pixel is a pure function of the source and the layout, so
// running it twice gives identical files.
//
//   tmx1_artwork resources/PluginEditorWindow.txt OUTDIR
#include "tools/artwork/PanelLayout.h"
#include "tools/artwork/Pictures.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tmx1_artwork LAYOUT.txt OUTDIR\n");
        return 2;
    }
    const std::string layoutPath = argv[1];
    const std::string dir = std::string(argv[2]) + "/";
    try {
        const artwork::PanelLayout layout(readFile(layoutPath));
        for (const artwork::Picture& picture : artwork::makePictures(layout, artwork::PlateDesign{}))
            picture.canvas->save(dir + picture.file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tmx1_artwork: %s: %s\n", layoutPath.c_str(), e.what());
        return 1;
    }
    return 0;
}
