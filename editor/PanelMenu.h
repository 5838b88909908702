// The panel's menu: a small list drawn over the panel where the user right-clicked, with one entry
// per zoom step and a check mark at the one in use, then "Save Preset" and one entry per preset file
// the user keeps. When the host refused the last zoom change, a line under the entries says that the
// chosen zoom waits for the next opening. It lives on the panel's container, above every other
// control, and is drawn like the rest at the panel's zoom.
#pragma once

#include "platform/Window.h"
#include "toolkit/Control.h"
#include "toolkit/Font.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tmx1 {

class TPanelMenu : public toolkit::TControl {
  public:
    explicit TPanelMenu(toolkit::TComponent* owner);
    ~TPanelMenu() override;

    std::string_view ClassName() const override { return "TPanelMenu"; }

    // Opens with its top-left corner at (x, y) of the parent, moved in so that all of it shows.
    // pendingPercent: a zoom chosen that waits for the next opening, 0 for none. presetNames: the
    // preset files to offer, at most kListedPresets of them.
    void Open(int x, int y, int currentPercent, int pendingPercent,
              const std::vector<std::string>& presetNames = {});
    void Close();
    bool IsOpen() const { return Visible(); }

    // Every mouse event while open, in the parent's coordinates: a press on an entry chooses it, a
    // press anywhere else closes the menu.
    void Mouse(const platform::MouseEvent& event);

    // What the menu shows, for the panel's tests.
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    const std::string& EntryCaption(int index) const { return entries_[static_cast<std::size_t>(index)].caption; }
    bool EntryChecked(int index) const { return entries_[static_cast<std::size_t>(index)].checked; }
    // An entry's rectangle in the parent's coordinates.
    platform::Rect EntryRect(int index) const;
    // The line about a zoom that waits for the next opening; empty when there is none.
    const std::string& Note() const { return note_; }

    void Paint(toolkit::TCanvas& canvas) override;

    // Raised with the percent of the zoom entry chosen; the menu has closed by then.
    std::function<void(int percent)> OnChoose;
    // Raised when "Save Preset" is chosen, and with the index in presetNames of the preset chosen.
    std::function<void()> OnSavePreset;
    std::function<void(int index)> OnLoadPreset;

    // As many as fit on the panel under the other entries.
    static constexpr std::size_t kListedPresets = 10;

  private:
    enum class Action { zoom, savePreset, loadPreset };
    struct Entry {
        Action action;
        int value; // the zoom's percent, or the preset's index
        std::string caption;
        bool checked;
    };

    int EntryAt(int x, int y) const;
    void Choose(const Entry& entry) const;
    void SetHover(int index);
    void PaintText(toolkit::TCanvas& canvas, const std::string& text, int x, int rowTop, toolkit::TColor color) const;

    std::unique_ptr<toolkit::TFont> font_;
    std::vector<Entry> entries_;
    std::string note_;
    int hover_ = -1;
};

} // namespace tmx1
