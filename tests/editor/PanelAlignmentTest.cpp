// The artwork against the layout: every overlay the layout places lies over the part of the plate drawn
// for it. The plate is the panel as the editor composes it with every overlay hidden; each overlay's own
// picture (its image-list entry, or the widget's bitmap) is looked for in it around the place the layout
// gives, and must fit best exactly there. The knobs turn about the middle of their art and stay between
// its cap and its scale; the value and hold labels stand on fields of their own colour. A control moved
// in the layout but not in the artwork, or the other way round, fails here without any stored picture of
// the panel to compare with.
#include "tests/editor/EditorFixture.h"

#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "editor/PanelControls.h"
#include "toolkit/Colour.h"
#include "toolkit/Picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace editortest {
namespace {

// A picture as the panel would show it: pixels 0x00RRGGBB, top row first, and which of them it draws
// (a colour-keyed image leaves its key colour out).
struct Overlay {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<bool> drawn;

    std::uint32_t Pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool Drawn(int x, int y) const { return drawn[static_cast<std::size_t>(y * width + x)]; }
};

Overlay overlayOf(const dib::TMemoryDIB& image) {
    Overlay o{image.Width(), image.Height(), {}, {}};
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; ++x) {
            const std::uint32_t pixel = image.Pixel(x, y) & 0xFFFFFFu;
            o.pixels.push_back(pixel);
            o.drawn.push_back(!image.Transparent() || pixel != image.EffectiveTransparentPixel());
        }
    return o;
}

Overlay overlayOf(const toolkit::TBitmap& bitmap) {
    Overlay o{bitmap.Width(), bitmap.Height(), {}, {}};
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; ++x)
            o.pixels.push_back(
                bitmap.Data().pixels[static_cast<std::size_t>((o.height - 1 - y) * o.width + x)] & 0xFFFFFFu);
    o.drawn.assign(o.pixels.size(), true);
    return o;
}

int brightness(std::uint32_t pixel) {
    return static_cast<int>((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) / 3;
}

bool close(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > 2)
            return false;
    return true;
}

