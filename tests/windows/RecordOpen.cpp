// Stands in for the manual's viewer: opened through the shell, it records the arguments it was started
// with, one a line (none when the shell started it as a program of its own), in a mark in its working
// folder (the folder the tests run in), and ends. The mark is written under another name and then
// renamed, so whoever waits for it never reads half of it.
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    const std::filesystem::path partial = "manual-opened.partial";
    {
        std::ofstream mark(partial, std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            mark << argv[i] << '\n';
    }
    std::error_code failed;
    std::filesystem::rename(partial, "manual-opened.txt", failed);
    return failed ? 1 : 0;
}
