// The zoom between layout and device pixels, and the toolkit's drawing at a zoom: rectangles land on
// their device edges, text and pictures drawn for the zoom are placed, not scaled.
#include "toolkit/Canvas.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace toolkit;

TEST(Zoom, EveryLayoutPixelOwnsADeviceSpanThatTheMouseMapsBackTo) {
    for (int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        const TZoom zoom(percent);
        EXPECT_EQ(zoom.Device(0), 0);
        for (int v = -300; v <= 1200; ++v) {
            ASSERT_LT(zoom.Device(v), zoom.Device(v + 1)) << v;
            ASSERT_EQ(zoom.Layout(zoom.Device(v)), v) << v;
            // Every device pixel of the span maps back to v.
            for (int d = zoom.Device(v); d < zoom.Device(v + 1); ++d)
                ASSERT_EQ(zoom.Layout(d), v) << d;
            // The edge is the layout edge scaled, halves going up.
            ASSERT_EQ(zoom.Device(v), static_cast<int>(std::floor(v * percent / 100.0 + 0.5))) << v;
        }
    }
    EXPECT_EQ(TZoom(150).Device(570), 855);
    EXPECT_EQ(TZoom(150).Device(265), 398);
    EXPECT_EQ(TZoom(200).Device(265), 530);
    EXPECT_EQ(TZoom(0).Percent(), 100) << "no zoom is 100 %";
}

TEST(Zoom, TheLayoutCoverOfADeviceRectangleHoldsIt) {
    const TZoom zoom(150);
    for (int left = 0; left < 12; ++left)
        for (int right = left + 1; right < 14; ++right) {
            const platform::Rect device{left, 3, right, 7};
            const platform::Rect cover = zoom.LayoutCover(device);
            const platform::Rect back = zoom.Device(cover);
            ASSERT_LE(back.Left, device.Left);
            ASSERT_GE(back.Right, device.Right);
            ASSERT_LE(back.Top, device.Top);
            ASSERT_GE(back.Bottom, device.Bottom);
            // and no larger than it must be: one layout pixel less on either side would not hold it
            ASSERT_GT(zoom.Device(cover.Left + 1), device.Left);
            ASSERT_LT(zoom.Device(cover.Right - 1), device.Right);
        }
    EXPECT_TRUE(zoom.LayoutCover({}).Empty());
}

struct Surface {
    Surface(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(height - 1 - y) * width + x]; }
    TCanvas Canvas(int originX, int originY, TZoom zoom) {
        return TCanvas({pixels.data(), width, height}, originX, originY, {0, 0, width, height}, zoom);
    }
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

TEST(ZoomedCanvas, RectanglesLandOnTheirDeviceEdgesAndPicturesArePlacedUnscaled) {
    Surface surface(20, 20);
    TCanvas canvas = surface.Canvas(1, 1, TZoom(150));
    canvas.FillRect({0, 0, 2, 1}, 0x0000FF); // layout (1,1)-(3,2): device (2,2)-(5,3)
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool inside = x >= 2 && x < 5 && y == 2;
            EXPECT_EQ(surface.At(x, y) == 0xFFFF0000u, inside) << x << "," << y;
        }
    TPictureData picture{2, 2, true, {1, 2, 3, 4}}; // bottom row first
    canvas.DrawPicture(3, 3, picture);               // layout (4,4): device (6,6)
    EXPECT_EQ(surface.At(6, 6), 3u);
    EXPECT_EQ(surface.At(7, 7), 2u);
    EXPECT_EQ(surface.At(8, 8), 0u) << "drawn at its own size";
    // 20 device pixels are layout pixels 0..12 (the last one in part), seen from the origin at (1, 1).
    EXPECT_EQ(canvas.ClipRect(), (platform::Rect{-1, -1, 12, 12})) << "the layout pixels the surface touches";
}

TEST(ZoomedWidgets, TextFitsTheLabelsDevicePixelsAndPicturesAreTheZoomsOwn) {
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->Font()->SetName("Arial");
    label->Font()->SetHeight(-11);
    label->SetCaption("-oo -oo");
    label->SetColor(0x000000);
    label->Font()->SetColor(0xFFFFFF);
    ASSERT_NE(label->Font()->Face(TZoom(200)), nullptr);
    EXPECT_GT(label->Font()->Face(TZoom(200))->Measure("-oo -oo").height,
              label->Font()->Face()->Measure("-oo -oo").height)
        << "a zoomed face is larger";
    for (int percent : {150, 200}) {
        SCOPED_TRACE(percent);
        const TZoom zoom(percent);
        Surface surface(zoom.Device(label->Width()) + 10, zoom.Device(label->Height()) + 10);
        TCanvas canvas({surface.pixels.data(), surface.width, surface.height}, 0, 0,
                       {0, 0, surface.width, surface.height}, zoom);
        label->Paint(canvas);
        int ink = 0;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) {
                const bool inLabel = x < zoom.Device(label->Width()) && y < zoom.Device(label->Height());
                if (!inLabel)
                    ASSERT_EQ(surface.At(x, y), 0u) << "nothing outside the label's device pixels";
                else if ((surface.At(x, y) & 0xFF) > 0x80)
                    ++ink;
            }
        EXPECT_GT(ink, 20 * percent / 100) << "the caption is drawn";
        // All of it: the ink painted is the ink of the caption at the zoomed size, or a pixel or two
        // smaller where that would not fit, never a cut-off one.
        const int deviceWidth = zoom.Device(label->Width());
        const int size = zoom.Device(11);
        long long shown = 0;
        for (std::uint32_t pixel : surface.pixels)
            shown += pixel & 0xFF;
        bool matched = false;
        for (int pixels = size; pixels >= size - size / 8 && !matched; --pixels) {
            const platform::TextCoverage text = label->Font()->FaceOfSize(pixels)->Render("-oo -oo");
            long long total = 0;
            for (std::uint8_t alpha : text.alpha)
                total += alpha;
            matched = text.width <= deviceWidth && total == shown;
        }
        EXPECT_TRUE(matched) << "the caption is shown whole at a size that fits " << deviceWidth << " pixels";
    }

    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 4, 4);
    Surface surface(10, 10);
    {
        TCanvas canvas = surface.Canvas(0, 0, TZoom(200));
        image->Paint(canvas);
        EXPECT_EQ(surface.At(0, 0), 0u) << "no picture for the zoom: nothing rather than a small one";
    }
    image->SetZoomedPicture(200, TPictureData{8, 8, false, std::vector<std::uint32_t>(64, 0xFF00FF00u)});
    TCanvas canvas = surface.Canvas(0, 0, TZoom(200));
    image->Paint(canvas);
    EXPECT_EQ(surface.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(surface.At(7, 7), 0xFF00FF00u);
    EXPECT_EQ(surface.At(8, 8), 0u);
}

} // namespace
