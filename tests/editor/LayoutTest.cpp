// The panel as the layout stream builds it: every control where the compiled layout puts it, the
// controls of each parameter and meter as the panel's tables name them, the knob settings, and the
// image list with its transparency settings. Places come from the stream the plug-in carries, so a
// control moved in the layout text moves here too; what is checked is that the window is built from it
// faithfully and that layout and tables agree.
#include "editor/EditorLayout.h"
#include "editor/PanelControls.h"
#include "editor/PanelMenu.h"
#include "editor/uEditor.h"

#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "plugin/APluginEditor.h"
#include "toolkit/FormText.h"
#include "toolkit/FormTextTree.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Picture.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace {

// The layout as the plug-in reads it: its compiled stream, read back into the text form's tree.
toolkit::TFormTextObject compiledLayout() {
    return toolkit::ParseFormText(toolkit::DecompileForm(tmx1::EditorLayoutStream()));
}

template <class T> const T& component(const tmx1::TPluginEditorWindow& window, const char* name) {
    const auto* found = dynamic_cast<const T*>(window.FindComponent(name));
    if (found == nullptr)
        throw std::runtime_error(std::string("no component ") + name + " of the expected class");
    return *found;
}

TEST(EditorLayout, TheStreamIsATPF0StreamCarriedInTheLibrary) {
    const auto stream = tmx1::EditorLayoutStream();
    ASSERT_GT(stream.size(), 600000u) << "the pictures' pixels are in it";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.data()), 4), "TPF0");
}

TEST(EditorLayout, TheWindowHasTheSizeTheBridgeReportsAndTheContainerFillsIt) {
    tmx1::TPluginEditorWindow window(nullptr);
    EXPECT_EQ(window.ClientWidth(), tmx1::kEditorWidth);
    EXPECT_EQ(window.ClientHeight(), tmx1::kEditorHeight);
    EXPECT_EQ(window.Caption(), "Brindlow Audio");
    EXPECT_FALSE(window.Scaled());
    const dib::TDIBContainer& container = *window.DIBContainer1;
    EXPECT_EQ(container.BoundsRect(), (platform::Rect{0, 0, tmx1::kEditorWidth, tmx1::kEditorHeight}));
    EXPECT_EQ(container.BorderDrawPosition(), dib::bdOverControls);
    EXPECT_EQ(window.Baggrund->BoundsRect(), container.BoundsRect()) << "the plate covers the whole window";
}

// A reader or a control that drops, reorders or alters a stored place would show here.
TEST(EditorLayout, EveryControlIsBuiltInPaintingOrderWhereTheStreamPutsIt) {
    tmx1::TPluginEditorWindow window(nullptr);
    const toolkit::TFormTextObject layout = compiledLayout();
    const toolkit::TFormTextObject& stored = layout.Get("DIBContainer1");
    const dib::TDIBContainer& container = *window.DIBContainer1;
    // The stream's controls, then the zoom menu the window adds over all of them.
    ASSERT_EQ(static_cast<std::size_t>(container.ControlCount()), stored.children.size() + 1);
    EXPECT_EQ(container.Controls(container.ControlCount() - 1), &window.PanelMenu());
    EXPECT_FALSE(window.PanelMenu().Visible());
    for (int i = 0; i + 1 < container.ControlCount(); ++i) {
        const toolkit::TFormTextObject& want = stored.children[static_cast<std::size_t>(i)];
        const toolkit::TControl& child = *container.Controls(i);
        SCOPED_TRACE(want.name);
        EXPECT_EQ(child.Name(), want.name);
        EXPECT_EQ(child.ClassName(), want.className);
        EXPECT_EQ(child.Left(), want.Integer("Left"));
        EXPECT_EQ(child.Top(), want.Integer("Top"));
        if (want.className != "TLabel") { // labels size themselves to their text
            EXPECT_EQ(child.Width(), want.Integer("Width"));
            EXPECT_EQ(child.Height(), want.Integer("Height"));
        }
        EXPECT_EQ(child.Tag(), want.Integer("Tag", 0));
        if (auto* skinned = dynamic_cast<const dib::TCustomDIBControl*>(&child)) {
            EXPECT_EQ(skinned->DIBTabOrder(), -1) << "no control takes the keyboard focus";
        }
    }
}

