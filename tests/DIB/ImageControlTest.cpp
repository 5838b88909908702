// The image control on a skinned panel: what it draws and where, how its settings bend one another, how
// it follows its image, how it is composed with its neighbours, and how a form stream restores it.
#include "DIB/cDIBImage.h"
#include "DIB/cDIBImageList.h"
#include "SkinnedPanelSupport.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/FormWriter.h"
#include "toolkit/Label.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace {

using namespace dibtest;
using dib::TDIBImage;
using PixelAt = std::function<std::uint32_t(int x, int y)>;

// Every pixel of this picture tells where it came from: red is its column, green its row.
std::uint32_t patternRgb(int x, int y) {
    return static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y) << 8 | 0xA5;
}
std::uint32_t patternPixel(int x, int y) { return 0xFF000000u | patternRgb(x, y); }

struct ImagePanel : SkinnedPanel {
    explicit ImagePanel(int width = 100, int height = 60)
        : SkinnedPanel(width, height), list(new dib::TDIBImageList(&form)) {}

    // A new entry of the list; returns its index.
    int AddImage(int w, int h, const PixelAt& pixel = patternPixel) {
        dib::TDIBImagesItem& item = list->DIBImages()->Add();
        Paint(*item.DIB(), w, h, pixel);
        return item.Index();
    }
    dib::TMemoryDIB& Entry(int index) const { return *list->DIBImages()->Items(index).DIB(); }
    // Gives an entry new pixels and tells its list, as an editor of the list would.
    void Repaint(int index, int w, int h, const PixelAt& pixel) {
        Paint(Entry(index), w, h, pixel);
        Entry(index).Changed();
    }
    TDIBImage* AddControl(platform::Rect bounds, int index = -1) {
        auto* image = new TDIBImage(&form);
        image->SetDIBImageList(list);
        image->IndexMain()->SetDIBIndex(index);
        image->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        return image;
    }
    void Click(int x, int y) {
        window->Press(x, y);
        window->Release(x, y);
    }

    // The first pixel of rect whose colour is not expected(x, y), described; empty when all match.
    std::string FirstMismatch(platform::Rect rect, const PixelAt& expected) const {
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                if (Pixel(x, y) != (expected(x, y) & 0xFFFFFF)) {
                    std::ostringstream text;
                    text << std::hex << "at " << std::dec << x << "," << y << std::hex << " the screen shows "
                         << Pixel(x, y) << " instead of " << (expected(x, y) & 0xFFFFFF);
                    return text.str();
                }
        return {};
    }
    platform::Rect Whole() const { return {0, 0, container->Width(), container->Height()}; }

    dib::TDIBImageList* list;

  private:
    static void Paint(dib::TMemoryDIB& image, int w, int h, const PixelAt& pixel) {
        image.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.SetPixel(x, y, pixel(x, y));
    }
};

PixelAt panelEverywhere() {
    return [](int, int) { return panelRgb; };
}

// What a container of the panel's colour shows when the entry, set up by configure, is drawn at
// control's position and clipped to it: the reference the screen is held against.
std::unique_ptr<dib::TMemoryDIB> expectedScreen(const ImagePanel& panel, int index, const TDIBImage& control,
                                                const std::function<void(dib::TMemoryDIB&)>& configure) {
    auto screen = std::make_unique<dib::TMemoryDIB>(panel.container->Width(), panel.container->Height());
    screen->Fill(panelColor);
    screen->SetClipRect({control.Left(), control.Top(), control.Left() + control.Width() - 1,
                         control.Top() + control.Height() - 1});
    dib::TMemoryDIB picture;
    picture.Assign(panel.Entry(index));
    configure(picture);
    picture.Draw(control.Left(), control.Top(), *screen);
    return screen;
}

PixelAt pixelsOf(const dib::TMemoryDIB& image) {
    return [&image](int x, int y) { return image.Pixel(x, y); };
}

// ---- what is drawn, and where

