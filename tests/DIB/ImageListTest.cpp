// The image list: "Data" in its plain and wrapped forms, lookups through links, the link notices, and
// file-based retrieval.
#include "DIB/cDIBImageList.h"
#include "tests/DIB/DIBTestSupport.h"
#include "toolkit/PictureFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

using namespace dib;
using dibtest::bgra;

std::vector<std::uint8_t> plainData(int w, int h, std::uint32_t firstPixel = 0) {
    std::vector<std::uint8_t> data = {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                                      static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8)};
    for (int i = 0; i < w * h; ++i) {
        const std::uint32_t p = i == 0 ? firstPixel : static_cast<std::uint32_t>(i) * 0x01020304u;
        for (int k = 0; k < 4; ++k)
            data.push_back(static_cast<std::uint8_t>(p >> (8 * k)));
    }
    return data;
}

TEST(PlainData, FourHundredFourBytesMakeATenByTenImageWithItsFirstPixelBottomLeft) {
    TMemoryDIB image;
    TDIBDataStreamer streamer;
    int changes = 0;
    image.OnChange = [&](toolkit::TPersistent*) { ++changes; };
    const auto data = plainData(10, 10, bgra(11, 22, 33, 44));
    ASSERT_EQ(data.size(), 404u);
    streamer.ReadData(image, data);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 10);
    EXPECT_EQ(image.Pixel(0, 9), bgra(11, 22, 33, 44));
    EXPECT_EQ(image.EffectiveTransparentPixel(), bgra(11, 22, 33, 0));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(streamer.WriteData(image), data) << "written back byte for byte";
}

TEST(PlainData, ShortOrLongValuesAreRefusedBeforeAnyPixelIsRead) {
    TMemoryDIB image(2, 2);
    TDIBDataStreamer streamer;
    auto data = plainData(10, 10);
    data.pop_back();
    try {
        streamer.ReadData(image, data);
        FAIL() << "a short value was read";
    } catch (const EDIBError& error) {
        EXPECT_STREQ(error.what(), "Image data of 403 bytes is too short for a 10 x 10 image (404 bytes)");
    }
    EXPECT_EQ(image.Width(), 2) << "the image keeps its size";
    data.resize(500);
    EXPECT_THROW(streamer.ReadData(image, data), EDIBError);
    EXPECT_THROW(streamer.ReadData(image, std::vector<std::uint8_t>{1, 0, 1}), EDIBError);
    EXPECT_THROW(streamer.ReadData(image, plainData(0, 3)), EDIBError);
}

TEST(PlainData, EmptyValueLeavesTheImageAlone) {
    TMemoryDIB image(3, 2);
    TDIBDataStreamer streamer;
    streamer.ReadData(image, {});
    EXPECT_EQ(image.Width(), 3);
}

TEST(WrappedData, ShorterThan26BytesIsReadAsPlain) {
    // "DIBCMP" happens to be a plain header: width 0x4944, height 0x4342 — far too big for 25 bytes.
    std::vector<std::uint8_t> value = {'D', 'I', 'B', 'C', 'M', 'P'};
    value.resize(25, 0);
    TMemoryDIB image;
    TDIBDataStreamer streamer;
    EXPECT_THROW(streamer.ReadData(image, value), EDIBError);
}

TEST(WrappedData, WithoutADecompressorIsRefusedWithTheFixedMessage) {
    std::vector<std::uint8_t> value = {'D', 'I', 'B', 'C', 'M', 'P'};
    value.resize(40, 0);
    TMemoryDIB image;
    TDIBDataStreamer streamer;
    try {
        streamer.ReadData(image, value);
        FAIL() << "a wrapped value was read without a decompressor";
    } catch (const EDIBCompressError& error) {
        EXPECT_STREQ(error.what(), "Could not find a suitable decompressor.");
    }
}

