// Stands in for the manual's viewer: opened through the shell, it leaves a mark in its working folder
// (the folder the tests run in) and ends.
#include <fstream>

int main() {
    std::ofstream("manual-opened.txt") << "opened\n";
    return 0;
}