TEST(ImageControlPicture, WithoutAnImageNothingIsDrawnButTheWholeRectangleTakesClicks) {
    ImagePanel panel;
    // Artwork beneath, drawn first, so the list's view still shows it when the click area paints.
    panel.AddControl(panel.Whole(), panel.AddImage(100, 60));
    TDIBImage* area = panel.AddControl({10, 10, 30, 25});
    int clicks = 0;
    area->OnClick = [&](toolkit::TPersistent* sender) { clicks += sender == area; };
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), patternRgb), "");
    panel.Click(10, 10);
    panel.Click(29, 24);
    EXPECT_EQ(clicks, 2) << "both corners of the rectangle are the control's";
    panel.Click(30, 24);
    panel.Click(29, 25);
    EXPECT_EQ(clicks, 2) << "just outside is not";
}

TEST(ImageControlPicture, AHiddenLampStillTakesClicks) {
    ImagePanel panel;
    TDIBImage* lamp = panel.AddControl({40, 20, 53, 33}, panel.AddImage(13, 13));
    lamp->SetOpacity(0);
    int clicks = 0;
    lamp->OnClick = [&](toolkit::TPersistent*) { ++clicks; };
    panel.Click(46, 26);
    EXPECT_EQ(clicks, 1);
}

TEST(ImageControlPicture, ALargerImageIsClippedToTheControlFromItsTopLeft) {
    ImagePanel panel;
    panel.AddControl({5, 5, 25, 15}, panel.AddImage(40, 30));
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch({5, 5, 25, 15}, [](int x, int y) { return patternRgb(x - 5, y - 5); }), "");
    EXPECT_EQ(panel.FirstMismatch({25, 0, 100, 60}, panelEverywhere()), "") << "nothing right of the control";
    EXPECT_EQ(panel.FirstMismatch({0, 15, 25, 60}, panelEverywhere()), "") << "nothing below it";
}

TEST(ImageControlPicture, CenterPutsASmallImageInTheMiddle) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({20, 10, 50, 30}, panel.AddImage(10, 10));
    image->SetCenter(true);
    panel.window->Idle();
    // (30 div 2 - 10 div 2, 20 div 2 - 10 div 2) = (10, 5) inside the control.
    EXPECT_EQ(panel.FirstMismatch({30, 15, 40, 25}, [](int x, int y) { return patternRgb(x - 30, y - 15); }),
              "");
    EXPECT_EQ(panel.Pixel(29, 15), panelRgb);
    EXPECT_EQ(panel.Pixel(40, 24), panelRgb);
    EXPECT_EQ(panel.Pixel(30, 14), panelRgb);
    EXPECT_EQ(panel.Pixel(39, 25), panelRgb);
}

TEST(ImageControlPicture, CenterShowsTheMiddleOfALargerImage) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({5, 5, 25, 15}, panel.AddImage(40, 30));
    image->SetCenter(true);
    panel.window->Idle();
    // Drawn at (10 - 20, 5 - 15): the control's top-left shows the picture's (10, 10).
    EXPECT_EQ(panel.FirstMismatch({5, 5, 25, 15}, [](int x, int y) { return patternRgb(x + 5, y + 5); }), "");
}

TEST(ImageControlPicture, StretchScalesEachDirectionByControlOverImageInWholePercent) {
    ImagePanel panel;
    const int index = panel.AddImage(30, 10);
    TDIBImage* image = panel.AddControl({10, 10, 70, 25}, index);
    image->SetStretch(true);
    panel.window->Idle();
    const auto expected = expectedScreen(panel, index, *image, [](dib::TMemoryDIB& picture) {
        picture.SetAutoSize(true);
        picture.SetScaleX(200);
        picture.SetScaleY(150);
    });
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), pixelsOf(*expected)), "");
    const auto square = expectedScreen(panel, index, *image, [](dib::TMemoryDIB& picture) {
        picture.SetAutoSize(true);
        picture.SetScale(200);
    });
    EXPECT_NE(panel.FirstMismatch(panel.Whole(), pixelsOf(*square)), "")
        << "the check tells the two scales apart";
    EXPECT_EQ(panel.Entry(index).ScaleX(), 100) << "the entry keeps its own settings";
    EXPECT_EQ(panel.Entry(index).ScaleY(), 100);
}

