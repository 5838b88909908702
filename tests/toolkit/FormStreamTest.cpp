// Reading and writing component streams: every value kind reaches its property, references and
// events are bound, and any damaged stream ends in a clear error instead of a read past its end.
#include "tests/toolkit/FormTestClasses.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/FormWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace formtest;

const char* const sampleForm = R"(object Form1: TTestForm
  Tag = 7
  object Panel: TTestControl
    Left = -300
    Big = 5000000000
    Enabled = False
    Scale = 12.5
    Kind = tkThree
    Caption = 'It''s'
    Font.Color = clInfoBk
    Font.Height = 9
    Font.Style = [fsBold, fsUnderline]
    Items = <
      item
        Caption = 'first'
        Target = Knob
      end
      item
        Caption = 'second'
      end>
    Buddy = Knob
    OnClick = ButtonClick
    Blob = {
      0102
    }
    object Knob: TTestControl
      Opacity = 0
      Caption = wide('d'#252'nn')
    end
  end
end
)";

std::vector<std::uint8_t> compile(const std::string& text) { return CompileFormText(text, {}); }

void read(const std::vector<std::uint8_t>& stream, TTestForm& form) {
    const TClassRegistry classes = testClasses();
    TReader(stream, classes).ReadRootComponent(form);
}

std::string readError(const std::vector<std::uint8_t>& stream) {
    TTestForm form;
    try {
        read(stream, form);
    } catch (const EReadError& error) {
        return error.what();
    }
    return "no error";
}

TEST(FormReading, EveryValueKindReachesItsProperty) {
    TTestForm form;
    read(compile(sampleForm), form);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Tag(), 7);
    auto* panel = dynamic_cast<TTestControl*>(form.FindComponent("Panel"));
    auto* knob = dynamic_cast<TTestControl*>(form.FindComponent("knob"));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(panel->Left(), -300);
    EXPECT_EQ(panel->Big(), 5000000000);
    EXPECT_FALSE(panel->Enabled());
    EXPECT_EQ(panel->Scale(), 12.5L);
    EXPECT_EQ(panel->Kind(), tkThree);
    EXPECT_EQ(panel->Caption(), "It's");
    EXPECT_EQ(panel->Font()->Color(), clInfoBk);
    EXPECT_EQ(panel->Font()->Height(), 9);
    EXPECT_EQ(panel->Font()->Style(), 0b101u);
    ASSERT_EQ(panel->Items()->Count(), 2);
    EXPECT_EQ(static_cast<TTestItem&>(panel->Items()->Items(0)).Target(), knob);
    EXPECT_EQ(panel->Buddy(), knob) << "a reference to a component read later";
    EXPECT_TRUE(panel->referenceSetWhileLoading) << "references resolve before Loaded";
    EXPECT_EQ(panel->loadedCalls, 1);
    EXPECT_FALSE(panel->Loading());
    EXPECT_EQ(panel->blob, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(knob->GetParentComponent(), panel);
    EXPECT_EQ(knob->Opacity(), 0);
    EXPECT_EQ(knob->Caption(), "d\xC3\xBCnn") << "a wide string arrives as UTF-8";
    ASSERT_TRUE(panel->OnClick);
    panel->OnClick(panel);
    EXPECT_EQ(form.clickedBy, panel);
}

TEST(FormWriting, ReaderAndWriterRoundTripByteForByte) {
    TTestForm form;
    const auto stream = compile(sampleForm);
    read(stream, form);
    TWriter writer;
    writer.WriteRootComponent(form);
    const auto written = writer.Take();
    TTestForm copy;
    read(written, copy);
    TWriter again;
    again.WriteRootComponent(copy);
    EXPECT_EQ(again.Take(), written);
    // Only the wide caption changes form: it is written back as UTF-8.
    EXPECT_NE(DecompileForm(written).find("Caption = utf8('d'#195#188'nn')"), std::string::npos);
}

TEST(FormWriting, DefaultsAreNotStored) {
    TTestForm form;
    auto* control = new TTestControl(&form);
    control->SetName("Plain");
    control->SetParentComponent(&form);
    TWriter writer;
    writer.WriteRootComponent(form);
    EXPECT_EQ(DecompileForm(writer.Take()),
              "object '': TTestForm\n  object Plain: TTestControl\n    Items = <>\n  end\nend\n");
}

