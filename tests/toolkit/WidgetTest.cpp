// The toolkit's widgets: labels sized to their text and painted opaque, picture widgets clipped to
// their size, pictures stored in forms, and the form routing the mouse to the control under it.
#include "platform/headless/Screen.h"
#include "toolkit/Canvas.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/Form.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/StandardControls.h"
#include "toolkit/WinControl.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace toolkit;

// A surface to paint into, filled with one pixel value; pixels read back from the top-left.
struct Surface {
    Surface(int w, int h, std::uint32_t fill)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    TCanvas CanvasAt(int x, int y, platform::Rect clip) {
        return TCanvas({pixels.data(), width, height}, x, y, clip);
    }
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(height - 1 - y) * width + x];
    }
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

// A window-less form for controls that only need a parent.
struct Parent {
    TForm form{nullptr};
};

TEST(Labels, SizeToTheirTextAndGrowToTheRight) {
    Parent parent;
    auto* label = new TLabel(&parent.form);
    label->SetParent(&parent.form);
    label->Font()->SetName("Arial");
    label->Font()->SetHeight(-11);
    label->SetBounds(154, 142, 4, 14);
    label->SetCaption("-");
    const int dashWidth = label->Width();
    const int height = label->Height();
    EXPECT_GT(dashWidth, 0);
    EXPECT_GT(height, 8);
    label->SetCaption("-12.50");
    EXPECT_GT(label->Width(), dashWidth);
    EXPECT_EQ(label->Height(), height);
    EXPECT_EQ(label->Left(), 154);
    EXPECT_EQ(label->Top(), 142);
    label->Font()->SetHeight(-9);
    EXPECT_LT(label->Height(), height) << "a smaller font makes a lower label";
    label->SetAutoSize(false);
    label->SetCaption("-12.50 dB and more");
    EXPECT_LT(label->Width(), 200) << "without AutoSize the size stays";
}

TEST(Labels, PaintAnOpaqueBackgroundWithTheTextInItsColour) {
    Parent parent;
    auto* label = new TLabel(&parent.form);
    label->Font()->SetName("Arial");
    label->Font()->SetHeight(-11);
    label->Font()->SetColor(clWhite);
    label->SetColor(0x111111);
    label->SetCaption("Comp");
    Surface surface(label->Width() + 10, label->Height() + 10, 0xFF0000FFu);
    TCanvas canvas = surface.CanvasAt(5, 5, {5, 5, 5 + label->Width(), 5 + label->Height()});
    label->Paint(canvas);
    int ink = 0;
    int background = 0;
    for (int y = 5; y < 5 + label->Height(); ++y)
        for (int x = 5; x < 5 + label->Width(); ++x) {
            const std::uint32_t rgb = surface.At(x, y) & 0xFFFFFF;
            ink += (rgb >> 16) > 0xC0 && (rgb & 0xFF) > 0xC0;
            background += rgb == 0x111111;
            ASSERT_NE(rgb, 0x0000FFu) << "the background is opaque at " << x << "," << y;
        }
    EXPECT_GT(ink, 5);
    EXPECT_GT(background, ink);
    EXPECT_EQ(surface.At(4, 4) & 0xFFFFFF, 0x0000FFu) << "nothing outside the label";
    EXPECT_EQ(surface.At(5 + label->Width(), 5) & 0xFFFFFF, 0x0000FFu);
}

TEST(PictureWidgets, DrawUnscaledFromTheTopAndClipToTheirHeight) {
    Parent parent;
    auto* meter = new TImage(&parent.form);
    TPictureData column;
    column.width = 2;
    column.height = 4;
    column.pixels = {0xFF000004, 0xFF000004, 0xFF000003, 0xFF000003,  // bottom row first
                     0xFF000002, 0xFF000002, 0xFF000001, 0xFF000001}; // top row last
    meter->Picture()->Bitmap()->SetData(column);
    meter->SetBounds(0, 0, 2, 2);
    Surface surface(2, 4, 0xFF000000u);
    TCanvas canvas = surface.CanvasAt(0, 0, {0, 0, 2, 2});
    meter->Paint(canvas);
    EXPECT_EQ(surface.At(0, 0) & 0xFF, 1u) << "the picture's top row at the top";
    EXPECT_EQ(surface.At(1, 1) & 0xFF, 2u);
    EXPECT_EQ(surface.At(0, 2) & 0xFF, 0u) << "clipped to the widget's height";
}