TEST(ImageControlPicture, AngleAndScaleTurnAndShrinkThePicture) {
    ImagePanel panel;
    const int index = panel.AddImage(30, 10);
    TDIBImage* image = panel.AddControl({10, 10, 60, 50}, index);
    image->SetAngle(90);
    image->SetScale(80);
    panel.window->Idle();
    const auto expected = expectedScreen(panel, index, *image, [](dib::TMemoryDIB& picture) {
        picture.SetAutoSize(true);
        picture.SetAngle(90);
        picture.SetScale(80);
    });
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), pixelsOf(*expected)), "");
    EXPECT_EQ(panel.Pixel(25, 12), panelRgb)
        << "turned upright, the picture no longer reaches out to the right";
}

TEST(ImageControlPicture, APartlyOutsideControlIsAlignedByItsOwnColumns) {
    ImagePanel panel;
    panel.AddControl({-5, 3, 15, 13}, panel.AddImage(20, 10));
    panel.window->Idle();
    // Container column 0 shows the control's column 5.
    EXPECT_EQ(panel.FirstMismatch({0, 3, 15, 13}, [](int x, int y) { return patternRgb(x + 5, y - 3); }), "");
    EXPECT_EQ(panel.Pixel(15, 3), panelRgb);
    EXPECT_EQ(panel.Pixel(0, 13), panelRgb);
}

// ---- a lamp over the artwork

TEST(ImageControlLamp, OpacityZeroLeavesTheArtworkExactlyAndFullOpacityShowsTheLampExactly) {
    ImagePanel panel;
    panel.AddControl(panel.Whole(), panel.AddImage(100, 60));
    // A lit dot on a field of black, the key colour.
    const auto dot = [](int x, int y) { return (x - 6) * (x - 6) + (y - 6) * (y - 6) <= 16; };
    const int lampIndex =
        panel.AddImage(13, 13, [&](int x, int y) { return dot(x, y) ? 0xFFFF2010u : 0xFF000000u; });
    dib::TMemoryDIB& entry = panel.Entry(lampIndex);
    entry.SetTransparentMode(dib::tmFixed);
    entry.SetTransparentColor(0);
    entry.SetTransparent(true);
    TDIBImage* lamp = panel.AddControl({40, 20, 53, 33}, lampIndex);
    lamp->SetOpacity(0);
    panel.window->Idle();
    const PixelAt artwork = [](int x, int y) { return patternRgb(x, y); };
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), artwork), "");

    lamp->SetOpacity(255);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{40, 20, 53, 33}))
        << "switching it repaints the lamp";
    panel.window->Idle();
    const PixelAt lit = [&](int x, int y) {
        return platform::Rect{40, 20, 53, 33}.Contains(x, y) && dot(x - 40, y - 20) ? 0xFF2010u
                                                                                    : patternRgb(x, y);
    };
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), lit), "");

    lamp->SetOpacity(0);
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), artwork), "") << "switched off again";
}

// ---- settings that bend one another

TEST(ImageControlSettings, ScaleTurnsStretchOffAndStretchTurnsAutoSizeOff) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({0, 0, 40, 40}, panel.AddImage(10, 10));
    EXPECT_FALSE(image->AutoSize());
    image->SetStretch(true);
    image->SetScale(50);
    EXPECT_FALSE(image->Stretch());
    EXPECT_EQ(image->Scale(), 50);
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 6) << "10 at 50 % is 5, made even";
    image->SetStretch(true);
    EXPECT_FALSE(image->AutoSize());
    image->SetStretch(false);
    EXPECT_FALSE(image->AutoSize()) << "turning Stretch off does not bring AutoSize back";
}

