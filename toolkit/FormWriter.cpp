#include "toolkit/FormWriter.h"

#include "toolkit/Collection.h"
#include "toolkit/Component.h"
#include "toolkit/PropertyTable.h"

namespace toolkit {

namespace {

// Writes every defined property that has data, each under its prefixed name.
class DefinedPropertyWriter : public TFiler {
  public:
    DefinedPropertyWriter(TWriter& writer, TFormOutput& output, const std::string& prefix)
        : writer_(writer), output_(output), prefix_(prefix) {}

    void DefineProperty(std::string_view name, const ReadValue&, const WriteValue& write,
                        bool hasData) override {
        if (!hasData || !write)
            return;
        output_.WriteShortString(prefix_ + std::string(name));
        write(writer_);
    }
    void DefineBinaryProperty(std::string_view name, const ReadBinary&, const WriteBinary& write,
                              bool hasData) override {
        if (!hasData || !write)
            return;
        output_.WriteShortString(prefix_ + std::string(name));
        output_.WriteBinary(write());
    }

  private:
    TWriter& writer_;
    TFormOutput& output_;
    const std::string& prefix_;
};

} // namespace

void TWriter::WriteRootComponent(TComponent& root) {
    root_ = &root;
    output_.WriteBytes({reinterpret_cast<const std::uint8_t*>(formSignature.data()), formSignature.size()});
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent& component) {
    if (ClassNameNeedsFlagByte(component.ClassName(), &component != root_))
        output_.WriteByte(filerFlagMarker);
    output_.WriteShortString(component.ClassName());
    output_.WriteShortString(component.Name());
    WriteProperties(component, "");
    output_.WriteByte(0);
    component.GetChildren([this](TComponent& child) { WriteComponent(child); }, *root_);
    output_.WriteByte(0);
}

void TWriter::WriteProperties(TPersistent& instance, const std::string& prefix) {
    for (const TPropertyInfo* info : instance.PublishedProperties().All())
        WriteProperty(instance, *info, prefix);
    WriteDefinedProperties(instance, prefix);
}

void TWriter::WriteProperty(TPersistent& instance, const TPropertyInfo& info, const std::string& prefix) {
    if (info.type == TPropertyType::Object) {
        TPersistent* nested = std::get<TPersistent*>(info.get(instance));
        if (nested == nullptr)
            return;
        if (auto* collection = dynamic_cast<TCollection*>(nested)) {
            output_.WriteShortString(prefix + info.name);
            WriteCollection(*collection);
        } else {
            WriteProperties(*nested, prefix + info.name + ".");
        }
        return;
    }
    if (!info.IsStored(instance))
        return;
    output_.WriteShortString(prefix + info.name);
    WriteValue(instance, info);
}

void TWriter::WriteValue(const TPersistent& instance, const TPropertyInfo& info) {
    const TPropertyValue value = info.get(instance);
    switch (info.type) {
    case TPropertyType::Integer:
    case TPropertyType::Int64: {
        const std::int64_t number = std::get<std::int64_t>(value);
        for (const TIdentEntry& entry : info.idents)
            if (entry.value == number) {
                output_.WriteIdent(entry.name);
                return;
            }
        output_.WriteInteger(number);
        break;
    }
    case TPropertyType::Enumeration: {
        const auto ordinal = static_cast<std::size_t>(std::get<std::int64_t>(value));
        if (ordinal >= info.names.size())
            throw EPropertyError("Property " + info.name + " holds an enumeration value without a name");
        output_.WriteIdent(info.names[ordinal]);
        break;
    }
    case TPropertyType::Set: {
        const std::int64_t bits = std::get<std::int64_t>(value);
        output_.WriteValueType(TValueType::vaSet);
        for (std::size_t i = 0; i < info.names.size() && i < 32; ++i)
            if ((bits >> i & 1) != 0)
                output_.WriteShortString(info.names[i]);
        output_.WriteShortString("");
        break;
    }
    case TPropertyType::Boolean:
        output_.WriteBoolean(std::get<bool>(value));
        break;
    case TPropertyType::Float:
        output_.WriteExtended(std::get<long double>(value));
        break;
    case TPropertyType::String:
        output_.WriteString(std::get<std::string>(value));
        break;
    case TPropertyType::Method:
        output_.WriteIdent(std::get<std::string>(value));
        break;
    case TPropertyType::Component: {
        const auto* target = dynamic_cast<const TComponent*>(std::get<TPersistent*>(value));
        if (target == nullptr || target->Name().empty())
            throw EPropertyError("Property " + info.name + " refers to a component without a name");
        output_.WriteIdent(target->Name());
        break;
    }
    case TPropertyType::Object:
        break;
    }
}

void TWriter::WriteCollection(TCollection& collection) {
    output_.WriteValueType(TValueType::vaCollection);
    for (int i = 0; i < collection.Count(); ++i) {
        output_.WriteValueType(TValueType::vaList);
        WriteProperties(collection.Items(i), "");
        output_.WriteByte(0);
    }
    output_.WriteByte(0);
}

void TWriter::WriteDefinedProperties(TPersistent& instance, const std::string& prefix) {
    DefinedPropertyWriter filer(*this, output_, prefix);
    instance.DefineProperties(filer);
}

} // namespace toolkit
