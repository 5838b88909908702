#include "tests/manual/PrintedManual.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string collapsedSpace(const std::string& text) {
    std::string result;
    bool inSpace = false;
    for (const char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (space && !inSpace)
            result += ' ';
        else if (!space)
            result += c;
        inSpace = space;
    }
    return result;
}

bool isWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Rows of `pdfimages -list` after its two heading lines.
int listedPictures(const std::string& listing) {
    std::istringstream lines(listing);
    std::string line;
    int rows = 0;
    while (std::getline(lines, line))
        if (!line.empty())
            ++rows;
    return rows > 2 ? rows - 2 : 0;
}

} // namespace

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string commandOutput(const std::string& command) {
    const auto output = std::filesystem::temp_directory_path() /
                        ("tmx1-manual-test-" + std::to_string(std::random_device{}()) + ".txt");
    const int status = std::system((command + " > " + quoted(output.string())).c_str());
    std::string text = std::filesystem::exists(output) ? fileText(output.string()) : std::string();
    std::filesystem::remove(output);
    if (status != 0)
        throw std::runtime_error("failed: " + command);
    return text;
}

PrintedManual::PrintedManual(const std::string& pdfPath)
    : flowingText(collapsedSpace(commandOutput("pdftotext -enc UTF-8 " + quoted(pdfPath) + " -"))),
      information(commandOutput("pdfinfo " + quoted(pdfPath))),
      pictures(listedPictures(commandOutput("pdfimages -list " + quoted(pdfPath)))) {}

std::string PrintedManual::info(std::string_view field) const {
    std::istringstream lines(information);
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(lines, line))
        if (line.starts_with(prefix)) {
            const auto start = line.find_first_not_of(' ', prefix.size());
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    return {};
}

int PrintedManual::occurrences(std::string_view words) const {
    int count = 0;
    for (auto at = flowingText.find(words); at != std::string::npos; at = flowingText.find(words, at + 1)) {
        const auto end = at + words.size();
        const bool startsWord =
            at == 0 || !isWordCharacter(flowingText[at - 1]) || !isWordCharacter(words.front());
        const bool endsWord =
            end == flowingText.size() || !isWordCharacter(flowingText[end]) || !isWordCharacter(words.back());
        if (startsWord && endsWord)
            ++count;
    }
    return count;
}

bool PrintedManual::contains(std::string_view words) const { return occurrences(words) > 0; }

} // namespace testing_support