TEST(FormWriting, ALongClassNameGetsTheFlagByteItsLengthByteWouldBeTakenFor) {
    static const std::string longName(240, 'T');
    struct TLongNamed : TTestControl {
        using TTestControl::TTestControl;
        std::string_view ClassName() const override { return longName; }
    };
    TTestForm form;
    auto* control = new TLongNamed(&form);
    control->SetName("Long");
    control->SetParentComponent(&form);
    TWriter writer;
    writer.WriteRootComponent(form);
    EXPECT_NE(DecompileForm(writer.Take()).find("object Long: " + longName + "\n"), std::string::npos);
}

TEST(FormReadingFaults, UnknownPropertyNamesItAndItsOffset) {
    auto stream = compile("object F: TTestForm\n  object P: TTestControl\n    Font.Heigth = 1\n  end\nend\n");
    // "TPF0", root record (1+9, 1+1, end of properties) = 17, child header 1+12 + 1+1 = 32
    EXPECT_EQ(readError(stream), "Unknown property 'Font.Heigth' of TTestControl (at offset 32)");
}

TEST(FormReadingFaults, UnknownClassAndUnknownValueTypeNameTheOffset) {
    EXPECT_EQ(readError(compile("object F: TTestForm\n  object P: TNothing\n  end\nend\n")),
              "Unknown class 'TNothing' (at offset 17)");
    auto stream = compile("object F: TTestForm\n  Tag = 1\nend\n");
    stream[20] = 33; // the value type of Tag
    EXPECT_EQ(readError(stream), "Unknown value type 33 (at offset 20)");
}

TEST(FormReadingFaults, WrongValueTypesAndRangesAreRefused) {
    EXPECT_NE(
        readError(compile("object F: TTestForm\n  Tag = 'x'\nend\n")).find("Integer expected, found string"),
        std::string::npos);
    EXPECT_NE(readError(compile("object F: TTestForm\n object P: TTestControl\n Opacity = 300\n end\nend\n"))
                  .find("Value 300 is out of range for Opacity"),
              std::string::npos);
    EXPECT_NE(readError(compile("object F: TTestForm\n object P: TTestControl\n Kind = tkFour\n end\nend\n"))
                  .find("Unknown value 'tkFour' for property Kind"),
              std::string::npos);
    EXPECT_NE(readError(compile("object F: TTestForm\n object P: TTestControl\n Font = 3\n end\nend\n"))
                  .find("cannot take a value of type 8-bit integer"),
              std::string::npos);
}

TEST(FormReadingFaults, ReferencesAndEventsThatCannotBeBound) {
    EXPECT_NE(readError(compile("object F: TTestForm\n object P: TTestControl\n Buddy = Nobody\n end\nend\n"))
                  .find("Unresolved reference to 'Nobody' in property Buddy"),
              std::string::npos);
    EXPECT_NE(
        readError(compile("object F: TTestForm\n object P: TTestControl\n OnClick = Missing\n end\nend\n"))
            .find("Unknown method 'Missing' for event OnClick"),
        std::string::npos);
    EXPECT_NE(
        readError(
            compile("object F: TTestForm\n object P: TTestControl\n OnClick = CountChanged\n end\nend\n"))
            .find("Method CountChanged does not fit event OnClick"),
        std::string::npos);
    EXPECT_NE(
        readError(
            compile(
                "object F: TTestForm\n object P: TTestControl\n end\n object P: TTestControl\n end\nend\n"))
            .find("A component named P already exists"),
        std::string::npos);
    EXPECT_NE(readError(compile("object F: TOther\nend\n")).find("holds a TOther, not a TTestForm"),
              std::string::npos);
}

TEST(FormReadingFaults, EveryTruncationIsAnErrorNeverAnOverread) {
    const auto stream = compile(sampleForm);
    for (std::size_t length = 0; length < stream.size(); ++length) {
        const std::vector<std::uint8_t> cut(stream.begin(),
                                            stream.begin() + static_cast<std::ptrdiff_t>(length));
        TTestForm form;
        EXPECT_THROW(read(cut, form), EReadError) << "cut at " << length;
    }
}