// A "compressor" that stores the plain form reversed, to see the wrapping end to end.
class Reverser : public TDIBDecompressor, public TDIBCompressor {
  public:
    explicit Reverser(std::uint8_t tag) { id_.fill(tag); }
    TDIBCodecId Identifier() const override { return id_; }
    void Expand(const TCustomMemoryDIB&, const TDIBCodecId&, std::int32_t,
                std::span<const std::uint8_t> input, std::span<std::uint8_t> output) const override {
        ASSERT_EQ(input.size(), output.size());
        std::copy(input.rbegin(), input.rend(), output.begin());
        ++expanded;
    }
    std::size_t Compress(const TCustomMemoryDIB&, std::span<const std::uint8_t> input,
                         std::vector<std::uint8_t>& output) const override {
        output.insert(output.end(), input.rbegin(), input.rend());
        return input.size();
    }
    mutable int expanded = 0;

  private:
    TDIBCodecId id_{};
};

TEST(WrappedData, DefaultCompressorWrapsAndTheNewestMatchingDecompressorExpands) {
    TDIBDataStreamer streamer;
    auto older = std::make_unique<Reverser>(7);
    auto newer = std::make_unique<Reverser>(7);
    Reverser* olderSeen = older.get();
    Reverser* newerSeen = newer.get();
    streamer.RegisterDecompressor(std::move(older));
    streamer.RegisterDecompressor(std::move(newer));
    streamer.SetDefaultCompressor(std::make_unique<Reverser>(7));
    TMemoryDIB image(3, 2);
    dibtest::fillPixels(image, bgra(1, 2, 3, 4));
    image.SetPixel(0, 1, bgra(9, 9, 9, 9));
    const auto wrapped = streamer.WriteData(image);
    ASSERT_GE(wrapped.size(), 26u);
    EXPECT_EQ(std::memcmp(wrapped.data(), "DIBCMP", 6), 0);
    EXPECT_EQ(wrapped[22], 4 + 3 * 2 * 4) << "the plain length";
    TMemoryDIB copy;
    streamer.ReadData(copy, wrapped);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.Pixel(0, 1), bgra(9, 9, 9, 9));
    EXPECT_EQ(newerSeen->expanded, 1);
    EXPECT_EQ(olderSeen->expanded, 0);
}

TEST(WrappedData, ItemsNotRetrievedInternallyWriteAnEmptyValue) {
    TDIBImageList list(nullptr);
    TDIBImagesItem& item = list.DIBImages()->Add();
    item.SetImageRetrieval(irLoadOnDemand);
    EXPECT_FALSE(item.DIB()->WritePixelData());
    EXPECT_TRUE(list.DataStreamer().WriteData(*item.DIB()).empty());
}

// A control stand-in that counts image-changed calls per link.
struct Control {
    toolkit::TComponent component{nullptr};
    int calls = 0;
    TDIBImageLink link{&component, [this](TDIBImageLink&) { ++calls; }};
};

void addImages(TDIBImageList& list, int count) {
    for (int i = 0; i < count; ++i) {
        TDIBImagesItem& item = list.DIBImages()->Add();
        item.DIB()->SetSize(i + 1, 1);
    }
}

TEST(Links, AttachingSendsAChangedNoticeForTheLinkedIndex) {
    TDIBImageList list(nullptr);
    addImages(list, 3);
    Control control;
    control.link.SetDIBIndex(1);
    EXPECT_EQ(control.calls, 1) << "a changed index notifies the control";
    control.link.SetDIBImageList(&list);
    EXPECT_EQ(control.calls, 2);
    control.link.SetDIBIndex(1);
    EXPECT_EQ(control.calls, 2) << "the same index is no change";
}

TEST(Links, ItemChangeReachesOnlyLinksOfThatIndex) {
    TDIBImageList list(nullptr);
    addImages(list, 3);
    Control a, b;
    a.link.SetDIBImageList(&list);
    b.link.SetDIBImageList(&list);
    a.link.SetDIBIndex(0);
    b.link.SetDIBIndex(2);
    a.calls = b.calls = 0;
    list.DIBImages()->Items(2).DIB()->SetOpacity(3);
    EXPECT_EQ(a.calls, 0);
    EXPECT_EQ(b.calls, 1);
}

