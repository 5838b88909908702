// The paint cycle of a panel laid out like the editor's: a 570 × 265 container in a headless window
// with a full-size background image, four knobs, twenty 13 × 13 lamps with colour-keyed images and eight
// value labels. Targets: a full paint at most 1 ms; repainting one lamp's rectangle at most 20 µs. They
// are printed after the table, judged from the mean time per iteration, never asserted.
#include "bench/LimitReport.h"
#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "platform/headless/Screen.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int panelWidth = 570;
constexpr int panelHeight = 265;
constexpr double fullPaintLimitUs = 1000;
constexpr double smallPaintLimitUs = 20;

// The image list's entries, in the editor's order where it has them.
enum Entry { pointerEntry, knobEntry, chassisEntry, lampEntry };

constexpr std::uint32_t opaque = 0xFF000000u;

void paintEntry(dib::TDIBImageList& list, int w, int h, const std::function<std::uint32_t(int, int)>& pixel,
                const dib::TColor* key) {
    dib::TMemoryDIB& image = *list.DIBImages()->Add().DIB();
    image.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetPixel(x, y, pixel(x, y));
    if (key != nullptr) {
        image.SetTransparentMode(dib::tmFixed);
        image.SetTransparentColor(*key);
        image.SetTransparent(true);
    }
    image.Changed();
}

bool insideCircle(int x, int y, int centre, int radius) {
    return (x - centre) * (x - centre) + (y - centre) * (y - centre) <= radius * radius;
}

// The editor's panel, built in code.
struct Panel {
    Panel() {
        form.SetBounds(0, 0, panelWidth, panelHeight);
        container = new dib::TDIBContainer(&form);
        container->SetParent(&form);
        container->SetBounds(0, 0, panelWidth, panelHeight);
        list = new dib::TDIBImageList(&form);
        const dib::TColor grey = 0x666666;
        const dib::TColor black = 0;
        paintEntry(
            *list, 10, 10,
            [](int x, int y) { return insideCircle(x, y, 5, 3) ? opaque | 0xE0E0E0 : opaque | 0x666666; },
            &grey);
        paintEntry(
            *list, 49, 49, [](int, int) { return opaque; }, &black);
        paintEntry(
            *list, panelWidth, panelHeight,
            [](int x, int y) { return opaque | static_cast<std::uint32_t>(x * 7 ^ y * 13) % 0x1000000; },
            nullptr);
        paintEntry(
            *list, 13, 13, [](int x, int y) { return insideCircle(x, y, 6, 4) ? opaque | 0xFF2010 : opaque; },
            &black);

        AddImage(0, 0, panelWidth, panelHeight, chassisEntry);
        for (const auto& [left, top] : {std::pair{264, 179}, {144, 79}, {144, 179}, {264, 79}})
            AddKnob(left, top);
        for (int i = 0; i < 20; ++i) {
            dib::TDIBImage* lamp = AddImage(18 + 30 * (i % 10), 60 + 100 * (i / 10), 13, 13, lampEntry);
            lamp->SetOpacity(i % 2 == 0 ? 255 : 0);
            lamps.push_back(lamp);
        }
        for (const auto& [left, top] : {std::pair{154, 142},
                                        {274, 142},
                                        {154, 242},
                                        {274, 242},
                                        {400, 77},
                                        {430, 77},
                                        {470, 77},
                                        {500, 77}})
            AddLabel(left, top);

        form.CreateWindow(platform::ParentWindow::Headless(screen));
        window = &screen.LastWindow();
        window->Idle();
    }

    dib::TDIBImage* AddImage(int left, int top, int width, int height, int entry) {
        auto* image = new dib::TDIBImage(&form);
        image->SetDIBImageList(list);
        image->IndexMain()->SetDIBIndex(entry);
        image->SetBounds(left, top, width, height);
        return image;
    }

    void AddKnob(int left, int top) {
        auto* knob = new dib::TDIBDial(&form);
        knob->SetDIBImageList(list);
        knob->IndexMain()->SetDIBIndex(knobEntry);
        knob->IndexPointer()->SetDIBIndex(pointerEntry);
        knob->SetPointerRadius(20);
        knob->PointerAngles()->SetStart(210);
        knob->PointerAngles()->SetRange(300);
        knob->SetBounds(left, top, 49, 49);
        knob->SetAutoSize(true);
        knob->SetPosition(37);
    }

    void AddLabel(int left, int top) {
        auto* label = new toolkit::TLabel(&form);
        label->SetParent(container);
        label->Font()->SetName("Arial");
        label->Font()->SetHeight(-11);
        label->Font()->SetColor(toolkit::clInfoBk);
        label->SetColor(0x111111);
        label->SetBounds(left, top, 4, 14);
        label->SetCaption("-12.50");
    }

    platform::headless::Screen screen;
    toolkit::TForm form{nullptr};
    dib::TDIBContainer* container = nullptr;
    dib::TDIBImageList* list = nullptr;
    std::vector<dib::TDIBImage*> lamps;
    platform::headless::HeadlessWindow* window = nullptr;
};

Panel& panel() {
    static Panel built;
    return built;
}

void BM_FullPaint(benchmark::State& state) {
    Panel& p = panel();
    for (auto _ : state) {
        p.container->Invalidate();
        p.window->Idle();
    }
    benchmark::DoNotOptimize(p.window->ScreenPixel(0, 0));
}

void BM_LampPaint(benchmark::State& state) {
    Panel& p = panel();
    dib::TDIBImage& lamp = *p.lamps.front();
    for (auto _ : state) {
        lamp.Invalidate();
        p.window->Idle();
    }
    benchmark::DoNotOptimize(p.window->ScreenPixel(lamp.Left(), lamp.Top()));
}

// The console table, then each target with the time it was judged by.
} // namespace

BENCHMARK(BM_FullPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LampPaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::LimitReport report("Targets (mean real time per paint)",
                              {{"BM_FullPaint", "full paint of 570 x 265", fullPaintLimitUs},
                               {"BM_LampPaint", "one 13 x 13 lamp's rectangle", smallPaintLimitUs}});
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
