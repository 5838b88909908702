// The panel at a zoom: the pictures drawn afresh for it go into the image list and the meter bars,
// and the form is told its zoom. Positions, hits and drags stay in the layout's pixels.
#include "editor/uEditor.h"

#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "editor/ZoomChoice.h"
#include "editor/PanelMenu.h"
#include "platform/DesktopScale.h"
#include "platform/UserSettings.h"
#include "resources/ScaledArtwork.h"
#include "toolkit/Image.h"
#include "toolkit/PictureFile.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tmx1 {

namespace {

// The artwork each picture of the layout's image list was made from, by the item's name there.
struct ListPicture {
    std::string_view displayName;
    std::string_view file;
};
constexpr std::array<ListPicture, 7> kListPictures{{
    {"Index Pointer", "artwork/pointer.png"},
    {"Drejeknap", "artwork/knob.png"},
    {"Chassis", "artwork/chassis.png"},
    {"Red Microswitch", "artwork/switch-red.png"},
    {"LED", "artwork/led.png"},
    {"Right selector", "artwork/selector.png"},
    {"Green Microswitch", "artwork/switch-green.png"},
}};

constexpr std::string_view kLevelCover = "artwork/meter-cover.png";
constexpr std::string_view kGainBar = "artwork/meter-gain.png";

toolkit::TPictureData zoomedPicture(std::string_view file, int percent) {
    const std::span<const std::uint8_t> png = ScaledArtworkPng(file, percent);
    if (png.empty())
        throw std::runtime_error("No picture " + std::string(file) + " at " + std::to_string(percent) + " %");
    return toolkit::DecodePng(png);
}

std::string_view listPictureFile(const std::string& displayName) {
    for (const ListPicture& picture : kListPictures)
        if (picture.displayName == displayName)
            return picture.file;
    throw std::runtime_error("The image list's picture " + displayName + " has no zoomed artwork");
}

bool isZoomStep(int percent) {
    return std::find(kZoomSteps.begin(), kZoomSteps.end(), percent) != kZoomSteps.end();
}

} // namespace

int PanelZoomFor(const platform::ParentWindow& parent, int thisInstance, double hostScale) {
    ZoomSources sources;
    if (thisInstance != 0)
        sources.userPercent = thisInstance;
    else if (const std::optional<long long> stored = platform::ReadUserNumber(kSettingsKeyPath, kZoomValueName))
        sources.userPercent = static_cast<double>(*stored);
    sources.hostScale = hostScale;
    sources.desktopScale = platform::DesktopScale(parent);
    return ChooseZoom(sources);
}

bool RememberPanelZoom(int percent) { return platform::WriteUserNumber(kSettingsKeyPath, kZoomValueName, percent); }

void TPluginEditorWindow::SetPanelZoom(int percent) {
    if (!isZoomStep(percent))
        throw std::invalid_argument("The panel has no zoom of " + std::to_string(percent) + " %");
    if (percent != 100 && !zoomedArtwork_.contains(percent))
        LoadZoomedArtwork(percent);
    SetZoom(toolkit::TZoom(percent));
    if (pendingZoom_ == percent)
        pendingZoom_ = 0;
    panelMenu_->Close();
}

void TPluginEditorWindow::LoadZoomedArtwork(int percent) {
    dib::TDIBImages& images = *DIBImageList1->DIBImages();
    for (int i = 0; i < images.Count(); ++i) {
        const toolkit::TPictureData picture =
            zoomedPicture(listPictureFile(images.Items(i).DisplayName()), percent);
        DIBImageList1->SetZoomedImage(percent, i, picture.width, picture.height, picture.pixels);
    }
    for (std::size_t g = 0; g < kMeterGroups.size(); ++g) {
        const toolkit::TPictureData picture =
            zoomedPicture(kMeterGroups[g].kind == MeterKind::level ? kLevelCover : kGainBar, percent);
        for (toolkit::TImage* bar : meters_[g].bars)
            bar->SetZoomedPicture(percent, picture);
    }
    zoomedArtwork_.insert(percent);
}

void TPluginEditorWindow::WindowMouse(const platform::MouseEvent& event) {
    // The menu takes every mouse event while it is open, and a right click anywhere opens it.
    const platform::MouseEvent layout = LayoutEvent(event);
    if (panelMenu_->IsOpen()) {
        panelMenu_->Mouse(layout);
        return;
    }
    if (event.kind == platform::MouseEventKind::Press && event.button == platform::MouseButton::Right &&
        CaptureControl() == nullptr) {
        OpenMenu(layout.x, layout.y);
        return;
    }
    TForm::WindowMouse(event);
}

void TPluginEditorWindow::ZoomChosen(int percent) {
    if (OnZoomChosen)
        OnZoomChosen(percent);
}

} // namespace tmx1