TEST(ImageControlSettings, AngleIsKeptWithinOneTurn) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({0, 0, 40, 40});
    image->SetAngle(450);
    EXPECT_EQ(image->Angle(), 90);
    image->SetAngle(360);
    EXPECT_EQ(image->Angle(), 0);
    image->SetAngle(-90);
    EXPECT_EQ(image->Angle(), 270);
}

TEST(ImageControlSettings, AutoSizeFollowsTheTurnedAndScaledPicture) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({5, 5, 50, 50}, panel.AddImage(30, 10));
    image->SetAutoSize(true);
    EXPECT_EQ(image->BoundsRect(), (platform::Rect{5, 5, 35, 15}));
    image->SetAngle(90);
    EXPECT_EQ(image->Width(), 10);
    EXPECT_EQ(image->Height(), 30);
    image->SetScale(50);
    // 15 × 5 turned upright: 5 wide and 15 high, each made even.
    EXPECT_EQ(image->Width(), 6);
    EXPECT_EQ(image->Height(), 16);
    image->SetScale(100);
    image->SetAngle(45);
    // (30 + 10) × cos 45° = 28.3, rounded up to 29 and made even.
    EXPECT_EQ(image->Width(), 30);
    EXPECT_EQ(image->Height(), 30);
    image->SetBounds(7, 8, 80, 80);
    EXPECT_EQ(image->BoundsRect(), (platform::Rect{7, 8, 37, 38})) << "a new size gives way to the picture's";
}

TEST(ImageControlSettings, AutoSizeLeavesTheSizeAloneWithoutAnImage) {
    ImagePanel panel;
    panel.AddImage(30, 10);
    TDIBImage* image = panel.AddControl({0, 0, 13, 13});
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 13);
    image->IndexMain()->SetDIBIndex(7);
    EXPECT_EQ(image->Width(), 13) << "an index past the list's end";
    image->IndexMain()->SetDIBIndex(0);
    EXPECT_EQ(image->Width(), 30);
}

TEST(ImageControlSettings, AShrinkingAutoSizedControlClearsWhatItLeaves) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({10, 10, 20, 20}, panel.AddImage(10, 10));
    image->SetAutoSize(true);
    image->SetScale(300);
    panel.window->Idle();
    EXPECT_EQ(image->BoundsRect(), (platform::Rect{10, 10, 40, 40}));
    EXPECT_NE(panel.Pixel(39, 39), panelRgb);
    image->SetScale(100);
    panel.window->Idle();
    EXPECT_EQ(image->BoundsRect(), (platform::Rect{10, 10, 20, 20}));
    EXPECT_EQ(panel.FirstMismatch({10, 10, 20, 20}, [](int x, int y) { return patternRgb(x - 10, y - 10); }),
              "");
    EXPECT_EQ(panel.FirstMismatch({20, 10, 40, 40}, panelEverywhere()), "");
    EXPECT_EQ(panel.FirstMismatch({10, 20, 20, 40}, panelEverywhere()), "");
}

TEST(ImageControlSettings, EachLookSettingRepaintsTheControl) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({10, 10, 40, 30}, panel.AddImage(10, 10));
    panel.window->Idle();
    const platform::Rect bounds{10, 10, 40, 30};
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"Angle", [&] { image->SetAngle(30); }},       {"Scale", [&] { image->SetScale(70); }},
        {"Stretch", [&] { image->SetStretch(true); }}, {"Center", [&] { image->SetCenter(true); }},
        {"Opacity", [&] { image->SetOpacity(9); }},
    };
    for (const auto& [name, change] : changes) {
        change();
        EXPECT_EQ(panel.window->InvalidRect(), bounds) << name;
        panel.window->Idle();
    }
}

// ---- following the image

