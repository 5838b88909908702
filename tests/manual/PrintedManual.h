// The manual PDF as poppler's tools read it: its text, its document information and its pictures.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

class PrintedManual {
  public:
    // Runs pdftotext, pdfinfo and pdfimages on the file; throws std::runtime_error when one fails.
    explicit PrintedManual(const std::string& pdfPath);

    // The text with every run of white space (line and page breaks included) made one space.
    const std::string& text() const { return flowingText; }
    // A field of pdfinfo ("Title", "Author", "Page size"), without its padding; empty when missing.
    std::string info(std::string_view field) const;
    int pictureCount() const { return pictures; }

    // Whether `words` stand in the text as words of their own (not inside a longer word), letter
    // case as given.
    bool contains(std::string_view words) const;
    int occurrences(std::string_view words) const;

  private:
    std::string flowingText;
    std::string information;
    int pictures = 0;
};

// What a shell command prints; throws std::runtime_error when it exits with an error.
std::string commandOutput(const std::string& command);

// A file's whole content; throws std::runtime_error when it cannot be read.
std::string fileText(const std::string& path);

} // namespace testing_support