TEST(Links, DeletingItemTwoOfFiveRenumbersAndClearsTheDeletedOnes) {
    TDIBImageList list(nullptr);
    addImages(list, 5);
    std::vector<std::unique_ptr<Control>> controls;
    for (int index : {0, 1, 2, 3, 4, 2, -1}) {
        controls.push_back(std::make_unique<Control>());
        controls.back()->link.SetDIBImageList(&list);
        controls.back()->link.SetDIBIndex(index);
        controls.back()->calls = 0;
    }
    list.DIBImages()->Delete(2);
    const int expectedIndex[] = {0, 1, -1, 2, 3, -1, -1};
    const int expectedCalls[] = {0, 0, 1, 0, 0, 1, 0};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i]->link.DIBIndex(), expectedIndex[i]) << "link " << i;
        EXPECT_EQ(controls[i]->calls, expectedCalls[i]) << "link " << i;
    }
}

TEST(Links, MovingAnItemRenumbersTheLinksBetween) {
    TDIBImageList list(nullptr);
    addImages(list, 5);
    std::vector<std::unique_ptr<Control>> controls;
    for (int index = 0; index < 5; ++index) {
        controls.push_back(std::make_unique<Control>());
        controls.back()->link.SetDIBImageList(&list);
        controls.back()->link.SetDIBIndex(index);
        controls.back()->calls = 0;
    }
    list.DIBImages()->Items(1).SetIndex(3); // 1 → 3: 2 and 3 move down
    EXPECT_EQ(controls[1]->link.DIBIndex(), 3);
    EXPECT_EQ(controls[2]->link.DIBIndex(), 1);
    EXPECT_EQ(controls[3]->link.DIBIndex(), 2);
    EXPECT_EQ(controls[4]->link.DIBIndex(), 4);
    list.DIBImages()->Items(4).SetIndex(0); // 4 → 0: 0..3 move up
    EXPECT_EQ(controls[4]->link.DIBIndex(), 0);
    EXPECT_EQ(controls[0]->link.DIBIndex(), 1);
    EXPECT_EQ(controls[1]->link.DIBIndex(), 4);
    for (const auto& control : controls)
        EXPECT_EQ(control->calls, 0) << "moves call no control";
    EXPECT_EQ(list.DIBImages()->Items(0).DIB()->Width(), 5) << "the item itself moved";
}

TEST(Links, NoListOrIndexOutOfRangeYieldsNoImage) {
    TDIBImageList list(nullptr);
    addImages(list, 2);
    Control control;
    control.link.SetDIBIndex(0);
    EXPECT_EQ(control.link.GetImage(), nullptr);
    control.link.SetDIBImageList(&list);
    control.link.SetDIBIndex(-1);
    EXPECT_EQ(control.link.GetImage(), nullptr);
    EXPECT_FALSE(control.link.IsIndexValid());
    control.link.SetDIBIndex(2);
    EXPECT_EQ(control.link.GetImage(), nullptr);
}

TEST(Links, FreeingTheListDetachesItsLinks) {
    auto list = std::make_unique<TDIBImageList>(nullptr);
    Control control;
    control.link.SetDIBImageList(list.get());
    list.reset();
    EXPECT_EQ(control.link.DIBImageList(), nullptr);
}

TEST(Links, ControlBeingDestroyedIsNotCalledBack) {
    TDIBImageList list(nullptr);
    addImages(list, 2);
    auto owner = std::make_unique<toolkit::TComponent>(nullptr);
    int calls = 0;
    // A control whose teardown changes the image it shows.
    struct Dying : toolkit::TComponent {
        Dying(toolkit::TComponent* o, TDIBImageList& l, int& c)
            : TComponent(o), link(this, [&c](TDIBImageLink&) { ++c; }), list(l) {
            link.SetDIBImageList(&l);
            link.SetDIBIndex(1);
        }
        ~Dying() override { list.DIBImages()->Items(1).DIB()->SetOpacity(1); }
        TDIBImageLink link;
        TDIBImageList& list;
    };
    new Dying(owner.get(), list, calls);
    calls = 0;
    owner.reset();
    EXPECT_EQ(calls, 0);
}

TEST(Lookups, TwoLookupsReturnTheSameViewShowingTheSecondImage) {
    TDIBImageList list(nullptr);
    addImages(list, 3);
    list.DIBImages()->Items(2).DIB()->SetOpacity(42);
    TMemoryDIB* first = list.GetImage(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Width(), 1);
    TMemoryDIB* second = list.GetImage(2);
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->Width(), 3);
    EXPECT_EQ(second->Pixels(), list.DIBImages()->Items(2).DIB()->Pixels());
    EXPECT_EQ(second->Opacity(), 42);
    second->SetAngle(90);
    EXPECT_EQ(list.DIBImages()->Items(2).DIB()->Angle(), 0) << "the item keeps its own settings";
    EXPECT_TRUE(list.DIBImages()->Items(2).IsLoaded());
}

