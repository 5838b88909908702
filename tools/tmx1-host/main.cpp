// tmx1-host: a command-line host for VST 2.x plug-ins, TMX-1 by default.
#include "generated/ProductVersion.h"
#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/BenchCommand.h"
#include "tools/tmx1-host/DefaultPlugin.h"
#include "tools/tmx1-host/EditorCommand.h"
#include "tools/tmx1-host/InfoCommand.h"
#include "tools/tmx1-host/LiveCommand.h"
#include "tools/tmx1-host/PresetCommand.h"
#include "tools/tmx1-host/RenderCommand.h"
#include "tools/tmx1-host/SnapshotCommand.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: tmx1-host info [PLUGIN.so]\n"
    "       tmx1-host render [--plugin P.so] IN OUT [SETTINGS] [--block N] [--no-latency-comp]\n"
    "                        [--plot OUT.png] [--loudness LUFS [--ceiling DBTP]]\n"
    "       tmx1-host demo [--plugin P.so] [OUTDIR] [SETTINGS] [--block N] [--no-latency-comp]\n"
    "       tmx1-host bench [--plugin P.so] [--vs OTHER.so] [--seconds S]\n"
    "       tmx1-host snapshot [--plugin P.so] [SETTINGS] [--audio FILE [--at SECONDS]]\n"
    "                          [--zoom 100|150|200] OUT.png\n"
    "       tmx1-host editor [--plugin P.so] [SETTINGS] [--seconds S] [--zoom 100|150|200]\n"
    "       tmx1-host live [--plugin P.so] [SETTINGS] [--no-gui] [--zoom 100|150|200] [--seconds S]\n"
    "       tmx1-host preset [--plugin P.so] [SETTINGS] OUT.fxp|OUT.fxb|--limiter\n"
    "  SETTINGS: [--program N|NAME] [--preset FILE.fxp|FILE.fxb] [--param I=V|NAME=V ...],\n"
    "          applied in that order\n"
    "  info    print a plug-in's identity, parameters and programs\n"
    "  render  process an audio file (WAV, AIFF, FLAC, Ogg, ...) through a plug-in, latency compensated;\n"
    "          --plot also draws the input and output levels and the gain over time into a PNG;\n"
    "          --loudness brings TMX-1's output to that integrated loudness under a true-peak ceiling\n"
    "          (--ceiling, -10 to 10 dBTP, default -1; only with --loudness): it turns True Peak,\n"
    "          Brick-Wall and Auto-Gain on, sets Gain to the ceiling and searches for the Threshold by\n"
    "          rendering in memory, then writes OUT once (--param may not set those five then); a\n"
    "          target out of reach is an error that writes nothing\n"
    "  demo    write a built-in drums-and-bass signal to OUTDIR/demo-in.wav (default folder: out) and\n"
    "          render it to OUTDIR/demo-out.wav through \"Warm Tollimation\"\n"
    "  bench   time a plug-in (and another one, alternately) on a music-like signal\n"
    "  snapshot  open the editor on an off-screen display, optionally play FILE through the effect\n"
    "          (up to SECONDS) so the meters move, and save what the panel shows\n"
    "  editor  show the editor in a window on the desktop while a demo signal loops through the effect,\n"
    "          until the window is closed, Ctrl+C, or S seconds have passed\n"
    "  live    run the effect in real time as a JACK client \"TMX-1\" (ports in_L, in_R, out_L, out_R;\n"
    "          under PipeWire through pw-jack) with the editor in a window, or without one (--no-gui),\n"
    "          until the window is closed, Ctrl+C, or S seconds have passed; without SETTINGS it starts\n"
    "          with the settings it was left with last time\n"
    "  preset  write the settings as a preset file DAWs read: OUT.fxp the current program, OUT.fxb\n"
    "          the bank of all the effect's programs with the current one as set; --limiter prints the\n"
    "          settings as the control lines of the desktop limiter's file (tmx1-limiter.conf)\n"
    "  --preset  load a preset file (a program, or a bank of every program) after --program\n"
    "  --param a parameter's index and normalised value (0..1), or for TMX-1 its name and a value as the\n"
    "          panel shows it: Threshold=-6, Release=250 (ms), \"Release Type=Opto\", PDE=On\n"
    "  --zoom  the editor at 100, 150 or 200 % (else as the user last chose, the host or the desktop say)\n"
    "  (default plug-in: the one built beside tmx1-host, else the installed one)\n";

int runInfo(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::cerr << "tmx1-host: info takes at most one plug-in path\n" << kUsage;
        return 2;
    }
    host::printPluginInfo(args.empty() ? host::defaultPluginPath(TMX1_DEFAULT_PLUGIN) : args[0], std::cout);
    return 0;
}

int runCommand(const std::string& command, const std::vector<std::string>& rest) {
    const std::string plugin = host::defaultPluginPath(TMX1_DEFAULT_PLUGIN);
    if (command == "info")
        return runInfo(rest);
    if (command == "render")
        return host::runRender(host::Arguments(rest), plugin, std::cout);
    if (command == "demo")
        return host::runDemo(host::Arguments(rest), plugin, std::cout);
    if (command == "snapshot")
        return host::runSnapshot(host::Arguments(rest), plugin, std::cout);
    if (command == "editor")
        return host::runEditor(host::Arguments(rest), plugin, std::cout);
    if (command == "live")
        return host::runLive(host::Arguments(rest), plugin, std::cout);
    if (command == "preset")
        return host::runPreset(host::Arguments(rest), plugin, std::cout);
    if (command == "bench")
        return host::runBench(host::Arguments(rest), plugin, std::cout);
    throw host::UsageError("unknown command '" + command + "'");
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "tmx1-host " << tmx1::kProductVersion << "\n";
        return 0;
    }
    try {
        return runCommand(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const host::UsageError& error) {
        std::cerr << "tmx1-host: " << error.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "tmx1-host: " << error.what() << "\n";
        return 1;
    }
}