TEST(ImageControlImageChanges, ANewPictureIsShownAndResizesAnAutoSizedControl) {
    ImagePanel panel;
    const int index = panel.AddImage(10, 10);
    TDIBImage* sized = panel.AddControl({0, 0, 10, 10}, index);
    sized->SetAutoSize(true);
    TDIBImage* fixed = panel.AddControl({50, 0, 80, 30}, index);
    panel.window->Idle();

    panel.Repaint(index, 20, 12, [](int, int) { return 0xFF3366CCu; });
    EXPECT_EQ(sized->BoundsRect(), (platform::Rect{0, 0, 20, 12}));
    EXPECT_EQ(fixed->BoundsRect(), (platform::Rect{50, 0, 80, 30}));
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch({0, 0, 20, 12}, [](int, int) { return 0x3366CCu; }), "");
    EXPECT_EQ(panel.FirstMismatch({50, 0, 70, 12}, [](int, int) { return 0x3366CCu; }), "");

    panel.Repaint(index, 20, 12, [](int, int) { return 0xFF11AA44u; });
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(19, 11), 0x11AA44u) << "same size: the auto-sized control repaints all the same";
    EXPECT_EQ(panel.Pixel(69, 11), 0x11AA44u);
}

TEST(ImageControlImageChanges, ChoosingAnotherEntryShowsIt) {
    ImagePanel panel;
    panel.AddImage(10, 10);
    const int other = panel.AddImage(10, 10, [](int, int) { return 0xFF00FF00u; });
    TDIBImage* image = panel.AddControl({10, 10, 20, 20}, 0);
    panel.window->Idle();
    image->IndexMain()->SetDIBIndex(other);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 20, 20}));
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch({10, 10, 20, 20}, [](int, int) { return 0x00FF00u; }), "");
    image->IndexMain()->SetDIBIndex(-1);
    panel.window->Idle();
    EXPECT_EQ(panel.FirstMismatch(panel.Whole(), panelEverywhere()), "");
}

// ---- composed with its neighbours

TEST(ImageControlComposition, ALaterControlStaysOnTopWhenOnlyTheLowerOneRepaints) {
    ImagePanel panel;
    const int lowerIndex = panel.AddImage(20, 20, [](int, int) { return 0xFFFF0000u; });
    const int upperIndex = panel.AddImage(20, 20, [](int, int) { return 0xFF0000FFu; });
    panel.AddControl({10, 10, 30, 30}, lowerIndex);
    panel.AddControl({20, 20, 40, 40}, upperIndex);
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(25, 25), 0x0000FFu);

    panel.Repaint(lowerIndex, 20, 20, [](int, int) { return 0xFF00FF00u; });
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 30, 30}))
        << "only the lower one is invalid";
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(15, 15), 0x00FF00u) << "the lower one repainted";
    EXPECT_EQ(panel.FirstMismatch({20, 20, 30, 30}, [](int, int) { return 0x0000FFu; }), "")
        << "the upper one is composed over it again where they meet";
}

TEST(ImageControlComposition, ALabelAfterTheImageDrawsOverItAndOneBeforeItIsCovered) {
    ImagePanel panel;
    const int index = panel.AddImage(100, 60);
    const auto addLabel = [&](int left, int top) {
        auto* label = new toolkit::TLabel(&panel.form);
        label->SetParent(panel.container);
        label->Font()->SetName("Arial");
        label->Font()->SetHeight(-11);
        label->Font()->SetColor(toolkit::clWhite);
        label->SetColor(0x111111);
        label->SetBounds(left, top, 30, 14);
        label->SetCaption("-12.50");
        return label;
    };
    toolkit::TLabel* below = addLabel(10, 40);
    panel.AddControl(panel.Whole(), index);
    toolkit::TLabel* above = addLabel(10, 10);
    panel.window->Idle();

    const platform::Rect over = above->BoundsRect();
    ASSERT_FALSE(over.Empty());
    int background = 0;
    for (int y = over.Top; y < over.Bottom; ++y)
        for (int x = over.Left; x < over.Right; ++x) {
            ASSERT_NE(panel.Pixel(x, y), patternRgb(x, y))
                << "the picture shows through the label at " << x << "," << y;
            background += panel.Pixel(x, y) == 0x111111u;
        }
    EXPECT_GT(background, over.Width() * over.Height() / 2);
    EXPECT_EQ(panel.FirstMismatch(below->BoundsRect(), [](int x, int y) { return patternRgb(x, y); }), "")
        << "a label earlier in the child order lies under the picture";
}

