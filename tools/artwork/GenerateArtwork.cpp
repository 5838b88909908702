// tmx1_artwork: draws the editor's front plate and its overlay pictures at the places and sizes the
// layout text gives and writes them as PNG files. It reads only the text, never the pictures the text
// names (they are what it makes). Every pixel is a pure function of the source and the layout, so
// running it twice gives identical files. At a scale above 1 every picture is drawn afresh for a zoomed
// editor, never enlarged from the pictures at scale 1.
//
//   tmx1_artwork resources/PluginEditorWindow.txt OUTDIR [--scale 1|1.5|2]
#include "tools/artwork/PanelLayout.h"
#include "tools/artwork/Pictures.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    const bool scaled = argc == 5 && std::string_view(argv[3]) == "--scale";
    double scale = 1;
    if (scaled) {
        const std::string_view value = argv[4];
        scale = value == "1" ? 1 : value == "1.5" ? 1.5 : value == "2" ? 2 : 0;
    }
    if ((argc != 3 && !scaled) || scale == 0) {
        std::fprintf(stderr, "usage: tmx1_artwork LAYOUT.txt OUTDIR [--scale 1|1.5|2]\n");
        return 2;
    }
    const std::string layoutPath = argv[1];
    const std::string dir = std::string(argv[2]) + "/";
    try {
        const artwork::PanelLayout layout(readFile(layoutPath));
        for (const artwork::Picture& picture : artwork::makePictures(layout, artwork::PlateDesign{}, scale))
            picture.canvas->save(dir + picture.file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tmx1_artwork: %s: %s\n", layoutPath.c_str(), e.what());
        return 1;
    }
    return 0;
}
