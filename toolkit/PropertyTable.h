// The published properties of a class: name, type, getter, setter and default, in the order a
// writer stores them. A reader applies a property by name; a writer stores those whose value differs
// from the default. Each class builds its table once and chains it to its ancestor's.
#pragma once

#include "toolkit/MethodTable.h"
#include "toolkit/Persistent.h"

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace toolkit {

// A value that a property cannot take (out of range, unknown name, wrong handler type).
class EPropertyError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class TPropertyType {
    Integer,
    Int64,
    Float,
    Boolean,
    Enumeration,
    Set,
    String,
    Object,
    Component,
    Method
};

// Integer, Int64, Enumeration (the ordinal) and Set (a bit mask) hold int64; Float long double;
// String and Method (the bound method's name) std::string; Object and Component a pointer.
using TPropertyValue = std::variant<std::int64_t, long double, bool, std::string, TPersistent*>;

// A named integer value, such as a colour name.
struct TIdentEntry {
    std::string_view name;
    std::int64_t value;
};

struct TPropertyInfo {
    std::string name;
    TPropertyType type = TPropertyType::Integer;
    std::function<TPropertyValue(const TPersistent&)> get;
    std::function<void(TPersistent&, const TPropertyValue&)> set;
    // Not stored when the value equals it. Without one, everything but an empty string is stored.
    std::optional<TPropertyValue> defaultValue;
    std::vector<std::string> names;      // enumeration values by ordinal, set elements by bit
    std::span<const TIdentEntry> idents; // names an integer property may be given by
    // Method properties only: binds the handler found under that name (null clears the event).
    std::function<void(TPersistent&, const std::string&, const std::any*)> bind;

    // Whether a writer stores the property's current value of instance.
    bool IsStored(const TPersistent& instance) const;
};

class TPropertyTable {
  public:
    TPropertyTable(const TPropertyTable* ancestor, std::vector<TPropertyInfo> own);

    // The property of that name (letter case ignored), a class's own before its ancestor's; or null.
    const TPropertyInfo* Find(std::string_view name) const;
    // Every property in writing order: the ancestor's first, a redeclared one in its own place.
    std::vector<const TPropertyInfo*> All() const;

  private:
    const TPropertyTable* ancestor_;
    std::vector<TPropertyInfo> own_;
};

namespace property_detail {

template <class T> T checkedIntegral(const TPropertyValue& value, const std::string& name) {
    const std::int64_t v = std::get<std::int64_t>(value);
    if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        (v > 0 && static_cast<std::uint64_t>(v) > static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
        throw EPropertyError("Value " + std::to_string(v) + " is out of range for " + name);
    return static_cast<T>(v);
}

std::string stringValue(const TPropertyValue& value);

} // namespace property_detail

// The setter's parameter type bounds the values a stream may give.
template <class C, class G, class S>
TPropertyInfo IntegerProperty(std::string name, G (C::*get)() const, void (C::*set)(S),
                              std::optional<std::int64_t> defaultValue = std::nullopt,
                              std::span<const TIdentEntry> idents = {}) {
    TPropertyInfo info;
    info.type = sizeof(S) > 4 ? TPropertyType::Int64 : TPropertyType::Integer;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(std::int64_t((static_cast<const C&>(o).*get)()));
    };
    info.set = [set, name](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(property_detail::checkedIntegral<S>(v, name));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(*defaultValue);
    info.idents = idents;
    info.name = std::move(name);
    return info;
}

template <class C>
TPropertyInfo BooleanProperty(std::string name, bool (C::*get)() const, void (C::*set)(bool),
                              std::optional<bool> defaultValue = std::nullopt) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::Boolean;
    info.get = [get](const TPersistent& o) { return TPropertyValue((static_cast<const C&>(o).*get)()); };
    info.set = [set](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(std::get<bool>(v));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(*defaultValue);
    return info;
}

template <class C>
TPropertyInfo FloatProperty(std::string name, long double (C::*get)() const, void (C::*set)(long double),
                            std::optional<long double> defaultValue = std::nullopt) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::Float;
    info.get = [get](const TPersistent& o) { return TPropertyValue((static_cast<const C&>(o).*get)()); };
    info.set = [set](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(std::get<long double>(v));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(*defaultValue);
    return info;
}

template <class C, class R>
TPropertyInfo StringProperty(std::string name, R (C::*get)() const, void (C::*set)(const std::string&),
                             std::optional<std::string> defaultValue = std::nullopt) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::String;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(std::string((static_cast<const C&>(o).*get)()));
    };
    info.set = [set](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(std::get<std::string>(v));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(*defaultValue);
    return info;
}

// names[i] is the identifier of the enumeration value i.
template <class C, class E>
TPropertyInfo EnumProperty(std::string name, E (C::*get)() const, void (C::*set)(E),
                           std::vector<std::string> names,
                           std::optional<std::type_identity_t<E>> defaultValue = std::nullopt) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::Enumeration;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(std::int64_t((static_cast<const C&>(o).*get)()));
    };
    info.set = [set](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(static_cast<E>(std::get<std::int64_t>(v)));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(std::int64_t(*defaultValue));
    info.names = std::move(names);
    return info;
}