// ---- published

TEST(ImageControlPublishing, TheLookIsTheTemplateAndEverySettingIsPublished) {
    ImagePanel panel;
    TDIBImage* image = panel.AddControl({0, 0, 10, 10});
    EXPECT_EQ(image->TemplateProperties(),
              (std::vector<std::string>{"Width", "Height", "Angle", "AutoSize", "Center", "Opacity", "Scale",
                                        "Stretch"}));
    for (const char* name : {"IndexMain", "Angle", "Scale", "Stretch", "Center", "AutoSize", "Opacity",
                             "DIBImageList", "DIBTabOrder", "OnClick", "Visible", "Enabled", "OnPaintStart",
                             "Children", "DIBFeatures", "Accelerator"})
        EXPECT_NE(image->PublishedProperties().Find(name), nullptr) << name;
}

const char* const lampForm = R"(object Form: TForm
  object Panel: TDIBContainer
    Width = 100
    Height = 60
    object Lamp: TDIBImage
      Left = 5
      Top = 6
      Width = 13
      Height = 13
      DIBImageList = Images
      Opacity = 0
      IndexMain.DIBImageList = Images
      IndexMain.DIBIndex = 0
      Angle = 90
      Scale = 150.0
      Center = True
      AutoSize = True
    end
  end
  object Images: TDIBImageList
    DIBImages = <
      item
        DIB.Height = 2
        DIB.Width = 4
        DIB.Data = {
          04000200000000FF000000FF000000FF000000FF000000FF000000FF000000FF000000FF
        }
      end>
  end
end
)";

toolkit::TClassRegistry lampClasses() {
    toolkit::TClassRegistry registry;
    registry.Register<dib::TDIBContainer>("TDIBContainer");
    dib::RegisterDIBImageListClasses(registry);
    dib::RegisterDIBImageClasses(registry);
    return registry;
}

TEST(ImageControlPublishing, AFormStreamRestoresTheLookAndSizesTheControlOnceLoaded) {
    toolkit::TForm form(nullptr);
    toolkit::TReader(toolkit::CompileFormText(lampForm, {}), lampClasses()).ReadRootComponent(form);
    auto* lamp = dynamic_cast<TDIBImage*>(form.FindComponent("Lamp"));
    auto* list = dynamic_cast<dib::TDIBImageList*>(form.FindComponent("Images"));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->IndexMain()->DIBImageList(), list);
    EXPECT_EQ(lamp->IndexMain()->DIBIndex(), 0);
    EXPECT_EQ(lamp->Angle(), 90);
    EXPECT_EQ(lamp->Scale(), 150);
    EXPECT_TRUE(lamp->Center());
    EXPECT_TRUE(lamp->AutoSize());
    EXPECT_FALSE(lamp->Stretch());
    EXPECT_EQ(lamp->Opacity(), 0);
    // Sized once loaded: the 4 × 2 picture at 150 % is 6 × 3, turned upright 3 × 6, made even 4 × 6.
    EXPECT_EQ(lamp->BoundsRect(), (platform::Rect{5, 6, 9, 12}));
}

TEST(ImageControlPublishing, AWriterStoresTheLookButNotItsDefaults) {
    toolkit::TForm form(nullptr);
    toolkit::TReader(toolkit::CompileFormText(lampForm, {}), lampClasses()).ReadRootComponent(form);
    toolkit::TWriter writer;
    writer.WriteRootComponent(form);
    const std::string text = toolkit::DecompileForm(writer.Take());
    for (const char* line : {"IndexMain.DIBImageList = Images", "IndexMain.DIBIndex = 0", "Angle = 90",
                             "Scale = 150.0", "Center = True", "AutoSize = True", "Opacity = 0"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " is missing from\n" << text;
    EXPECT_EQ(text.find("Stretch"), std::string::npos) << "Stretch is False, its default";
}

} // namespace
