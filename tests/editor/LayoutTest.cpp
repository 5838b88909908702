// The panel as the layout stream builds it: the window, the controls in painting order with their
// places, tags and handlers, the knob settings, and the image list with its transparency settings.
#include "editor/EditorLayout.h"
#include "editor/uEditor.h"

#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Picture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Placement {
    const char* name;
    int left, top, width, height, tag;
};

// Painting order: a later control lies over an earlier one. Labels size themselves to their text,
// so their width and height are not listed (0).
constexpr Placement kChildren[] = {
    {"Baggrund", 0, 0, 570, 265, 0},          {"ThresholdLabel", 154, 142, 0, 0, 0},
    {"OutputGainControl", 264, 179, 49, 49, 5}, {"ThresholdControl", 144, 79, 49, 49, 0},
    {"KneeControl", 144, 179, 49, 49, 4},     {"ReleaseControl", 264, 79, 49, 49, 1},
    {"OutputGainLabel", 274, 242, 0, 0, 0},   {"KneeLabel", 154, 242, 0, 0, 0},
    {"ReleaseLabel", 274, 142, 0, 0, 0},      {"About", 513, 10, 40, 40, 0},
    {"Meter_Out_L", 507, 100, 10, 120, 0},    {"Meter_Out_R", 520, 100, 10, 120, 0},
    {"AutoGainSwitch", 333, 166, 13, 13, 6},  {"UsersManual", 462, 10, 40, 40, 0},
    {"ABSwitch", 18, 74, 13, 13, 0},          {"CopySwitch", 18, 95, 13, 13, 0},
    {"OutMeterLabel", 497, 77, 0, 0, 0},      {"CompMeterLabel", 447, 77, 0, 0, 0},
    {"InMeterLabel", 397, 77, 0, 0, 0},       {"Meter_CP_L", 457, 100, 10, 0, 0},
    {"Meter_CP_R", 470, 100, 10, 0, 0},       {"RelType0", 18, 243, 30, 10, 0},
    {"RelType1", 18, 231, 30, 10, 1},         {"RelType2", 18, 219, 30, 10, 2},
    {"Reltype4", 18, 195, 30, 10, 4},         {"RelType3", 18, 207, 30, 10, 3},
    {"PDRswitch", 333, 66, 13, 13, 2},        {"StereoLinkSwitch", 18, 158, 13, 13, 8},
    {"Meter_In_L", 407, 100, 10, 120, 0},     {"Meter_In_R", 420, 100, 10, 120, 0},
    {"OC_LED", 207, 66, 13, 13, 0},           {"BrickWallSwitch", 333, 226, 13, 13, 7},
    {"RecallSwitch", 18, 116, 13, 13, 0},     {"Logo", 12, 6, 105, 48, 0},
};

TEST(EditorLayout, TheStreamIsATPF0StreamCarriedInTheLibrary) {
    const auto stream = tmx1::EditorLayoutStream();
    ASSERT_GT(stream.size(), 600000u) << "the pictures' pixels are in it";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.data()), 4), "TPF0");
}

TEST(EditorLayout, WindowAndChildrenInPaintingOrder) {
    tmx1::TPluginEditorWindow window(nullptr);
    EXPECT_EQ(window.ClientWidth(), 570);
    EXPECT_EQ(window.ClientHeight(), 265);
    EXPECT_EQ(window.Caption(), "Brindlow Audio");
    EXPECT_FALSE(window.Scaled());
    const dib::TDIBContainer& container = *window.DIBContainer1;
    EXPECT_EQ(container.BoundsRect(), (platform::Rect{0, 0, 570, 265}));
    EXPECT_EQ(container.BorderDrawPosition(), dib::bdOverControls);
    ASSERT_EQ(container.ControlCount(), 34);
    for (int i = 0; i < 34; ++i) {
        const Placement& want = kChildren[i];
        const toolkit::TControl& child = *container.Controls(i);
        SCOPED_TRACE(want.name);
        EXPECT_EQ(child.Name(), want.name);
        EXPECT_EQ(child.Left(), want.left);
        EXPECT_EQ(child.Top(), want.top);
        if (want.width != 0) {
            EXPECT_EQ(child.Width(), want.width);
            EXPECT_EQ(child.Height(), want.height);
        }
        EXPECT_EQ(child.Tag(), want.tag);
        if (auto* skinned = dynamic_cast<const dib::TCustomDIBControl*>(&child)) {
            EXPECT_EQ(skinned->DIBTabOrder(), -1) << "no control takes the keyboard focus";
        }
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
    EXPECT_TRUE(static_cast<bool>(window.InMeterLabel->OnClick));

    EXPECT_EQ(window.ThresholdLabel->Caption(), "-");
    EXPECT_EQ(window.ThresholdLabel->Color(), 0x111111);
    EXPECT_EQ(window.ThresholdLabel->Font()->Name(), "Arial");
    EXPECT_EQ(window.InMeterLabel->Caption(), "In");
    EXPECT_EQ(window.CompMeterLabel->Caption(), "Comp");
    EXPECT_EQ(window.OutMeterLabel->Caption(), "Out");

    for (const toolkit::TImage* meter : {window.Meter_In_L, window.Meter_Out_R, window.Meter_CP_L}) {
        EXPECT_EQ(meter->Picture()->Bitmap()->Width(), 10);
        EXPECT_EQ(meter->Picture()->Bitmap()->Height(), 120);
    }
    EXPECT_EQ(window.About->Cursor(), toolkit::crHandPoint);
    EXPECT_TRUE(window.Logo->Picture()->Bitmap()->Empty());
}

TEST(EditorLayout, ImageListEntriesWithTheirSizesAndTransparency) {
    tmx1::TPluginEditorWindow window(nullptr);
    struct Entry {
        const char* name;
        int width, height;
        bool transparent;
        toolkit::TColor colour;
    };
    const Entry want[] = {
        {"Index Pointer", 10, 10, true, 0x666666},     {"Drejeknap", 49, 49, true, 0x000000},
        {"Chassis", 570, 265, false, 0},               {"Red Microswitch", 13, 13, true, 0x000000},
        {"LED", 13, 13, true, 0x95DAF1},               {"Right selector", 30, 10, true, 0x000000},
        {"Green Microswitch", 13, 13, true, 0x000000},
    };
    const dib::TDIBImages& images = *window.DIBImageList1->DIBImages();
    ASSERT_EQ(images.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        const dib::TMemoryDIB& image = *images.Items(i).DIB();
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(images.Items(i).DisplayName(), want[i].name);
        EXPECT_EQ(image.Width(), want[i].width);
        EXPECT_EQ(image.Height(), want[i].height);
        EXPECT_EQ(image.Transparent(), want[i].transparent);
        if (want[i].transparent) {
            EXPECT_EQ(image.TransparentMode(), dib::tmFixed);
            EXPECT_EQ(image.TransparentColor(), want[i].colour);
        }
    }
}

} // namespace
