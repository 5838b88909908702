// formc: compiles the readable text form of a component stream into the binary "TPF0" form, and
// decompiles a binary stream back to text.
//
//   formc compile FORM.txt FORM.bin     file names in image(..) and bitmap(..) are relative to FORM.txt
//   formc decompile FORM.bin FORM.txt
#include "toolkit/FormStream.h"
#include "toolkit/FormText.h"
#include "tools/formc/FormFiles.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const void* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

int usage() {
    std::cerr << "usage: formc compile FORM.txt FORM.bin\n       formc decompile FORM.bin FORM.txt\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4)
        return usage();
    const std::string command = argv[1];
    const std::string input = argv[2];
    const std::string output = argv[3];
    try {
        if (command == "compile") {
            const std::string text = readFile(input);
            const auto folder = std::filesystem::path(input).parent_path();
            const std::vector<std::uint8_t> stream =
                toolkit::CompileFormText(text, formc::MakeFileLoader(folder));
            writeFile(output, stream.data(), stream.size());
        } else if (command == "decompile") {
            const std::string bytes = readFile(input);
            const std::string text =
                toolkit::DecompileForm({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
            writeFile(output, text.data(), text.size());
        } else {
            return usage();
        }
    } catch (const std::exception& error) {
        std::cerr << "formc: " << input << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
