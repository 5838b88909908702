#include "toolkit/FormTextTree.h"

#include "toolkit/FormText.h"
#include "toolkit/FormTextLexer.h"

namespace toolkit {

std::int64_t TFormTextValue::Integer() const {
    TFormInput in(encoded);
    const TValueType valueType = encoded.empty() ? type : in.ReadValueType();
    if (!IsIntegerType(valueType))
        formtext::FailAt(line, column, "An integer expected, not " + ValueTypeName(valueType));
    return in.ReadIntegerPayload(valueType);
}

std::string TFormTextValue::Text() const {
    TFormInput in(encoded);
    const TValueType valueType = encoded.empty() ? type : in.ReadValueType();
    switch (valueType) {
    case TValueType::vaString:
    case TValueType::vaIdent:
        return in.ReadShortString();
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
        const auto bytes = in.ReadLengthPrefixed();
        return {bytes.begin(), bytes.end()};
    }
    default:
        formtext::FailAt(line, column, "A string or an identifier expected, not " + ValueTypeName(valueType));
    }
}

const TFormTextValue* FindProperty(const std::vector<TFormTextProperty>& properties, std::string_view name) {
    for (const TFormTextProperty& property : properties)
        if (property.name == name)
            return &property.value;
    return nullptr;
}

const TFormTextValue* TFormTextObject::Property(std::string_view propertyName) const {
    return FindProperty(properties, propertyName);
}

std::int64_t TFormTextObject::Integer(std::string_view propertyName) const {
    const TFormTextValue* value = Property(propertyName);
    if (value == nullptr)
        formtext::FailAt(line, 1, name + " has no " + std::string(propertyName));
    return value->Integer();
}

std::int64_t TFormTextObject::Integer(std::string_view propertyName, std::int64_t fallback) const {
    const TFormTextValue* value = Property(propertyName);
    return value == nullptr ? fallback : value->Integer();
}

const TFormTextObject* TFormTextObject::Find(std::string_view objectName) const {
    if (name == objectName)
        return this;
    for (const TFormTextObject& child : children)
        if (const TFormTextObject* found = child.Find(objectName))
            return found;
    return nullptr;
}

const TFormTextObject& TFormTextObject::Get(std::string_view objectName) const {
    const TFormTextObject* found = Find(objectName);
    if (found == nullptr)
        formtext::FailAt(line, 1, name + " holds no object named " + std::string(objectName));
    return *found;
}

} // namespace toolkit