// A screen pixel of a colour value (0x00BBGGRR).
std::uint32_t screenColour(toolkit::TColor colour) {
    const auto rgb = static_cast<std::uint32_t>(toolkit::ColorToRGB(colour));
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

struct Offset {
    int dx, dy;
    bool operator==(const Offset&) const = default;
};

std::ostream& operator<<(std::ostream& out, Offset o) { return out << "(" << o.dx << ", " << o.dy << ")"; }

class PanelAlignment : public OpenEditor {
  protected:
    void SetUp() override {
        OpenEditor::SetUp();
        openEditor();
        idle();
        composeBarePlate();
    }

    // Everything but the plate hidden: lamps and buttons dark, knobs and labels away, meter pictures
    // away. What the screen shows then is the plate as the panel composes it.
    void composeBarePlate() {
        dib::TDIBContainer& container = *window().DIBContainer1;
        for (int i = 0; i < container.ControlCount(); ++i) {
            toolkit::TControl& child = *container.Controls(i);
            if (child.BoundsRect() == container.BoundsRect())
                continue; // the plate
            if (auto* lamp = dynamic_cast<dib::TDIBImage*>(&child))
                lamp->SetOpacity(0);
            else
                child.SetVisible(false);
        }
        container.Invalidate();
        screenWindow().Idle();
        width_ = container.Width();
        for (int y = 0; y < container.Height(); ++y)
            for (int x = 0; x < width_; ++x)
                plate_.push_back(screenWindow().ScreenPixel(x, y));
    }

    std::uint32_t plate(int x, int y) const { return plate_[static_cast<std::size_t>(y * width_ + x)]; }
    bool onPanel(int x, int y) const {
        return x >= 0 && y >= 0 && x < width_ && static_cast<std::size_t>(y * width_ + x) < plate_.size();
    }

    // How many of the overlay's drawn pixels, laid at (left + dx, top + dy), match the plate there.
    int matching(const Overlay& overlay, int left, int top, Offset at) const {
        int count = 0;
        for (int y = 0; y < overlay.height; ++y)
            for (int x = 0; x < overlay.width; ++x) {
                const int px = left + at.dx + x, py = top + at.dy + y;
                if (overlay.Drawn(x, y) && onPanel(px, py) && close(overlay.Pixel(x, y), plate(px, py)))
                    ++count;
            }
        return count;
    }

    // (0, 0) when the overlay fits the plate better at its place than anywhere around it, else an
    // offset where it fits as well or better. The reach exceeds the pitch of the meter segments, so a
    // column cannot fit a whole segment away.
    Offset bestFit(const Overlay& overlay, int left, int top) const {
        constexpr int reach = 6;
        const int inPlace = matching(overlay, left, top, {0, 0});
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                if ((dx != 0 || dy != 0) && matching(overlay, left, top, {dx, dy}) >= inPlace)
                    return {dx, dy};
        return {0, 0};
    }

    // Labels paint their background behind the text; on a field of that very colour their box vanishes.
    void expectOnItsField(const toolkit::TLabel& label) const {
        const std::uint32_t field = screenColour(label.Color());
        for (int y = label.Top(); y < label.Top() + label.Height(); ++y)
            for (int x = label.Left(); x < label.Left() + label.Width(); ++x)
                ASSERT_EQ(plate(x, y), field) << label.Name() << " \"" << label.Caption()
                                              << "\" leaves its field at (" << x << ", " << y << ")";
    }

    // Visits the pixels whose middles lie farther than inner and not farther than outer from (cx, cy).
    template <class Visit> void forRing(double cx, double cy, double inner, double outer, Visit visit) const {
        for (int y = static_cast<int>(std::floor(cy - outer)); y <= static_cast<int>(std::ceil(cy + outer));
             ++y)
            for (int x = static_cast<int>(std::floor(cx - outer));
                 x <= static_cast<int>(std::ceil(cx + outer)); ++x) {
                const double distance = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (onPanel(x, y) && distance > inner && distance <= outer)
                    visit(x, y, distance);
            }
    }

    // A knob's art as the plate shows it: the middle and the radius of its cap, whose rim is where the
    // plate darkens most steeply going outward, and where its scale begins (the nearest of the bright
    // pixels beyond the pointer's circle).
    struct KnobArt {
        double centreX = 0, centreY = 0;
        double capRadius = 0;
        double scaleReach = 0;
    };

    // Along a ray from (cx, cy), the outermost step within [from, to] from one pixel to the next at
    // which the plate darkens by at least half its steepest fall there: where the cap's rim meets its
    // shadow, whichever side the light comes from. The samples fall between whole distances, so that
    // opposite rays meet the grid alike; the rim is the middle of the samples that see that step.
    double rimAlong(double cx, double cy, double angle, double from, double to) const {
        const auto at = [&](double distance) {
            return brightness(plate(static_cast<int>(std::floor(cx + distance * std::sin(angle))),
                                    static_cast<int>(std::floor(cy - distance * std::cos(angle)))));
        };
        std::vector<std::pair<double, int>> drops; // distance, fall from there to one pixel farther
        int steepest = 0;
        for (double r = from + 0.125; r + 1 <= to; r += 0.25) {
            drops.emplace_back(r, at(r) - at(r + 1));
            steepest = std::max(steepest, drops.back().second);
        }
        double sum = 0;
        int count = 0;
        std::optional<int> step;
        for (auto it = drops.rbegin(); it != drops.rend(); ++it) {
            if (!step && 2 * it->second < steepest)
                continue;
            if (step && it->second != *step)
                break;
            step = it->second;
            sum += it->first;
            ++count;
        }
        return sum / std::max(count, 1) + 0.5;
    }

    KnobArt knobArt(double turnX, double turnY, double radius) const {
        // A circle of radius R about (turnX + dx, turnY + dy) is, seen from (turnX, turnY), a rim at
        // R + dx sin a - dy cos a along angle a (clockwise from up): its first harmonic is the offset.
        constexpr int rays = 144;
        KnobArt art;
        double sumSin = 0, sumCos = 0, sum = 0;
        for (int i = 0; i < rays; ++i) {
            const double angle = 2 * std::numbers::pi * i / rays;
            const double rim = rimAlong(turnX, turnY, angle, radius / 2, radius - 2);
            sum += rim;
            sumSin += rim * std::sin(angle);
            sumCos += rim * std::cos(angle);
        }
        art.centreX = turnX + 2 * sumSin / rays;
        art.centreY = turnY - 2 * sumCos / rays;
        art.capRadius = sum / rays;
        int brightest = 0, darkest = 255;
        forRing(art.centreX, art.centreY, radius, 2 * radius, [&](int x, int y, double) {
            brightest = std::max(brightest, brightness(plate(x, y)));
            darkest = std::min(darkest, brightness(plate(x, y)));
        });
        art.scaleReach = 2 * radius;
        forRing(art.centreX, art.centreY, radius, 2 * radius, [&](int x, int y, double distance) {
            if (brightness(plate(x, y)) > (brightest + darkest) / 2)
                art.scaleReach = std::min(art.scaleReach, distance);
        });
        return art;
    }

    const dib::TDIBImages& images() const { return *window().DIBImageList1->DIBImages(); }

    std::vector<std::uint32_t> plate_;
    int width_ = 0;
};

// The template of the lamps that have no picture of their own (the copy and recall buttons sit over
// unlit switch LEDs): the picture of the parameters' switches.
const dib::TMemoryDIB& switchPicture(const tmx1::TPluginEditorWindow& w) {
    for (const tmx1::ParameterControl& control : tmx1::kParameterControls)
        if (control.kind == tmx1::ControlKind::lamp) {
            const auto& lamp = dynamic_cast<const dib::TDIBImage&>(*w.FindComponent(control.control));
            return *w.DIBImageList1->DIBImages()->Items(lamp.IndexMain()->DIBIndex()).DIB();
        }
    throw std::logic_error("no parameter switch");
}

TEST_F(PanelAlignment, EachLampButtonAndSelectorFitsThePlateBestWhereTheLayoutPutsIt) {
    const tmx1::TPluginEditorWindow& w = window();
    const dib::TDIBContainer& container = *w.DIBContainer1;
    int checked = 0;
    for (int i = 0; i < container.ControlCount(); ++i) {
        const auto* lamp = dynamic_cast<const dib::TDIBImage*>(container.Controls(i));
        if (lamp == nullptr || lamp->BoundsRect() == container.BoundsRect())
            continue;
        SCOPED_TRACE(lamp->Name());
        const int index = lamp->IndexMain()->DIBIndex();
        const Overlay overlay = overlayOf(index >= 0 ? *images().Items(index).DIB() : switchPicture(w));
        const Offset fit = bestFit(overlay, lamp->Left(), lamp->Top());
        EXPECT_EQ(fit, (Offset{0, 0})) << "the art under " << lamp->Name() << " lies elsewhere";
        EXPECT_GT(matching(overlay, lamp->Left(), lamp->Top(), {0, 0}), 0);
        ++checked;
    }
    EXPECT_EQ(checked, 14) << "5 switches, 3 compare buttons, the OC LED and 5 release-type buttons";
}

TEST_F(PanelAlignment, EachMeterPictureFitsItsColumnOfThePlate) {
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups)
        for (const char* name : group.bars) {
            SCOPED_TRACE(name);
            const auto& bar = dynamic_cast<const toolkit::TImage&>(*window().FindComponent(name));
            const Overlay overlay = overlayOf(*bar.Picture()->Bitmap());
            EXPECT_EQ(bestFit(overlay, bar.Left(), bar.Top()), (Offset{0, 0}));
            // The plate's column under a cover is lit and the cover unlit, and the other way round under
            // a gain-reduction bar: only the gaps between the segments are the same.
            EXPECT_GT(matching(overlay, bar.Left(), bar.Top(), {0, 0}), overlay.height);
        }
}