TEST(Lookups, DeletingTheViewedItemLeavesTheViewWithoutPixels) {
    TDIBImageList list(nullptr);
    addImages(list, 2);
    TMemoryDIB* view = list.GetImage(1);
    list.DIBImages()->Delete(1);
    EXPECT_EQ(view->Pixels(), nullptr);
    TMemoryDIB target(2, 2);
    view->Draw(0, 0, target); // draws nothing, reads nothing freed
    EXPECT_EQ(list.GetImage(0), view);
}

TEST(Items, DefaultsAndRetrievalFlag) {
    TDIBImageList list(nullptr);
    TDIBImagesItem& item = list.DIBImages()->Add();
    EXPECT_EQ(item.DisplayName(), "TDIBImagesItem");
    EXPECT_EQ(item.ImageRetrieval(), irInternal);
    EXPECT_EQ(item.DIB()->Width(), 1);
    EXPECT_TRUE(item.DIB()->WritePixelData());
}

TEST(Items, PathTranslationRewritesOnlyTheFolder) {
    TDIBImageList list(nullptr);
    TDIBImagesItem& item = list.DIBImages()->Add();
    EXPECT_EQ(item.TranslateImagePath("C:\\art\\knob.bmp"), "C:\\art\\knob.bmp") << "no handler: unchanged";
    std::string seen;
    item.OnTranslateImagePath = [&](toolkit::TPersistent* sender, std::string& path) {
        EXPECT_EQ(sender, &item);
        seen = path;
        path = "/skins";
    };
    EXPECT_EQ(item.TranslateImagePath("C:\\art\\knob.bmp"), "/skins/knob.bmp");
    EXPECT_EQ(seen, "C:\\art\\");
    item.OnTranslateImagePath = [](toolkit::TPersistent*, std::string& path) { path.clear(); };
    EXPECT_EQ(item.TranslateImagePath("art/knob.bmp"), "knob.bmp");
}

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("tmx1-dib-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string writeBitmap(const std::string& name, int w, int h, std::uint32_t pixel) {
        toolkit::TPictureData picture{w, h, false,
                                      std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), pixel)};
        const auto bytes = toolkit::EncodeBitmap24(picture);
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path folder;
};

TEST_F(TempFolder, LoadOnDemandLoadsImageAndMaskAtTheFirstLookup) {
    writeBitmap("face.bmp", 4, 2, bgra(10, 20, 30, 0));
    writeBitmap("mask.bmp", 2, 1, bgra(128, 0, 0, 0));
    TDIBImageList list(nullptr);
    TDIBImagesItem& item = list.DIBImages()->Add();
    item.SetImageRetrieval(irLoadOnDemand);
    item.DIB()->SetImageFilename("art/face.bmp");
    item.DIB()->SetMaskFilename("art/mask.bmp");
    item.OnTranslateImagePath = [this](toolkit::TPersistent*, std::string& path) { path = folder.string(); };
    Control control;
    control.link.SetDIBImageList(&list);
    control.link.SetDIBIndex(0);
    control.calls = 0;
    TMemoryDIB* image = list.GetImage(0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 4);
    EXPECT_EQ(image->Pixel(3, 1), bgra(10, 20, 30, 128)) << "mask blue stretched into alpha";
    EXPECT_TRUE(image->Masked());
    EXPECT_TRUE(item.IsLoaded());
    EXPECT_EQ(control.calls, 1) << "one change notice for the whole load";
}

