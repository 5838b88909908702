// Fuzz target: any bytes as a component stream. The reader must end in a result or an exception,
// never a read out of bounds, a leak or a hang; a stream the decompiler accepts must give text whose
// compilation decompiles to the same text.
#include "DIB/cDIBImageList.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormStream.h"
#include "toolkit/FormText.h"
#include "toolkit/PropertyTable.h"

#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

class TFuzzForm : public toolkit::TComponent {
  public:
    TFuzzForm() : TComponent(nullptr) {
        methods_.Add<void(toolkit::TPersistent*)>("Clicked", [](toolkit::TPersistent*) {});
    }
    std::string_view ClassName() const override { return "TFuzzForm"; }
    const toolkit::TMethodTable* MethodTable() const override { return &methods_; }

  private:
    toolkit::TMethodTable methods_;
};

// A control with an image link, a few plain properties and an event.
class TFuzzControl : public toolkit::TComponent {
  public:
    explicit TFuzzControl(toolkit::TComponent* owner) : TComponent(owner) {}
    std::string_view ClassName() const override { return "TFuzzControl"; }
    const toolkit::TPropertyTable& PublishedProperties() const override {
        using C = TFuzzControl;
        static const toolkit::TPropertyTable table(
            &TComponent::PublishedProperties(),
            {toolkit::ObjectProperty("IndexMain", &C::IndexMain),
             toolkit::StringProperty("Caption", &C::Caption, &C::SetCaption),
             toolkit::FloatProperty("Scale", &C::Scale, &C::SetScale, 100.0L),
             toolkit::EventProperty("OnClick", &C::OnClick)});
        return table;
    }
    dib::TDIBImageLink* IndexMain() const { return &link_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    long double Scale() const { return scale_; }
    void SetScale(long double value) { scale_ = value; }
    toolkit::TNotifyEvent OnClick;

  private:
    mutable dib::TDIBImageLink link_{this, [](dib::TDIBImageLink& link) { link.GetImage(); }};
    std::string caption_;
    long double scale_ = 100;
};

void checkTextFixedPoint(const std::uint8_t* data, std::size_t size) {
    std::string text;
    try {
        text = toolkit::DecompileForm({data, size});
    } catch (const toolkit::EReadError&) {
        return;
    }
    const std::string again = toolkit::DecompileForm(toolkit::CompileFormText(text, {}));
    if (again != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    toolkit::TClassRegistry classes;
    dib::RegisterDIBImageListClasses(classes);
    classes.Register<TFuzzControl>("TFuzzControl");
    TFuzzForm form;
    try {
        toolkit::TReader({data, size}, classes).ReadRootComponent(form);
    } catch (const std::exception&) {
        // Refusing a damaged stream is the expected outcome.
    }
    checkTextFixedPoint(data, size);
    return 0;
}