TEST(FormReadingFaults, HugeLengthsAndDeepNestingAreRefused) {
    auto stream = compile("object F: TTestForm\n object P: TTestControl\n Blob = {01}\n end\nend\n");
    // Blob's length field claims 4 GiB.
    const std::size_t length = stream.size() - 1 - 1 - 1 - 4; // before: byte, 2 ends
    stream[length] = stream[length + 1] = stream[length + 2] = stream[length + 3] = 0xFF;
    EXPECT_NE(readError(stream).find("Stream ends"), std::string::npos);
    TFormOutput deep;
    deep.WriteBytes(std::vector<std::uint8_t>{'T', 'P', 'F', '0'});
    deep.WriteShortString("TTestForm");
    deep.WriteShortString("F");
    deep.WriteByte(0);
    for (int i = 0; i < 70; ++i) {
        deep.WriteShortString("TTestControl");
        deep.WriteShortString("C" + std::to_string(i));
        deep.WriteByte(0);
    }
    deep.WriteBytes(std::vector<std::uint8_t>(71, 0));
    EXPECT_NE(readError(deep.Take()).find("nested deeper than 64"), std::string::npos);
}

TEST(FormReading, RereadCollectionDropsReferencesOfItsOldItems) {
    TTestForm form;
    read(
        compile(
            "object F: TTestForm\n object P: TTestControl\n"
            " Items = <\n item\n Target = Nobody\n end>\n Items = <\n item\n Target = P\n end>\n end\nend\n"),
        form);
    auto* panel = dynamic_cast<TTestControl*>(form.FindComponent("P"));
    ASSERT_EQ(panel->Items()->Count(), 1);
    EXPECT_EQ(static_cast<TTestItem&>(panel->Items()->Items(0)).Target(), panel);
}

TEST(FormReading, CollectionOrderValuesAndChildPositionsAreAccepted) {
    TTestForm form;
    read(compile("object F: TTestForm\n object P: TTestControl [2]\n Items = <\n item [int32(5)]\n Caption = "
                 "'x'\n end>\n"
                 " end\nend\n"),
         form);
    auto* panel = dynamic_cast<TTestControl*>(form.FindComponent("P"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(static_cast<TTestItem&>(panel->Items()->Items(0)).Caption(), "x");
}

TEST(FormReading, InheritedRecordUpdatesTheExistingComponent) {
    TTestForm form;
    auto* existing = new TTestControl(&form);
    existing->SetName("P");
    read(compile("object F: TTestForm\n inherited P: TTestControl\n Left = 4\n end\nend\n"), form);
    EXPECT_EQ(existing->Left(), 4);
    EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(Components, OwnerFreesItsComponentsAndReferencesAreCleared) {
    TTestForm form;
    auto* a = new TTestControl(&form);
    auto* b = new TTestControl(&form);
    a->SetBuddy(b);
    delete b;
    EXPECT_EQ(a->Buddy(), nullptr) << "a sibling's removal reaches every owned component";
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_THROW(a->SetName("1abc"), EComponentError);
}

TEST(Components, FreeNotificationAcrossOwners) {
    struct Watcher : TComponent {
        using TComponent::TComponent;
        TComponent* watched = nullptr;
        void Notification(TComponent* c, TOperation op) override {
            TComponent::Notification(c, op);
            if (op == TOperation::opRemove && c == watched)
                watched = nullptr;
        }
    };
    Watcher watcher(nullptr);
    auto other = std::make_unique<TComponent>(nullptr);
    watcher.watched = other.get();
    other->FreeNotification(&watcher);
    other.reset();
    EXPECT_EQ(watcher.watched, nullptr);
}

TEST(Colours, SystemColoursConvertToTheirSchemeValues) {
    EXPECT_EQ(ColorToRGB(clInfoBk), 0xE1FFFF);
    EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
    EXPECT_EQ(ColorToRGB(clSilver), clSilver);
    EXPECT_EQ(IdentToColor("clinfobk"), clInfoBk);
    EXPECT_EQ(ColorToIdent(clWhite), "clWhite");
    EXPECT_FALSE(ColorToIdent(0x123456).has_value());
}

} // namespace
