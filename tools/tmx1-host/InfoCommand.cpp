#include "tools/tmx1-host/InfoCommand.h"

#include "plugin/VendorRequests.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/Host.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iomanip>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace host {

namespace {

std::string fourCharText(vst::Int32 code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>((static_cast<std::uint32_t>(code) >> shift) & 0xFF);
        text += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return text;
}

std::string categoryName(vst::IntPtr category) {
    static const std::array<const char*, 12> names{"Unknown",     "Effect",         "Synth",  "Analysis",
                                                   "Mastering",   "Spacializer",    "RoomFx", "SurroundFx",
                                                   "Restoration", "OfflineProcess", "Shell",  "Generator"};
    return category >= 0 && category < static_cast<vst::IntPtr>(names.size())
               ? names[static_cast<std::size_t>(category)]
               : "Other";
}

std::string flagNames(vst::Int32 flags) {
    static const std::array<std::pair<vst::Int32, const char*>, 10> names{{
        {vst::effFlagsHasEditor, "HasEditor"},
        {vst::effFlagsHasClip, "HasClip"},
        {vst::effFlagsHasVu, "HasVu"},
        {vst::effFlagsCanMono, "CanMono"},
        {vst::effFlagsCanReplacing, "CanReplacing"},
        {vst::effFlagsProgramChunks, "ProgramChunks"},
        {vst::effFlagsIsSynth, "IsSynth"},
        {vst::effFlagsNoSoundInStop, "NoSoundInStop"},
        {vst::effFlagsExtIsAsync, "ExtIsAsync"},
        {vst::effFlagsExtHasBuffer, "ExtHasBuffer"},
    }};
    std::string text;
    vst::Int32 known = 0;
    for (const auto& [bit, name] : names) {
        known |= bit;
        if ((flags & bit) != 0)
            text += (text.empty() ? "" : " ") + std::string(name);
    }
    if ((flags & ~known) != 0)
        text += (text.empty() ? "" : " ") + std::string("(others)");
    std::ostringstream hex;
    hex << (text.empty() ? "none" : text) << " (0x" << std::hex << flags << ")";
    return hex.str();
}

struct ParameterRow {
    int index;
    std::string name;
    float value;
    std::string display;
    std::string label;
};

std::vector<ParameterRow> readParameters(HostedEffect& effect) {
    std::vector<ParameterRow> rows;
    for (int i = 0; i < effect.record().numParams; ++i)
        rows.push_back({i, effect.text(vst::effGetParamName, i), effect.getParameter(i),
                        effect.text(vst::effGetParamDisplay, i), effect.text(vst::effGetParamLabel, i)});
    return rows;
}

// The last column, or the display and the label when any parameter has a label; no line ends in spaces.
void printDisplayAndLabel(const std::string& display, const std::string& label, bool withLabels,
                          std::size_t displayWidth, std::ostream& out) {
    if (withLabels)
        out << std::left << std::setw(static_cast<int>(displayWidth)) << display << "  " << label << std::right;
    else
        out << display;
    out << "\n";
}

void printParameters(std::vector<ParameterRow> rows, std::ostream& out) {
    std::size_t nameWidth = 4, displayWidth = 7;
    bool withLabels = false;
    for (const auto& row : rows) {
        nameWidth = std::max(nameWidth, row.name.size());
        displayWidth = std::max(displayWidth, row.display.size());
        withLabels = withLabels || !row.label.empty();
    }
    out << "\nParameters\n";
    out << "  " << std::setw(3) << "#"
        << "  " << std::left << std::setw(static_cast<int>(nameWidth)) << "Name"
        << "  " << std::right << std::setw(6) << "Value"
        << "  ";
    printDisplayAndLabel("Display", "Label", withLabels, displayWidth, out);
    for (const auto& row : rows) {
        out << "  " << std::setw(3) << row.index << "  " << std::left << std::setw(static_cast<int>(nameWidth))
            << row.name << "  " << std::right << std::fixed << std::setprecision(4) << std::setw(6) << row.value
            << "  ";
        printDisplayAndLabel(row.display, row.label, withLabels, displayWidth, out);
    }
}

// The version text a plug-in of ours gives on request; other plug-ins answer nothing.
std::optional<std::string> productVersion(HostedEffect& effect) {
    std::array<char, tmx1::kVersionTextSize + 1> text{};
    if (effect.dispatch(vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kProductVersionRequest, text.data()) != 1)
        return std::nullopt;
    return std::string(text.data());
}

} // namespace

void printPluginInfo(const std::string& path, std::ostream& out) {
    Host host;
    const auto opened = openEffect(host, path);
    HostedEffect& effect = *opened;
    vst::AEffect& record = effect.record();

    const auto row = [&out](const char* key, const std::string& value) {
        out << std::left << std::setw(16) << key << value << std::right << "\n";
    };
    row("Plug-in", path);
    row("Effect name", effect.text(vst::effGetEffectName));
    row("Vendor", effect.text(vst::effGetVendorString));
    row("Product", effect.text(vst::effGetProductString));
    row("Vendor version", std::to_string(effect.dispatch(vst::effGetVendorVersion)));
    if (const std::optional<std::string> version = productVersion(effect))
        row("Version", *version);
    row("VST version", std::to_string(effect.dispatch(vst::effGetVstVersion)));
    row("Unique ID", "'" + fourCharText(record.uniqueID) + "' (" + std::to_string(record.uniqueID) + ")");
    const vst::IntPtr category = effect.dispatch(vst::effGetPlugCategory);
    row("Category", categoryName(category) + " (" + std::to_string(category) + ")");
    row("Channels", std::to_string(record.numInputs) + " in, " + std::to_string(record.numOutputs) + " out");
    row("Latency", std::to_string(record.initialDelay) + " samples");
    row("Flags", flagNames(record.flags));

    printParameters(readParameters(effect), out);

    out << "\nPrograms\n";
    for (int p = 0; p < record.numPrograms; ++p)
        out << "  " << std::setw(3) << p << "  " << programName(effect, p) << "\n";
}

} // namespace host
