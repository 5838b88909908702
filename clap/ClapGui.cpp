#include "clap/ClapGui.h"

#include "clap/ClapParameters.h"
#include "clap/ClapPlugin.h"
#include "clap/ClapThunk.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace tmx1 {

namespace {

using clapentry::entry;

#ifdef _WIN32
constexpr const char* kWindowApi = clap::kWindowApiWin32;
#else
constexpr const char* kWindowApi = clap::kWindowApiX11;
#endif

// About 33 idles a second: the meters move smoothly, and a host may round it.
constexpr std::uint32_t kIdlePeriodMs = 30;

bool isOurApi(const char* api) { return api != nullptr && std::string_view(api) == kWindowApi; }

// The handle the window system knows the host's window by.
void* handleOf(const clap::clap_window& window) {
#ifdef _WIN32
    return window.win32;
#else
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
#endif
}

} // namespace

ClapGui::ClapGui(Compressor& compressor, const std::atomic<int>& program)
    : compressor(compressor), program(program) {}

ClapGui::~ClapGui() { destroy(); }

ClapGui& ClapGui::of(const clap::clap_plugin* plugin) { return ClapPlugin::of(plugin).gui(); }

void ClapGui::init(const clap::clap_host* host) {
    this->host = host;
    const auto ask = [host](const char* id) { return host->get_extension(host, id); };
    hostGui = static_cast<const clap::clap_host_gui*>(ask(clap::kExtGui));
    hostTimers = static_cast<const clap::clap_host_timer_support*>(ask(clap::kExtTimerSupport));
    hostParams = static_cast<const clap::clap_host_params*>(ask(clap::kExtParams));
}

// --- clap.gui

bool ClapGui::isApiSupported(const char* api, bool isFloating) const { return !isFloating && isOurApi(api); }

bool ClapGui::preferredApi(const char** api, bool* isFloating) const {
    *api = kWindowApi;
    *isFloating = false;
    return true;
}

bool ClapGui::create(const char* api, bool isFloating) {
    if (created || !isApiSupported(api, isFloating) || hostTimers == nullptr ||
        hostTimers->register_timer == nullptr)
        return false;
    if (!hostTimers->register_timer(host, kIdlePeriodMs, &timer))
        return false;
    created = true;
    shown = true;
    return true;
}

void ClapGui::destroy() {
    if (!created)
        return;
    session.Close();
    compressor.setMetering(false);
    if (hostTimers->unregister_timer != nullptr)
        hostTimers->unregister_timer(host, timer);
    timer = clap::kInvalidId;
    created = false;
}

bool ClapGui::setScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0.0)
        return false;
    hostScale = scale;
    // The host set the scale itself, and expects the size it asks for next to follow it; a window it
    // shows already is told its new size.
    if (session.IsOpen() && session.HostScaleChanged())
        RequestSize(session.Size().width, session.Size().height);
    return true;
}

bool ClapGui::size(std::uint32_t* width, std::uint32_t* height) const {
    if (!created)
        return false;
    const PanelSize size = session.IsOpen()
                               ? session.Size()
                               : PanelSizeAt(session.ZoomFor(platform::ParentWindow::Native(nullptr)));
    *width = static_cast<std::uint32_t>(size.width);
    *height = static_cast<std::uint32_t>(size.height);
    return true;
}

bool ClapGui::isCurrentSize(std::uint32_t width, std::uint32_t height) const {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    return size(&w, &h) && w == width && h == height;
}

// The only size the panel takes is the one it has.
bool ClapGui::adjustSize(std::uint32_t* width, std::uint32_t* height) const {
    return isCurrentSize(*width, *height);
}

bool ClapGui::setSize(std::uint32_t width, std::uint32_t height) { return isCurrentSize(width, height); }

bool ClapGui::setParent(const clap::clap_window* window) {
    if (!created || session.IsOpen() || window == nullptr || !isOurApi(window->api))
        return false;
    if (!session.Open(platform::ParentWindow::Native(handleOf(*window))))
        return false;
    compressor.setMetering(shown);
    return true;
}

// The host shows and hides the window it gave; the panel only stops metering while unseen.
bool ClapGui::show() {
    if (!created)
        return false;
    shown = true;
    compressor.setMetering(session.IsOpen());
    return true;
}

bool ClapGui::hide() {
    if (!created)
        return false;
    shown = false;
    compressor.setMetering(false);
    return true;
}

// --- clap.timer-support

void ClapGui::onTimer(clap::clap_id id) {
    if (created && shown && id == timer)
        session.Idle();
}

// --- PanelHost

void ClapGui::SendParameter(int index, float value) {
    compressor.setParameter(index, value);
    if (clapparams::isOffered(static_cast<clap::clap_id>(index)))
        queue({ClapEdit::Kind::value, static_cast<clap::clap_id>(index), clapparams::plainOf(index, value)});
}

void ClapGui::BeginEdit(int index) {
    if (clapparams::isOffered(static_cast<clap::clap_id>(index)))
        queue({ClapEdit::Kind::gestureBegin, static_cast<clap::clap_id>(index)});
}

void ClapGui::EndEdit(int index) {
    if (clapparams::isOffered(static_cast<clap::clap_id>(index)))
        queue({ClapEdit::Kind::gestureEnd, static_cast<clap::clap_id>(index)});
}

// A host that is processing takes the edits with its next block; one that is not needs the word.
void ClapGui::queue(const ClapEdit& edit) {
    edits.push(edit);
    if (hostParams != nullptr && hostParams->request_flush != nullptr)
        hostParams->request_flush(host);
}

void ClapGui::ReadParameters(std::array<float, kNumParams>& values) {
    for (int i = 0; i < kNumParams; ++i)
        values[static_cast<std::size_t>(i)] = compressor.parameter(i);
}

PanelMeters ClapGui::ReadMeters() {
    return {{compressor.meterValue(kMeterInL), compressor.meterValue(kMeterInR),
             compressor.meterValue(kMeterOutL), compressor.meterValue(kMeterOutR)},
            {compressor.meterValue(kMeterCpL), compressor.meterValue(kMeterCpR)}};
}

bool ClapGui::RequestSize(int width, int height) {
    return hostGui != nullptr && hostGui->request_resize != nullptr &&
           hostGui->request_resize(host, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height));
}

// --- the records

namespace {

constexpr clap::clap_plugin_gui kGui{
    entry<&ClapGui::isApiSupported>, entry<&ClapGui::preferredApi>, entry<&ClapGui::create>,
    entry<&ClapGui::destroy>,        entry<&ClapGui::setScale>,     entry<&ClapGui::size>,
    entry<&ClapGui::canResize>,      entry<&ClapGui::resizeHints>,  entry<&ClapGui::adjustSize>,
    entry<&ClapGui::setSize>,        entry<&ClapGui::setParent>,    entry<&ClapGui::setTransient>,
    entry<&ClapGui::suggestTitle>,   entry<&ClapGui::show>,         entry<&ClapGui::hide>};

constexpr clap::clap_plugin_timer_support kTimerSupport{entry<&ClapGui::onTimer>};

} // namespace

const clap::clap_plugin_gui* ClapGui::guiRecord() { return &kGui; }

const clap::clap_plugin_timer_support* ClapGui::timerRecord() { return &kTimerSupport; }

} // namespace tmx1
