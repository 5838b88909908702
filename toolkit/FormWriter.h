// Writes a component tree as a component stream: the root's record, its properties that differ from
// their defaults (nested objects under dotted names, collections, references by name, events by
// method name), its defined properties, and the records of its children.
#pragma once

#include "toolkit/FormStream.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class TCollection;
class TComponent;
class TPersistent;
struct TPropertyInfo;

class TWriter {
  public:
    void WriteRootComponent(TComponent& root);
    std::vector<std::uint8_t> Take() { return output_.Take(); }

    // One value each, for the write callbacks of defined properties.
    void WriteInteger(std::int64_t value) { output_.WriteInteger(value); }
    void WriteFloat(long double value) { output_.WriteExtended(value); }
    void WriteString(std::string_view text) { output_.WriteString(text); }
    void WriteIdent(std::string_view name) { output_.WriteIdent(name); }
    void WriteBoolean(bool value) { output_.WriteBoolean(value); }
    void WriteBinary(std::span<const std::uint8_t> bytes) { output_.WriteBinary(bytes); }

  private:
    void WriteComponent(TComponent& component);
    void WriteProperties(TPersistent& instance, const std::string& prefix);
    void WriteProperty(TPersistent& instance, const TPropertyInfo& info, const std::string& prefix);
    void WriteValue(const TPersistent& instance, const TPropertyInfo& info);
    void WriteCollection(TCollection& collection);
    void WriteDefinedProperties(TPersistent& instance, const std::string& prefix);

    TFormOutput output_;
    TComponent* root_ = nullptr;
};

} // namespace toolkit
