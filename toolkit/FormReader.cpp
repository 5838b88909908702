#include "toolkit/FormReader.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/Collection.h"
#include "toolkit/Component.h"
#include "toolkit/Identifier.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <cstring>

namespace toolkit {

namespace {

// Deeper nesting of components or collections than any form needs: a damaged stream, not a layout.
constexpr int maxNesting = 64;

// Finds one defined property by name and keeps its read callbacks.
class DefinedPropertyFinder : public TFiler {
  public:
    explicit DefinedPropertyFinder(std::string_view name) : name_(name) {}

    void DefineProperty(std::string_view name, const ReadValue& read, const WriteValue&, bool) override {
        if (SameText(name, name_) && read)
            readValue = read;
    }
    void DefineBinaryProperty(std::string_view name, const ReadBinary& read, const WriteBinary&,
                              bool) override {
        if (SameText(name, name_) && read)
            readBinary = read;
    }

    ReadValue readValue;
    ReadBinary readBinary;

  private:
    std::string_view name_;
};

std::vector<std::string_view> splitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.', start)) {
        parts.push_back(path.substr(start, dot - start));
        start = dot + 1;
    }
    parts.push_back(path.substr(start));
    return parts;
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

} // namespace

TReader::TReader(std::span<const std::uint8_t> data, const TClassRegistry& classes)
    : input_(data), classes_(classes) {}

void TReader::ReadRootComponent(TComponent& root) {
    root_ = &root;
    try {
        ReadSignature();
        ReadComponent(nullptr);
        ResolveFixups();
        while (!loaded_.empty()) {
            TComponent* next = loaded_.front();
            loaded_.erase(loaded_.begin());
            next->Loaded();
        }
    } catch (...) {
        for (TComponent* component : loaded_)
            component->AbandonLoading();
        loaded_.clear();
        throw;
    }
}

void TReader::ReadSignature() {
    const auto signature = input_.ReadBytes(formSignature.size());
    if (!std::equal(signature.begin(), signature.end(), formSignature.begin()))
        input_.FailAt(0, "Not a component stream: it does not begin with \"TPF0\"");
}

void TReader::ReadComponent(TComponent* parent) {
    EnterNesting();
    const std::size_t offset = input_.Position();
    std::uint8_t flags = 0;
    if ((input_.PeekByte() & 0xF0) == filerFlagMarker) {
        flags = input_.ReadByte() & 0x0F;
        if ((flags & ffChildPos) != 0)
            input_.ReadIntegerPayload(input_.ReadValueType());
    }
    const std::string className = input_.ReadShortString();
    const std::string name = input_.ReadShortString();
    if (parent == nullptr && !SameText(className, root_->ClassName()))
        input_.FailAt(offset,
                      "The stream holds a " + className + ", not a " + std::string(root_->ClassName()));
    TComponent& component = parent == nullptr ? *root_ : ComponentForRecord(flags, className, name, offset);
    try {
        component.SetName(name);
    } catch (const EComponentError& error) {
        input_.FailAt(offset, error.what());
    }
    if (parent != nullptr)
        component.SetParentComponent(parent);
    if (std::find(loaded_.begin(), loaded_.end(), &component) == loaded_.end()) {
        component.BeginLoading();
        loaded_.push_back(&component);
    }
    ReadProperties(component);
    while (input_.PeekByte() != 0)
        ReadComponent(&component);
    input_.ReadByte();
    --nesting_;
}

TComponent& TReader::ComponentForRecord(std::uint8_t flags, const std::string& className,
                                        const std::string& name, std::size_t offset) {
    if ((flags & ffInherited) != 0) {
        TComponent* existing = root_->FindComponent(name);
        if (existing == nullptr || !SameText(existing->ClassName(), className))
            input_.FailAt(offset,
                          "Inherited component " + quoted(name) + " of class " + className + " not found");
        return *existing;
    }
    const TClassRegistry::Factory* create = classes_.Find(className);
    if (create == nullptr)
        input_.FailAt(offset, "Unknown class " + quoted(className));
    return *(*create)(root_);
}

void TReader::ReadProperties(TPersistent& instance) {
    while (input_.PeekByte() != 0)
        ReadProperty(instance);
    input_.ReadByte();
}

void TReader::ReadProperty(TPersistent& instance) {
    const std::size_t offset = input_.Position();
    const std::string path = input_.ReadShortString();
    const std::vector<std::string_view> parts = splitPath(path);
    TPersistent* target = &instance;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const TPropertyInfo* info = target->PublishedProperties().Find(parts[i]);
        TPersistent* nested = nullptr;
        if (info != nullptr && info->type == TPropertyType::Object)
            nested = std::get<TPersistent*>(info->get(*target));
        if (nested == nullptr)
            input_.FailAt(offset,
                          "Unknown property " + quoted(path) + " of " + std::string(instance.ClassName()));
        target = nested;
    }
    const TPropertyInfo* info = target->PublishedProperties().Find(parts.back());
    if (info == nullptr)
        ReadDefinedProperty(instance, *target, std::string(parts.back()), path, offset);
    else
        ReadPropertyValue(*target, *info, offset);
}

