// Writes the LV2 bundle's Turtle files into a folder: tmx1-lv2-turtle BUNDLE_DIR
#include "generated/ProductVersion.h"
#include "tools/lv2-turtle/Lv2Turtle.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tmx1-lv2-turtle BUNDLE_DIR\n";
        return 2;
    }
    try {
        const std::filesystem::path bundle = argv[1];
        std::filesystem::create_directories(bundle);
        writeFile(bundle / "manifest.ttl", tmx1::lv2::manifestTurtle());
        writeFile(bundle / tmx1::lv2::kPluginFile,
                  tmx1::lv2::pluginTurtle(tmx1::lv2::lv2VersionOf(tmx1::kProductVersion)));
        writeFile(bundle / tmx1::lv2::kPresetsFile, tmx1::lv2::presetsTurtle());
    } catch (const std::exception& error) {
        std::cerr << "tmx1-lv2-turtle: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
