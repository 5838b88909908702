// The root of everything that can be stored in a form stream: a class name for messages, copying
// between objects of one family (Assign), the published properties a reader applies by name, and
// the defined properties (values such as an image's pixel data that no published property holds).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class TPropertyTable;
class TReader;
class TWriter;

// An assignment between two objects that cannot take each other's values.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What an object offers for its defined properties. The reader asks for one name and calls its read
// callback; the writer calls the write callback of every property that has data.
class TFiler {
  public:
    using ReadValue = std::function<void(TReader&)>;
    using WriteValue = std::function<void(TWriter&)>;
    using ReadBinary = std::function<void(std::span<const std::uint8_t>)>;
    using WriteBinary = std::function<std::vector<std::uint8_t>()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(std::string_view name, const ReadValue& read, const WriteValue& write,
                                bool hasData) = 0;
    virtual void DefineBinaryProperty(std::string_view name, const ReadBinary& read, const WriteBinary& write,
                                      bool hasData) = 0;
};

class TPersistent {
  public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent() = default;

    virtual std::string_view ClassName() const { return "TPersistent"; }

    // Takes the values of source. The base asks source to assign itself to this object, and fails with
    // EConvertError when neither class knows the other.
    virtual void Assign(const TPersistent& source);

    // The published properties of this object's class, its ancestors' included.
    virtual const TPropertyTable& PublishedProperties() const;
    virtual void DefineProperties(TFiler& filer);

  protected:
    virtual void AssignTo(TPersistent& dest) const;
};

using TNotifyEvent = std::function<void(TPersistent* Sender)>;

} // namespace toolkit