void TReader::ReadDefinedProperty(const TPersistent& instance, TPersistent& target, const std::string& name,
                                  const std::string& path, std::size_t offset) {
    DefinedPropertyFinder finder(name);
    target.DefineProperties(finder);
    if (finder.readBinary) {
        const std::size_t valueOffset = input_.Position();
        const TValueType type = input_.ReadValueType();
        if (type != TValueType::vaBinary)
            input_.FailAt(valueOffset,
                          "Property " + quoted(path) + " needs a binary value, not " + ValueTypeName(type));
        finder.readBinary(input_.ReadLengthPrefixed());
    } else if (finder.readValue) {
        finder.readValue(*this);
    } else {
        input_.FailAt(offset,
                      "Unknown property " + quoted(path) + " of " + std::string(instance.ClassName()));
    }
}

void TReader::ReadPropertyValue(TPersistent& instance, const TPropertyInfo& info, std::size_t offset) {
    const std::size_t valueOffset = input_.Position();
    try {
        switch (info.type) {
        case TPropertyType::Integer:
        case TPropertyType::Int64:
            info.set(instance, ReadIntegerFor(info));
            break;
        case TPropertyType::Enumeration:
            info.set(instance, ReadEnumeration(info));
            break;
        case TPropertyType::Set:
            info.set(instance, ReadSet(info));
            break;
        case TPropertyType::Boolean:
            info.set(instance, ReadBoolean());
            break;
        case TPropertyType::Float:
            info.set(instance, ReadFloat());
            break;
        case TPropertyType::String:
            info.set(instance, ReadString());
            break;
        case TPropertyType::Object: {
            auto* collection = dynamic_cast<TCollection*>(std::get<TPersistent*>(info.get(instance)));
            if (collection == nullptr || input_.PeekValueType() != TValueType::vaCollection)
                WrongValue(instance, info, input_.PeekValueType(), valueOffset);
            ReadCollection(*collection);
            break;
        }
        case TPropertyType::Component:
            ReadReference(instance, info, offset);
            break;
        case TPropertyType::Method:
            ReadEvent(instance, info);
            break;
        }
    } catch (const EPropertyError& error) {
        input_.FailAt(valueOffset, error.what());
    } catch (const EReadError&) {
        throw;
    } catch (const std::bad_variant_access&) {
        WrongValue(instance, info, TValueType::vaNull, valueOffset);
    }
}

std::int64_t TReader::ReadIntegerFor(const TPropertyInfo& info) {
    if (input_.PeekValueType() != TValueType::vaIdent || info.idents.empty())
        return ReadInteger();
    const std::size_t offset = input_.Position();
    const std::string name = ReadIdent();
    for (const TIdentEntry& entry : info.idents)
        if (SameText(entry.name, name))
            return entry.value;
    input_.FailAt(offset, "Unknown value " + quoted(name) + " for property " + info.name);
}

std::int64_t TReader::ReadEnumeration(const TPropertyInfo& info) {
    const std::size_t offset = input_.Position();
    const std::string name = ReadIdent();
    for (std::size_t i = 0; i < info.names.size(); ++i)
        if (SameText(info.names[i], name))
            return static_cast<std::int64_t>(i);
    input_.FailAt(offset, "Unknown value " + quoted(name) + " for property " + info.name);
}

std::int64_t TReader::ReadSet(const TPropertyInfo& info) {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    if (type != TValueType::vaSet)
        input_.FailAt(offset, "Property " + info.name + " needs a set, not " + ValueTypeName(type));
    std::int64_t bits = 0;
    for (std::string element = input_.ReadShortString(); !element.empty();
         element = input_.ReadShortString()) {
        const auto found = std::find_if(info.names.begin(), info.names.end(),
                                        [&](const std::string& name) { return SameText(name, element); });
        if (found == info.names.end() || found - info.names.begin() >= 32)
            input_.Fail("Unknown element " + quoted(element) + " in set property " + info.name);
        bits |= std::int64_t{1} << (found - info.names.begin());
    }
    return bits;
}

void TReader::ReadReference(TPersistent& instance, const TPropertyInfo& info, std::size_t offset) {
    if (input_.PeekValueType() == TValueType::vaNil) {
        input_.ReadValueType();
        info.set(instance, static_cast<TPersistent*>(nullptr));
        return;
    }
    fixups_.push_back({&instance, &info, ReadIdent(), offset, collections_});
}

void TReader::ReadEvent(TPersistent& instance, const TPropertyInfo& info) {
    if (input_.PeekValueType() == TValueType::vaNil) {
        input_.ReadValueType();
        info.bind(instance, {}, nullptr);
        return;
    }
    const std::size_t offset = input_.Position();
    const std::string method = ReadIdent();
    const TMethodTable* methods = root_->MethodTable();
    const std::any* handler = methods != nullptr ? methods->Find(method) : nullptr;
    if (handler == nullptr)
        input_.FailAt(offset, "Unknown method " + quoted(method) + " for event " + info.name);
    info.bind(instance, method, handler);
}

