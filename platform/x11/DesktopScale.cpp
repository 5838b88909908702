// Desktops tell X11 programs their scale in two places: the resource database that xrdb loads into
// the server (Xft.dpi, which every toolkit's text follows, written by the desktop's display settings)
// and GDK_SCALE (GTK's whole-number window scale, set by some sessions instead). The database is read
// over a short connection of our own, so that the answer is the server's current one.
#include "platform/x11/DesktopScale.h"

#include "platform/posix/SettingsFile.h"
#include "platform/x11/Connection.h"

#include <X11/Xlib.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace platform::x11 {
namespace {

// A positive finite number written the C way whatever the locale; 0 for anything else.
double positiveNumber(std::string_view text) {
    text = posix::Trimmed(text);
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || stop != text.data() + text.size() || !std::isfinite(value) || value <= 0)
        return 0;
    return value;
}

// The server's resource database, as xrdb left it; empty when there is no server or no database.
std::string serverResources() {
    const std::unique_ptr<Connection> connection = Connection::Open();
    if (!connection)
        return {};
    const ConnectionUse use(*connection);
    const char* resources = XResourceManagerString(connection->Get());
    return resources != nullptr ? std::string(resources) : std::string();
}

} // namespace

double XftDpiScale(std::string_view resources) {
    constexpr double kBaseDpi = 96;
    double dpi = 0;
    // One "name:\tvalue" entry per line; '!' starts a comment. A later entry overrides an earlier one,
    // as in the database itself.
    std::size_t start = 0;
    while (start < resources.size()) {
        std::size_t end = resources.find('\n', start);
        if (end == std::string_view::npos)
            end = resources.size();
        const std::string_view line = resources.substr(start, end - start);
        start = end + 1;
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && posix::Trimmed(line.substr(0, colon)) == "Xft.dpi")
            dpi = positiveNumber(line.substr(colon + 1));
    }
    return dpi / kBaseDpi;
}

double DesktopScale() {
    if (const double scale = XftDpiScale(serverResources()); scale > 0)
        return scale;
    const char* gdkScale = std::getenv("GDK_SCALE");
    return gdkScale != nullptr ? positiveNumber(gdkScale) : 0;
}

} // namespace platform::x11