TEST(PictureWidgets, PictureDataSurvivesAFormAndDamagedDataIsRefused) {
    TPicture picture;
    TPictureData data;
    data.width = 10;
    data.height = 120;
    data.pixels.assign(1200, 0xFF123456);
    picture.Bitmap()->SetData(data);
    const auto stored = picture.WriteData();
    EXPECT_EQ(stored.size(), 1u + 7 + 4 + 3894) << "class name, byte count and a 24-bit bitmap file";
    TPicture copy;
    copy.ReadData(stored);
    EXPECT_EQ(copy.Bitmap()->Width(), 10);
    EXPECT_EQ(copy.Bitmap()->Data().pixels, data.pixels);

    auto wrongClass = stored;
    wrongClass[1] = 'X';
    EXPECT_THROW(copy.ReadData(wrongClass), EPictureError);
    auto shortCount = stored;
    shortCount[8] ^= 1;
    EXPECT_THROW(copy.ReadData(shortCount), EPictureError);
    EXPECT_THROW(copy.ReadData(std::span(stored).first(10)), EPictureError);
}

TEST(FormRouting, ClicksReachTheTopmostControlAndTheHandCursorShowsOverHotspots) {
    platform::headless::Screen screen;
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 50);
    auto* lower = new TImage(&form);
    lower->SetParent(&form);
    lower->SetBounds(0, 0, 60, 50);
    auto* hotspot = new TImage(&form);
    hotspot->SetParent(&form);
    hotspot->SetBounds(40, 10, 40, 30);
    hotspot->SetCursor(crHandPoint);
    form.CreateWindow(platform::ParentWindow::Headless(screen));
    auto& window = screen.LastWindow();
    std::vector<std::string> clicks;
    lower->OnClick = [&](TPersistent*) { clicks.push_back("lower"); };
    hotspot->OnClick = [&](TPersistent*) { clicks.push_back("hotspot"); };
    window.Move(50, 20);
    EXPECT_EQ(window.CurrentCursor(), platform::Cursor::HandPoint);
    window.Press(50, 20);
    window.Release(50, 20);
    window.Press(10, 20);
    window.Release(10, 20);
    EXPECT_EQ(window.CurrentCursor(), platform::Cursor::Arrow);
    hotspot->SetEnabled(false);
    window.Press(50, 20);
    window.Release(50, 20);
    EXPECT_EQ(clicks, (std::vector<std::string>{"hotspot", "lower", "lower"}))
        << "a disabled control is passed over";
}

TEST(FormRouting, AFormWithoutParentWindowIsRefusedAndAVanishedWindowIsHarmless) {
    TForm form(nullptr);
    EXPECT_THROW(form.CreateWindow(platform::ParentWindow::Native(nullptr)), platform::WindowError);
    EXPECT_EQ(form.Window(), nullptr);
    {
        platform::headless::Screen screen;
        form.CreateWindow(platform::ParentWindow::Headless(screen));
    }
    // The screen took the window with it; the form may still be asked to repaint.
    ASSERT_NE(form.Window(), nullptr);
    form.InvalidateRect({0, 0, 10, 10});
    form.Window()->Idle();
    form.DestroyWindow();
    EXPECT_EQ(form.Window(), nullptr);
}

TEST(FormRouting, ControlsAreReadFromAFormByClassName) {
    TClassRegistry classes;
    RegisterStandardControls(classes);
    const auto stream = CompileFormText(R"(object Form: TForm
  ClientWidth = 200
  ClientHeight = 100
  object Value: TLabel
    Left = 20
    Top = 30
    Width = 4
    Height = 14
    Caption = '-12.50'
    Color = 1118481
    Font.Color = clInfoBk
    Font.Height = -11
    Font.Name = 'Arial'
    ParentFont = False
  end
  object About: TImage
    Left = 150
    Top = 10
    Width = 40
    Height = 40
    Cursor = crHandPoint
  end
end
)",
                                        {});
    TForm form(nullptr);
    TReader reader(stream, classes);
    reader.ReadRootComponent(form);
    ASSERT_EQ(form.ControlCount(), 2);
    auto* label = dynamic_cast<TLabel*>(form.Controls(0));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "-12.50");
    EXPECT_EQ(label->Font()->Color(), clInfoBk);
    EXPECT_GT(label->Width(), 20) << "sized to its text once loaded";
    EXPECT_EQ(form.Controls(1)->Cursor(), crHandPoint);
    EXPECT_EQ(form.Width(), 200);
}

} // namespace
