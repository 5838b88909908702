#include "tools/lv2-turtle/Lv2Turtle.h"

#include "lv2/PortMap.h"
#include "plugin/APlugin.h"
#include "dsp/APluginProgram.h"
#include "dsp/ParameterTable.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace tmx1::lv2 {

namespace {

constexpr const char* kPrefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                                  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

// What the parameter table does not say: the names of the ports that are no parameter.
const char* otherPortName(int port) {
    switch (port) {
    case kPortInL:
        return "In L";
    case kPortInR:
        return "In R";
    case kPortOutL:
        return "Out L";
    case kPortOutR:
        return "Out R";
    case kPortLatency:
        return "Latency";
    case kPortLevelInL:
        return "Input Level L";
    case kPortLevelInR:
        return "Input Level R";
    case kPortLevelOutL:
        return "Output Level L";
    case kPortLevelOutR:
        return "Output Level R";
    case kPortGainL:
        return "Gain Reduction L";
    case kPortGainR:
        return "Gain Reduction R";
    case kPortOverCompression:
        return "Over-Compression";
    case kPortOcAck:
        return "Over-Compression Shown";
    default:
        return "";
    }
}

// The UI writes an ever-changing count to the acknowledgement port; it wraps within this range.
constexpr float kOcAckMaximum = 16777215.0f;

// The audio ports as a stereo input and a stereo output group, the output made from the input: hosts
// that take a multi-channel stream as one (GStreamer) need the groups to see one stereo in and out.
std::string inputGroupUri() { return std::string(kPluginUri) + "#in"; }
std::string outputGroupUri() { return std::string(kPluginUri) + "#out"; }

std::string uri(const std::string& text) { return "<" + text + ">"; }

std::string literal(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string slugOf(const std::string& name) {
    std::string slug;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0)
            slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
    }
    return slug;
}

bool isOutput(int port) {
    return port == kPortOutL || port == kPortOutR || (port >= kPortLatency && port < kPortOcAck);
}

void parameterPort(std::ostream& out, int parameter) {
    const ParameterInfo& info = kParameters[static_cast<std::size_t>(parameter)];
    const auto value = [parameter](float normalised) {
        return turtleNumber(static_cast<float>(PortValueOf(parameter, normalised)));
    };
    out << "        lv2:name " << literal(info.name) << " ;\n";
    // The default as the panel shows it; NormalisedOf takes it back to the program's value.
    out << "        lv2:default "
        << turtleNumber(
               ShownPortValue(parameter, kFactoryPrograms[0].values[static_cast<std::size_t>(parameter)]))
        << " ;\n";
    out << "        lv2:minimum " << value(0.0f) << " ;\n";
    out << "        lv2:maximum " << value(1.0f) << " ;\n";
    switch (info.display) {
    case DisplayKind::decibels:
        out << "        units:unit units:db ;\n";
        break;
    case DisplayKind::milliseconds:
        out << "        units:unit units:ms ;\n";
        break;
    case DisplayKind::onOff:
        out << "        lv2:portProperty lv2:toggled ;\n";
        break;
    case DisplayKind::releaseTypeName:
        out << "        lv2:portProperty lv2:integer , lv2:enumeration ;\n";
        for (int type = 0; type < kNumReleaseTypes; ++type)
            out << "        lv2:scalePoint [ rdfs:label "
                << literal(kReleaseTypeNames[static_cast<std::size_t>(type)]) << " ; rdf:value " << type
                << " ] ;\n";
        break;
    }
    if (info.displayLaw == Law::exponential)
        out << "        lv2:portProperty pprops:logarithmic ;\n";
}

void otherControlPort(std::ostream& out, int port) {
    out << "        lv2:name " << literal(otherPortName(port)) << " ;\n";
    if (port == kPortLatency) {
        out << "        lv2:designation lv2:latency ;\n"
               "        lv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
               "        lv2:minimum 0 ;\n        lv2:maximum 4096 ;\n";
    } else if (port == kPortOverCompression) {
        out << "        lv2:portProperty lv2:toggled ;\n        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n";
    } else if (port == kPortOcAck) {
        out << "        lv2:portProperty pprops:notOnGUI , pprops:notAutomatic ;\n"
               "        lv2:default 0 ;\n        lv2:minimum 0 ;\n        lv2:maximum "
            << turtleNumber(kOcAckMaximum) << " ;\n";
    } else { // the meters: linear, 1 being full scale or no reduction
        out << "        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n";
    }
}

void audioPort(std::ostream& out, int port) {
    out << "        lv2:name " << literal(otherPortName(port)) << " ;\n";
    out << "        pg:group " << uri(isOutput(port) ? outputGroupUri() : inputGroupUri()) << " ;\n";
    out << "        lv2:designation pg:" << (port == kPortInL || port == kPortOutL ? "left" : "right")
        << " ;\n";
}