void TReader::ReadCollection(TCollection& collection) {
    input_.ReadValueType();
    EnterNesting();
    DropFixupsInside(collection);
    collections_.push_back(&collection);
    collection.BeginUpdate();
    try {
        collection.Clear();
        ReadCollectionItems(collection);
    } catch (...) {
        collections_.pop_back();
        try {
            collection.EndUpdate();
        } catch (...) {
            // The first fault is the one to report.
        }
        throw;
    }
    collections_.pop_back();
    collection.EndUpdate();
    --nesting_;
}

void TReader::ReadCollectionItems(TCollection& collection) {
    while (input_.PeekByte() != 0) {
        if (IsIntegerType(input_.PeekValueType()))
            input_.ReadIntegerPayload(input_.ReadValueType()); // the item's order, for inherited forms only
        const std::size_t listOffset = input_.Position();
        if (input_.ReadValueType() != TValueType::vaList)
            input_.FailAt(listOffset, "A collection item must begin with a list");
        ReadProperties(collection.Add());
    }
    input_.ReadByte();
}

void TReader::ResolveFixups() {
    for (const Fixup& fixup : fixups_) {
        TComponent* target = root_->FindComponent(fixup.target);
        if (target == nullptr && SameText(root_->Name(), fixup.target))
            target = root_;
        if (target == nullptr)
            input_.FailAt(fixup.offset, "Unresolved reference to " + quoted(fixup.target) + " in property " +
                                            fixup.property->name);
        try {
            fixup.property->set(*fixup.instance, static_cast<TPersistent*>(target));
        } catch (const EPropertyError& error) {
            input_.FailAt(fixup.offset, error.what());
        }
    }
    fixups_.clear();
}

void TReader::DropFixupsInside(const TCollection& collection) {
    // Reading a collection replaces its items: references pending on the old ones must go with them.
    std::erase_if(fixups_, [&](const Fixup& fixup) {
        return std::find(fixup.collections.begin(), fixup.collections.end(), &collection) !=
               fixup.collections.end();
    });
}

void TReader::EnterNesting() {
    if (++nesting_ > maxNesting)
        input_.Fail("Components or collections nested deeper than " + std::to_string(maxNesting) + " levels");
}

void TReader::WrongValue(const TPersistent& instance, const TPropertyInfo& info, TValueType type,
                         std::size_t offset) const {
    input_.FailAt(offset, "Property " + info.name + " of " + std::string(instance.ClassName()) +
                              " cannot take a value of type " + ValueTypeName(type));
}

std::int64_t TReader::ReadInteger() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    if (!IsIntegerType(type))
        input_.FailAt(offset, "Integer expected, found " + ValueTypeName(type));
    return input_.ReadIntegerPayload(type);
}

long double TReader::ReadFloat() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    switch (type) {
    case TValueType::vaExtended:
        return DecodeExtended(input_.ReadBytes(10).first<10>());
    case TValueType::vaSingle: {
        const std::uint32_t bits = input_.ReadU32();
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case TValueType::vaDate: {
        const std::uint64_t bits = input_.ReadU64();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case TValueType::vaCurrency:
        return static_cast<long double>(static_cast<std::int64_t>(input_.ReadU64())) / 10000;
    default:
        if (IsIntegerType(type))
            return static_cast<long double>(input_.ReadIntegerPayload(type));
        input_.FailAt(offset, "Number expected, found " + ValueTypeName(type));
    }
}

std::string TReader::ReadString() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    switch (type) {
    case TValueType::vaString:
        return input_.ReadShortString();
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
        const auto bytes = input_.ReadLengthPrefixed();
        return std::string(bytes.begin(), bytes.end());
    }
    case TValueType::vaWString:
        return Utf16ToUtf8(input_.ReadWideStringPayload());
    default:
        input_.FailAt(offset, "String expected, found " + ValueTypeName(type));
    }
}

std::string TReader::ReadIdent() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    switch (type) {
    case TValueType::vaIdent:
        return input_.ReadShortString();
    case TValueType::vaFalse:
        return "False";
    case TValueType::vaTrue:
        return "True";
    case TValueType::vaNil:
        return "nil";
    default:
        input_.FailAt(offset, "Identifier expected, found " + ValueTypeName(type));
    }
}

bool TReader::ReadBoolean() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    if (type != TValueType::vaFalse && type != TValueType::vaTrue)
        input_.FailAt(offset, "Boolean expected, found " + ValueTypeName(type));
    return type == TValueType::vaTrue;
}

std::span<const std::uint8_t> TReader::ReadBinary() {
    const std::size_t offset = input_.Position();
    const TValueType type = input_.ReadValueType();
    if (type != TValueType::vaBinary)
        input_.FailAt(offset, "Binary value expected, found " + ValueTypeName(type));
    return input_.ReadLengthPrefixed();
}

} // namespace toolkit