TEST_F(TempFolder, LoadOnStartLoadsWhenTheListHasFinishedLoading) {
    const std::string path = writeBitmap("plate.bmp", 3, 3, bgra(1, 2, 3, 0));
    TDIBImageList list(nullptr);
    TDIBImagesItem& onStart = list.DIBImages()->Add();
    onStart.SetImageRetrieval(irLoadOnStart);
    onStart.DIB()->SetImageFilename(path);
    TDIBImagesItem& withoutFile = list.DIBImages()->Add();
    withoutFile.SetImageRetrieval(irLoadOnStart);
    list.BeginLoading();
    list.Loaded();
    EXPECT_TRUE(onStart.IsLoaded());
    EXPECT_EQ(onStart.DIB()->Pixel(2, 2), bgra(1, 2, 3, 255)) << "a 24-bit picture gets alpha 255";
    EXPECT_FALSE(onStart.DIB()->Masked());
    EXPECT_FALSE(withoutFile.IsLoaded()) << "no file name: stays unloaded";
}

TEST_F(TempFolder, MaskNeedsAnImageAndMissingFilesPropagate) {
    const std::string mask = writeBitmap("mask.bmp", 1, 1, 0);
    auto view = TMemoryDIB::CreateEmptyView();
    try {
        view->LoadMaskFromFile(mask);
        FAIL() << "a mask was imported without an image";
    } catch (const EDIBError& error) {
        EXPECT_STREQ(error.what(), "You cannot import a mask until you have an image.");
    }
    TMemoryDIB image;
    EXPECT_THROW(image.LoadImageFromFile((folder / "missing.png").string()), toolkit::EPictureError);
}

} // namespace

namespace {

// Pictures drawn for a zoom stand in for an item's own only in paints at that zoom, with the item's
// settings, and go when the item changes.
TEST(ZoomedImages, StandInAtTheirZoomWithTheItemsSettings) {
    TDIBImageList list(nullptr);
    addImages(list, 2);
    TDIBImagesItem& item = list.DIBImages()->Items(1);
    item.DIB()->SetTransparent(true);
    item.DIB()->SetTransparentColor(0x123456);
    const std::vector<std::uint32_t> pixels(12, bgra(1, 2, 3, 255));
    list.SetZoomedImage(150, 1, 4, 3, pixels);

    const TMemoryDIB* unit = list.GetImage(1, toolkit::TZoom(100));
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->Width(), 2) << "at 100 % the item's own picture";
    const TMemoryDIB* zoomed = list.GetImage(1, toolkit::TZoom(150));
    ASSERT_NE(zoomed, nullptr);
    EXPECT_EQ(zoomed->Width(), 4);
    EXPECT_EQ(zoomed->Height(), 3);
    EXPECT_EQ(zoomed->Pixel(3, 2), bgra(1, 2, 3, 255));
    EXPECT_TRUE(zoomed->Transparent());
    EXPECT_EQ(zoomed->TransparentColor(), 0x123456);
    EXPECT_EQ(list.GetImage(1, toolkit::TZoom(200)), nullptr) << "never a picture of the wrong size";
    EXPECT_EQ(list.GetImage(0, toolkit::TZoom(150)), nullptr);
    EXPECT_EQ(list.GetImage(5, toolkit::TZoom(150)), nullptr);

    EXPECT_THROW(list.SetZoomedImage(150, 1, 4, 4, pixels), EDIBError) << "12 pixels are not 4 × 4";
    EXPECT_THROW(list.SetZoomedImage(150, 2, 4, 3, pixels), EDIBError) << "no item 2";

    TMemoryDIB other(7, 7);
    item.SetDIB(other); // the item's picture is another now: its zoomed one is stale
    EXPECT_EQ(list.GetImage(1, toolkit::TZoom(150)), nullptr);
}

TEST(ZoomedImages, ALinkAsksItsListAtTheZoom) {
    TDIBImageList list(nullptr);
    addImages(list, 3);
    list.SetZoomedImage(200, 2, 6, 2, std::vector<std::uint32_t>(12, 0));
    Control control;
    control.link.SetDIBImageList(&list);
    control.link.SetDIBIndex(2);
    ASSERT_NE(control.link.GetImage(toolkit::TZoom(200)), nullptr);
    EXPECT_EQ(control.link.GetImage(toolkit::TZoom(200))->Width(), 6);
    EXPECT_EQ(control.link.GetImage()->Width(), 3);
    list.DIBImages()->Delete(0); // the item moves to index 1 and keeps its zoomed picture
    ASSERT_NE(list.GetImage(1, toolkit::TZoom(200)), nullptr);
    EXPECT_EQ(list.GetImage(1, toolkit::TZoom(200))->Width(), 6);
}

} // namespace