void port(std::ostream& out, int port) {
    const bool audio = port <= kPortOutR;
    out << "        a lv2:" << (audio ? "AudioPort" : "ControlPort")
        << " , lv2:" << (isOutput(port) ? "OutputPort" : "InputPort") << " ;\n";
    out << "        lv2:index " << port << " ;\n";
    out << "        lv2:symbol " << literal(kPortSymbols[static_cast<std::size_t>(port)]) << " ;\n";
    const int parameter = ParameterOfPort(port);
    if (parameter >= 0)
        parameterPort(out, parameter);
    else if (audio)
        audioPort(out, port);
    else
        otherControlPort(out, port);
}

void groups(std::ostream& out) {
    out << uri(inputGroupUri()) << "\n    a pg:InputGroup , pg:StereoGroup ;\n    lv2:symbol \"in\" ;\n"
        << "    rdfs:label \"Input\" .\n\n";
    out << uri(outputGroupUri()) << "\n    a pg:OutputGroup , pg:StereoGroup ;\n    lv2:symbol \"out\" ;\n"
        << "    rdfs:label \"Output\" ;\n    pg:source " << uri(inputGroupUri()) << " .\n\n";
}

void uiDescription(std::ostream& out) {
    out << uri(kUiUri) << "\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:parent , ui:resize , ui:touch , opts:options";
    for (int port = kPortLatency; port < kPortOcAck; ++port)
        out << " ;\n    ui:portNotification [\n"
            << "        ui:plugin " << uri(kPluginUri) << " ;\n"
            << "        lv2:symbol " << literal(kPortSymbols[static_cast<std::size_t>(port)]) << " ;\n"
            << "        ui:portIndex " << port << " ;\n"
            << "        ui:protocol ui:floatProtocol\n    ]";
    out << " .\n";
}

} // namespace

Lv2Version lv2VersionOf(const std::string& productVersion) {
    int major = 0, minor = 0, micro = 0, used = 0;
    const int fields =
        std::sscanf(productVersion.c_str(), "%d.%d%n.%d%n", &major, &minor, &used, &micro, &used);
    if (fields < 2 || static_cast<std::size_t>(used) != productVersion.size() || major < 0 || minor < 0 ||
        micro < 0)
        throw std::invalid_argument("not a version MAJOR.MINOR[.MICRO]: \"" + productVersion + "\"");
    return {minor, micro};
}

std::string turtleNumber(float value) {
    std::array<char, 64> text{};
    char* end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    std::string number(text.data(), end);
    if (number.find_first_of(".e") == std::string::npos)
        number += ".0";
    return number;
}

std::string presetUri(int program) {
    return std::string(kPluginUri) + "#preset-" +
           slugOf(kFactoryPrograms[static_cast<std::size_t>(program)].name);
}

std::string manifestTurtle() {
    std::ostringstream out;
    out << kPrefixes;
    out << uri(kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary " << uri(kDspBinary)
        << " ;\n    rdfs:seeAlso " << uri(kPluginFile) << " .\n\n";
    out << uri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << uri(kUiBinary) << " ;\n    rdfs:seeAlso "
        << uri(kPluginFile) << " .\n";
    for (int program = 0; program < kNumPrograms; ++program)
        out << "\n"
            << uri(presetUri(program)) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(kPluginUri)
            << " ;\n    rdfs:seeAlso " << uri(kPresetsFile) << " .\n";
    return out.str();
}

std::string pluginTurtle(const Lv2Version& version) {
    std::ostringstream out;
    out << kPrefixes;
    out << uri(kPluginUri) << "\n"
        << "    a lv2:Plugin , lv2:CompressorPlugin , doap:Project ;\n"
        << "    doap:name " << literal(kEffectName) << " ;\n"
        << "    doap:maintainer [ foaf:name " << literal(kVendorName) << " ] ;\n"
        << "    lv2:minorVersion " << version.minor << " ;\n"
        << "    lv2:microVersion " << version.micro << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    pg:mainInput " << uri(inputGroupUri()) << " ;\n"
        << "    pg:mainOutput " << uri(outputGroupUri()) << " ;\n"
        << "    ui:ui " << uri(kUiUri) << " ;\n"
        << "    lv2:port";
    for (int p = 0; p < kNumPorts; ++p) {
        out << (p == 0 ? " [\n" : " , [\n");
        port(out, p);
        out << "    ]";
    }
    out << " .\n\n";
    groups(out);
    uiDescription(out);
    return out.str();
}

std::string presetsTurtle() {
    std::ostringstream out;
    out << kPrefixes;
    for (int program = 0; program < kNumPrograms; ++program) {
        const FactoryProgram& factory = kFactoryPrograms[static_cast<std::size_t>(program)];
        out << uri(presetUri(program)) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(kPluginUri)
            << " ;\n    rdfs:label " << literal(factory.name) << " ;\n    lv2:port";
        for (int parameter = 0; parameter < kNumParams; ++parameter) {
            const int port = PortOfParameter(parameter);
            if (port < 0)
                continue;
            out << (parameter == 0 ? " [\n" : " , [\n") << "        lv2:symbol "
                << literal(kPortSymbols[static_cast<std::size_t>(port)]) << " ;\n        pset:value "
                << turtleNumber(
                       ShownPortValue(parameter, factory.values[static_cast<std::size_t>(parameter)]))
                << "\n    ]";
        }
        out << " .\n\n";
    }
    return out.str();
}

} // namespace tmx1::lv2