TEST_F(PanelAlignment, EachKnobTurnsAboutTheMiddleOfItsArtBetweenItsCapAndItsScale) {
    tmx1::TPluginEditorWindow& w = window();
    for (const tmx1::ParameterControl& control : tmx1::kParameterControls) {
        if (control.kind != tmx1::ControlKind::knob)
            continue;
        SCOPED_TRACE(control.control);
        auto& knob = dynamic_cast<dib::TDIBDial&>(*w.FindComponent(control.control));
        // The dial turns its pointer about the whole-pixel middle of its rectangle.
        const double turnX = knob.Left() + knob.Width() / 2, turnY = knob.Top() + knob.Height() / 2;
        const double radius = knob.PointerRadius();

        const KnobArt art = knobArt(turnX, turnY, radius);
        EXPECT_NEAR(art.centreX, turnX, 0.5) << "the art's middle is off the pointer's";
        EXPECT_NEAR(art.centreY, turnY, 0.5) << "the art's middle is off the pointer's";

        const Overlay pointer = overlayOf(*images().Items(knob.IndexPointer()->DIBIndex()).DIB());
        w.Updating = true; // the sweep below is not a user's turn
        for (int position = knob.Min(); position <= knob.Max(); ++position) {
            knob.SetPosition(position);
            const dib::TDIBClipRect rect = knob.PointerRect();
            const double dotX = knob.Left() + rect.Left + pointer.width / 2.0;
            const double dotY = knob.Top() + rect.Top + pointer.height / 2.0;
            EXPECT_GT(std::hypot(dotX - art.centreX, dotY - art.centreY), art.capRadius)
                << "the pointer dot sits on the cap at position " << position;
            for (int y = 0; y < pointer.height; ++y)
                for (int x = 0; x < pointer.width; ++x) {
                    const double px = knob.Left() + rect.Left + x + 0.5, py = knob.Top() + rect.Top + y + 0.5;
                    if (pointer.Drawn(x, y)) {
                        ASSERT_LT(std::hypot(px - art.centreX, py - art.centreY), art.scaleReach)
                            << "the pointer dot runs into the scale at position " << position;
                    }
                }
        }
        w.Updating = false;
    }
}

TEST_F(PanelAlignment, ValueAndHoldLabelsStandOnFieldsOfTheirOwnColourWithTheirWidestTexts) {
    tmx1::TPluginEditorWindow& w = window();
    for (std::size_t index = 0; index < tmx1::kParameterControls.size(); ++index) {
        const tmx1::ParameterControl& control = tmx1::kParameterControls[index];
        if (control.valueLabel == nullptr)
            continue;
        const auto& label = dynamic_cast<const toolkit::TLabel&>(*w.FindComponent(control.valueLabel));
        for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
            w.UpdateEditBox(static_cast<std::uint16_t>(index), value);
            expectOnItsField(label);
        }
    }
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups) {
        auto& label = dynamic_cast<toolkit::TLabel&>(*w.FindComponent(group.holdLabel));
        for (const std::string& caption :
             {tmx1::MeterHoldCaption(-15.6f, -12.3f, '.'), tmx1::MeterHoldCaption(-100.0f, 150.0f, '.')}) {
            label.SetCaption(caption);
            expectOnItsField(label);
        }
    }
}

} // namespace
} // namespace editortest
