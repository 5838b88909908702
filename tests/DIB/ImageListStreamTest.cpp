// The image list inside a form stream: items in stream order, their images' properties and "Data",
// and links that name the list and are resolved after the whole stream is read.
#include "DIB/cDIBImageList.h"
#include "tests/DIB/DIBTestSupport.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/FormWriter.h"
#include "toolkit/PropertyTable.h"

#include <gtest/gtest.h>

namespace {

using namespace dib;

class TStreamForm : public toolkit::TComponent {
  public:
    TStreamForm() : TComponent(nullptr) {}
    std::string_view ClassName() const override { return "TStreamForm"; }
};

// A control with one image link, stored as the nested properties "IndexMain.*".
class TLinkedControl : public toolkit::TComponent {
  public:
    explicit TLinkedControl(toolkit::TComponent* owner) : TComponent(owner) {}
    std::string_view ClassName() const override { return "TLinkedControl"; }
    const toolkit::TPropertyTable& PublishedProperties() const override {
        static const toolkit::TPropertyTable table(
            &TComponent::PublishedProperties(),
            {toolkit::ObjectProperty("IndexMain", &TLinkedControl::IndexMain)});
        return table;
    }
    TDIBImageLink* IndexMain() const { return &link_; }
    int imageChanges = 0;

  private:
    mutable TDIBImageLink link_{this, [this](TDIBImageLink&) { ++imageChanges; }};
};

const char* const formText = R"(object Form: TStreamForm
  object Knob: TLinkedControl
    IndexMain.DIBImageList = Images
    IndexMain.DIBIndex = 1
  end
  object Images: TDIBImageList
    DIBImages = <
      item
        DIB.Height = 1
        DIB.Transparent = True
        DIB.TransparentColor = 6710886
        DIB.TransparentMode = tmFixed
        DIB.Width = 1
        DIB.Data = {
          0100010001020304
        }
        DisplayName = 'Index Pointer'
      end
      item
        DIB.Height = 1
        DIB.Transparent = True
        DIB.TransparentMode = tmFixed
        DIB.Width = 2
        DIB.Data = {
          0200010011111111FFFFFFFF
        }
        DisplayName = 'Drejeknap'
        TemplateFilename = 'knob.tpl'
      end>
  end
end
)";

toolkit::TClassRegistry classes() {
    toolkit::TClassRegistry registry;
    RegisterDIBImageListClasses(registry);
    registry.Register<TLinkedControl>("TLinkedControl");
    return registry;
}

TEST(ImageListStream, ItemsLinksAndDataAreReadInStreamOrder) {
    TStreamForm form;
    const auto stream = toolkit::CompileFormText(formText, {});
    toolkit::TReader(stream, classes()).ReadRootComponent(form);
    auto* list = dynamic_cast<TDIBImageList*>(form.FindComponent("Images"));
    auto* knob = dynamic_cast<TLinkedControl*>(form.FindComponent("Knob"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(knob, nullptr);
    ASSERT_EQ(list->DIBImages()->Count(), 2);
    TDIBImagesItem& knobItem = list->DIBImages()->Items(1);
    EXPECT_EQ(knobItem.DisplayName(), "Drejeknap");
    EXPECT_EQ(knobItem.TemplateFilename(), "knob.tpl");
    EXPECT_EQ(knobItem.DIB()->Width(), 2);
    EXPECT_EQ(knobItem.DIB()->Height(), 1);
    EXPECT_EQ(knobItem.DIB()->TransparentMode(), tmFixed);
    EXPECT_EQ(knobItem.DIB()->BlendRoutine(), TBlendRoutine::ColourKey);
    EXPECT_EQ(list->DIBImages()->Items(0).DIB()->TransparentColor(), 0x666666);
    EXPECT_EQ(knob->IndexMain()->DIBImageList(), list) << "a reference to a list read later";
    EXPECT_EQ(knob->IndexMain()->DIBIndex(), 1);
    EXPECT_GE(knob->imageChanges, 1);
    TMemoryDIB* image = knob->IndexMain()->GetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Pixel(1, 0), dibtest::bgra(255, 255, 255, 255));
}

TEST(ImageListStream, WriterStoresWhatTheReaderRead) {
    TStreamForm form;
    const auto stream = toolkit::CompileFormText(formText, {});
    toolkit::TReader(stream, classes()).ReadRootComponent(form);
    toolkit::TWriter writer;
    writer.WriteRootComponent(form);
    EXPECT_EQ(toolkit::DecompileForm(writer.Take()), formText);
}

TEST(ImageListStream, DataSetsTheFinalSizeOverWidthAndHeight) {
    std::string text = formText;
    text.replace(text.find("DIB.Width = 2"), 13, "DIB.Width = 9");
    TStreamForm form;
    toolkit::TReader(toolkit::CompileFormText(text, {}), classes()).ReadRootComponent(form);
    auto* list = dynamic_cast<TDIBImageList*>(form.FindComponent("Images"));
    EXPECT_EQ(list->DIBImages()->Items(1).DIB()->Width(), 2);
}

TEST(ImageListStream, BadDataStopsTheReadWithItsMessage) {
    std::string text = formText;
    text.replace(text.find("0100010001020304"), 16, "01000100010203");
    TStreamForm form;
    try {
        toolkit::TReader(toolkit::CompileFormText(text, {}), classes()).ReadRootComponent(form);
        FAIL() << "a short Data value was read";
    } catch (const EDIBError& error) {
        EXPECT_STREQ(error.what(), "Image data of 7 bytes is too short for a 1 x 1 image (8 bytes)");
    }
}

} // namespace