TEST(EditorLayout, EachParameterHasTheControlsItsTableNamesTaggedWithItsIndex) {
    tmx1::TPluginEditorWindow window(nullptr);
    std::set<std::string> named;
    for (int index = 0; index < tmx1::kNumParams; ++index) {
        const tmx1::ParameterControl& entry = tmx1::kParameterControls[static_cast<std::size_t>(index)];
        SCOPED_TRACE(tmx1::kParameters[static_cast<std::size_t>(index)].name);
        if (entry.kind == tmx1::ControlKind::knob) {
            const auto& knob = component<dib::TDIBDial>(window, entry.control);
            const auto& label = component<toolkit::TLabel>(window, entry.valueLabel);
            EXPECT_EQ(knob.Tag(), index);
            EXPECT_GT(label.Top(), knob.Top() + knob.Height() / 2) << "the value label sits beneath its knob";
            EXPECT_TRUE(label.Left() > knob.Left() && label.Left() < knob.Left() + knob.Width());
            EXPECT_EQ(entry.labelText, tmx1::LabelText::displayNumber);
            named.insert(entry.control);
        }
        if (entry.kind == tmx1::ControlKind::lamp) {
            const auto& lamp = component<dib::TDIBImage>(window, entry.control);
            EXPECT_EQ(lamp.Tag(), index);
            EXPECT_TRUE(static_cast<bool>(lamp.OnClick));
            named.insert(entry.control);
        }
        for (std::size_t step = 0; step < entry.buttons.size(); ++step) {
            const auto& button = component<dib::TDIBImage>(window, entry.buttons[step]);
            EXPECT_EQ(button.Tag(), static_cast<int>(step)) << entry.buttons[step];
            EXPECT_TRUE(static_cast<bool>(button.OnClick));
            named.insert(entry.buttons[step]);
        }
    }
    // The handler of the release-type buttons reads a button's tag as a step of the table's count: the
    // buttons the layout gives that handler must be the table's.
    const toolkit::TFormTextObject layout = compiledLayout();
    std::set<std::string> releaseTypeButtons;
    for (const toolkit::TFormTextObject& stored : layout.Get("DIBContainer1").children)
        if (const toolkit::TFormTextValue* onClick = stored.Property("OnClick");
            onClick != nullptr && onClick->Text() == "ReltypeClick")
            releaseTypeButtons.insert(stored.name);
    EXPECT_EQ(releaseTypeButtons,
              std::set<std::string>(tmx1::kReleaseTypeButtons.begin(), tmx1::kReleaseTypeButtons.end()));
    // A knob or a tagged lamp that the table does not name would never be refreshed.
    const dib::TDIBContainer& container = *window.DIBContainer1;
    for (int i = 0; i < container.ControlCount(); ++i) {
        const toolkit::TControl& child = *container.Controls(i);
        if (dynamic_cast<const dib::TDIBDial*>(&child) != nullptr || child.Tag() != 0) {
            EXPECT_TRUE(named.contains(std::string(child.Name()))) << child.Name() << " is in no table";
        }
    }
}

TEST(EditorLayout, MeterPairsAreColumnsOfOnePictureHeightUnderAClickableLabel) {
    tmx1::TPluginEditorWindow window(nullptr);
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups) {
        SCOPED_TRACE(group.holdLabel);
        const auto& left = component<toolkit::TImage>(window, group.bars[0]);
        const auto& right = component<toolkit::TImage>(window, group.bars[1]);
        EXPECT_EQ(left.Top(), right.Top());
        EXPECT_GT(right.Left(), left.Left() + left.Width() - 1) << "side by side, left first";
        for (const toolkit::TImage* bar : {&left, &right}) {
            EXPECT_EQ(bar->Picture()->Bitmap()->Width(), bar->Width());
            EXPECT_EQ(bar->Picture()->Bitmap()->Height(), tmx1::kMeterColumnPixels);
            // A level cover starts over the whole column, a gain-reduction bar shows nothing.
            EXPECT_EQ(bar->Height(), group.kind == tmx1::MeterKind::level ? tmx1::kMeterColumnPixels : 0);
        }
        const auto& label = component<toolkit::TLabel>(window, group.holdLabel);
        EXPECT_TRUE(static_cast<bool>(label.OnClick));
        EXPECT_LT(label.Top(), left.Top()) << "the holds stand above their bars";
    }
}

TEST(EditorLayout, KnobsShareTheirSettings) {
    tmx1::TPluginEditorWindow window(nullptr);
    for (const dib::TDIBDial* knob :
         {window.ThresholdControl, window.ReleaseControl, window.KneeControl, window.OutputGainControl}) {
        SCOPED_TRACE(knob->Name());
        EXPECT_EQ(knob->IndexMain()->DIBIndex(), 1);
        EXPECT_EQ(knob->IndexPointer()->DIBIndex(), 0);
        EXPECT_EQ(knob->PointerRadius(), 20);
        EXPECT_EQ(knob->PointerAngles()->Start(), 210);
        EXPECT_EQ(knob->PointerAngles()->Range(), 300);
        EXPECT_EQ(knob->Max(), 100);
        EXPECT_EQ(knob->MouseControlStyle(), dib::mcsLinear);
        EXPECT_EQ(knob->SmallChange(), 100);
        EXPECT_TRUE(static_cast<bool>(knob->OnChange));
        EXPECT_TRUE(static_cast<bool>(knob->OnMouseDown));
    }
    EXPECT_EQ(window.KneeControl->PageSize(), 5);
    EXPECT_EQ(window.ThresholdControl->PageSize(), 100);
}

