// A skinned panel on a headless screen for the control tests: a form with one container filling it,
// shown in a window whose pixels the tests read back; and a skinned control that paints a known picture.
#pragma once

#include "DIB/cDIBControl.h"
#include "DIB/cDIBPanel.h"
#include "platform/headless/Screen.h"
#include "toolkit/Form.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dibtest {

// Colours as the screen shows them: 0x00RRGGBB.
constexpr std::uint32_t panelRgb = 0x204060;
constexpr toolkit::TColor panelColor = 0x604020; // the same as a TColor (0x00BBGGRR)

struct SkinnedPanel {
    explicit SkinnedPanel(int width = 100, int height = 60) {
        form.SetBounds(0, 0, width, height);
        container = new dib::TDIBContainer(&form);
        container->SetParent(&form);
        container->SetBounds(0, 0, width, height);
        container->SetColor(panelColor);
        form.CreateWindow(platform::ParentWindow::Headless(screen));
        window = &screen.LastWindow();
    }
    std::uint32_t Pixel(int x, int y) const { return window->ScreenPixel(x, y); }

    platform::headless::Screen screen;
    toolkit::TForm form{nullptr};
    dib::TDIBContainer* container = nullptr;
    platform::headless::HeadlessWindow* window = nullptr;
};

// Paints a solid colour, or with gradient on, a colour whose red and green are its own column and row.
class TTestSkin : public dib::TCustomDIBControl {
  public:
    using TCustomDIBControl::TCustomDIBControl;
    std::string_view ClassName() const override { return "TTestSkin"; }

    std::uint32_t colour = 0xFFFF0000; // opaque red
    bool gradient = false;
    int paints = 0;
    std::vector<std::string>* log = nullptr;
    std::vector<toolkit::TMouseButton> presses;
    std::vector<std::pair<int, int>> pressPoints;
    platform::Rect enlargeTo{};

    void Register(const std::string& name) { RegisterTemplateProperty(name); }
    platform::Rect EnlargePaintRect(const platform::Rect& rect) const override {
        return enlargeTo.Empty() ? rect : platform::Union(rect, enlargeTo);
    }
    void MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override {
        TCustomDIBControl::MouseDown(button, shift, x, y);
        presses.push_back(button);
        pressPoints.emplace_back(x, y);
    }

  protected:
    void PaintStart() override {
        Log("start");
        TCustomDIBControl::PaintStart();
    }
    void PaintDIB(dib::TAbstractSuperDIB& target) override {
        TCustomDIBControl::PaintDIB(target);
        Log("paint");
        ++paints;
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x)
                target.SetPixel(
                    x, y, gradient ? 0xFF000000u | static_cast<std::uint32_t>(x) << 16 | y << 8 : colour);
    }
    void PaintEnd() override {
        TCustomDIBControl::PaintEnd();
        Log("end");
    }

  private:
    void Log(const char* what) {
        if (log != nullptr)
            log->push_back(Name() + ":" + what);
    }
};

} // namespace dibtest
