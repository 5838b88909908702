// tmx1-host: a command-line host for VST 2.x plug-ins, TMX-1 by default.
#include "tools/tmx1-host/InfoCommand.h"
#include "tools/tmx1-host/PluginLibrary.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage = "usage: tmx1-host info [PLUGIN.so]\n"
                           "  info   print a plug-in's identity, parameters and programs\n"
                           "         (default plug-in: " TMX1_DEFAULT_PLUGIN ")\n";

int runInfo(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::cerr << "tmx1-host: info takes at most one plug-in path\n" << kUsage;
        return 2;
    }
    host::printPluginInfo(args.empty() ? std::string(TMX1_DEFAULT_PLUGIN) : args[0], std::cout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    try {
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (args[0] == "info")
            return runInfo(rest);
        std::cerr << "tmx1-host: unknown command '" << args[0] << "'\n" << kUsage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "tmx1-host: " << error.what() << "\n";
        return 1;
    }
}