TEST(EditorLayout, LampsLabelsAndMeterPictures) {
    tmx1::TPluginEditorWindow window(nullptr);
    EXPECT_EQ(window.Baggrund->IndexMain()->DIBIndex(), 2);
    EXPECT_EQ(window.PDRswitch->IndexMain()->DIBIndex(), 3);
    EXPECT_EQ(window.OC_LED->IndexMain()->DIBIndex(), 4);
    EXPECT_EQ(window.RelType3->IndexMain()->DIBIndex(), 5);
    EXPECT_EQ(window.ABSwitch->IndexMain()->DIBIndex(), 6);
    EXPECT_EQ(window.RelType0->Opacity(), 255);
    EXPECT_EQ(window.RelType1->Opacity(), 0);
    EXPECT_TRUE(static_cast<bool>(window.CopySwitch->OnClick));
    EXPECT_TRUE(static_cast<bool>(window.RecallSwitch->OnClick));

    EXPECT_EQ(window.ThresholdLabel->Caption(), "-");
    EXPECT_EQ(window.ThresholdLabel->Color(), 0x111111);
    EXPECT_EQ(window.ThresholdLabel->Font()->Name(), "Arial");
    EXPECT_EQ(window.InMeterLabel->Caption(), "In");
    EXPECT_EQ(window.CompMeterLabel->Caption(), "Comp");
    EXPECT_EQ(window.OutMeterLabel->Caption(), "Out");

    EXPECT_EQ(window.About->Cursor(), toolkit::crHandPoint);
    EXPECT_TRUE(window.Logo->Picture()->Bitmap()->Empty());
}

// Every skinned control shows its image at the image's own size, so an image and the controls that
// show it must agree.
TEST(EditorLayout, EachImageHasTheSizeOfTheControlsThatShowIt) {
    tmx1::TPluginEditorWindow window(nullptr);
    const dib::TDIBContainer& container = *window.DIBContainer1;
    const dib::TDIBImages& images = *window.DIBImageList1->DIBImages();
    for (int i = 0; i < container.ControlCount(); ++i) {
        const toolkit::TControl& control = *container.Controls(i);
        const dib::TDIBImageLink* link = nullptr;
        if (const auto* image = dynamic_cast<const dib::TCustomDIBImage*>(&control))
            link = image->IndexMain();
        if (const auto* knob = dynamic_cast<const dib::TAbstractDIBDial*>(&control))
            link = knob->IndexMain();
        if (link == nullptr || link->DIBIndex() < 0)
            continue;
        SCOPED_TRACE(control.Name());
        const dib::TMemoryDIB& image = *images.Items(link->DIBIndex()).DIB();
        EXPECT_EQ(image.Width(), control.Width());
        EXPECT_EQ(image.Height(), control.Height());
    }
}

TEST(EditorLayout, ImageListEntriesWithTheirTransparency) {
    tmx1::TPluginEditorWindow window(nullptr);
    struct Entry {
        const char* name;
        bool transparent;
        toolkit::TColor colour;
    };
    const Entry want[] = {
        {"Index Pointer", true, 0x666666},
        {"Drejeknap", true, 0x000000},
        {"Chassis", false, 0},
        {"Red Microswitch", true, 0x000000},
        {"LED", true, 0x95DAF1},
        {"Right selector", true, 0x000000},
        {"Green Microswitch", true, 0x000000},
    };
    const dib::TDIBImages& images = *window.DIBImageList1->DIBImages();
    ASSERT_EQ(images.Count(), 7);
    const dib::TMemoryDIB& pointer = *images.Items(0).DIB();
    EXPECT_EQ(pointer.Width(), 10);
    EXPECT_EQ(pointer.Height(), 10);
    for (int i = 0; i < 7; ++i) {
        const dib::TMemoryDIB& image = *images.Items(i).DIB();
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(images.Items(i).DisplayName(), want[i].name);
        EXPECT_EQ(image.Transparent(), want[i].transparent);
        if (want[i].transparent) {
            EXPECT_EQ(image.TransparentMode(), dib::tmFixed);
            EXPECT_EQ(image.TransparentColor(), want[i].colour);
        }
    }
}

} // namespace
