// Tree to binary: writes the parsed tree out as a component stream, with the bytes of file values
// from the caller's loader.
#include "toolkit/FormText.h"

#include "toolkit/FormStream.h"
#include "toolkit/FormTextLexer.h"
#include "toolkit/FormTextTree.h"

namespace toolkit {

namespace {

class Compiler {
  public:
    explicit Compiler(const TFormFileLoader& loader) : loader_(loader) {}

    std::vector<std::uint8_t> Run(const TFormTextObject& root) {
        out_.WriteBytes({reinterpret_cast<const std::uint8_t*>(formSignature.data()), formSignature.size()});
        Object(root);
        return out_.Take();
    }

  private:
    void Object(const TFormTextObject& object) {
        if (object.flagByte != 0)
            out_.WriteByte(object.flagByte);
        out_.WriteBytes(object.position);
        out_.WriteShortString(object.className);
        out_.WriteShortString(object.name);
        Properties(object.properties);
        for (const TFormTextObject& child : object.children)
            Object(child);
        out_.WriteByte(0);
    }

    void Properties(const std::vector<TFormTextProperty>& properties) {
        for (const TFormTextProperty& property : properties) {
            out_.WriteShortString(property.name);
            Value(property.value);
        }
        out_.WriteByte(0);
    }

    void Value(const TFormTextValue& value) {
        if (value.IsFile()) {
            FileValue(value);
            return;
        }
        switch (value.type) {
        case TValueType::vaList:
            out_.WriteValueType(TValueType::vaList);
            for (const TFormTextValue& element : value.values)
                Value(element);
            out_.WriteByte(0);
            break;
        case TValueType::vaCollection:
            out_.WriteValueType(TValueType::vaCollection);
            for (const TFormTextItem& item : value.items) {
                out_.WriteBytes(item.order);
                out_.WriteValueType(TValueType::vaList);
                Properties(item.properties);
            }
            out_.WriteByte(0);
            break;
        default:
            out_.WriteBytes(value.encoded);
            break;
        }
    }

    void FileValue(const TFormTextValue& value) {
        const std::string& function = value.fileFunction;
        if (!loader_)
            formtext::FailAt(value.line, value.column, function + "(..) needs a file loader");
        try {
            out_.WriteBinary(loader_(function, value.filePath));
        } catch (const std::exception& error) {
            formtext::FailAt(value.line, value.column,
                             function + "('" + value.filePath + "'): " + error.what());
        }
    }

    const TFormFileLoader& loader_;
    TFormOutput out_;
};

} // namespace

std::vector<std::uint8_t> CompileFormText(std::string_view text, const TFormFileLoader& loader) {
    return Compiler(loader).Run(ParseFormText(text));
}

} // namespace toolkit