// A set as a bit mask: bit i stands for names[i].
template <class C>
TPropertyInfo SetProperty(std::string name, std::uint32_t (C::*get)() const, void (C::*set)(std::uint32_t),
                          std::vector<std::string> names,
                          std::optional<std::uint32_t> defaultValue = std::nullopt) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::Set;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(std::int64_t((static_cast<const C&>(o).*get)()));
    };
    info.set = [set](TPersistent& o, const TPropertyValue& v) {
        (static_cast<C&>(o).*set)(static_cast<std::uint32_t>(std::get<std::int64_t>(v)));
    };
    if (defaultValue)
        info.defaultValue = TPropertyValue(std::int64_t(*defaultValue));
    info.names = std::move(names);
    return info;
}

// An object the instance owns (nested properties are stored under "Name.") or a collection.
template <class C, class T> TPropertyInfo ObjectProperty(std::string name, T* (C::*get)() const) {
    TPropertyInfo info;
    info.name = std::move(name);
    info.type = TPropertyType::Object;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(static_cast<TPersistent*>((static_cast<const C&>(o).*get)()));
    };
    return info;
}

// A reference to another component, stored by its name.
template <class C, class T>
TPropertyInfo ComponentProperty(std::string name, T* (C::*get)() const, void (C::*set)(T*)) {
    TPropertyInfo info;
    info.type = TPropertyType::Component;
    info.get = [get](const TPersistent& o) {
        return TPropertyValue(static_cast<TPersistent*>((static_cast<const C&>(o).*get)()));
    };
    info.set = [set, name](TPersistent& o, const TPropertyValue& v) {
        TPersistent* target = std::get<TPersistent*>(v);
        T* typed = dynamic_cast<T*>(target);
        if (target != nullptr && typed == nullptr)
            throw EPropertyError("Property " + name + " cannot refer to a " +
                                 std::string(target->ClassName()));
        (static_cast<C&>(o).*set)(typed);
    };
    info.name = std::move(name);
    return info;
}

// An event: a std::function member bound by method name.
template <class C, class Signature>
TPropertyInfo EventProperty(std::string name, std::function<Signature> C::*member) {
    TPropertyInfo info;
    info.type = TPropertyType::Method;
    info.get = [member](const TPersistent& o) {
        const auto* named = (static_cast<const C&>(o).*member).template target<TNamedMethod<Signature>>();
        return TPropertyValue(named != nullptr ? named->Name() : std::string());
    };
    info.bind = [member, name](TPersistent& o, const std::string& method, const std::any* handler) {
        std::function<Signature> bound;
        if (handler != nullptr) {
            const auto* typed = std::any_cast<std::function<Signature>>(handler);
            if (typed == nullptr)
                throw EPropertyError("Method " + method + " does not fit event " + name);
            bound = TNamedMethod<Signature>(method, *typed);
        }
        static_cast<C&>(o).*member = std::move(bound);
    };
    info.name = std::move(name);
    return info;
}

} // namespace toolkit
