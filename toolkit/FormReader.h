// Builds a component tree from a component stream: the root record is read into an existing root
// object, child records create components through a class registry, properties are applied by their
// (dotted) names, references to components by name are resolved once the whole stream is read, and
// event handlers are bound through the root's method table. Any fault ends in EReadError naming what
// was not understood and the byte offset; the reader never reads past the end and always terminates.
#pragma once

#include "toolkit/FormStream.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace toolkit {

class TClassRegistry;
class TCollection;
class TComponent;
class TPersistent;
struct TPropertyInfo;

class TReader {
  public:
    TReader(std::span<const std::uint8_t> data, const TClassRegistry& classes);

    // Reads the whole stream into root, whose class must be the root record's class. Every component
    // read gets Loaded once all references are resolved.
    void ReadRootComponent(TComponent& root);

    // One value each, for the read callbacks of defined properties.
    TValueType NextValue() const { return input_.PeekValueType(); }
    std::int64_t ReadInteger();
    long double ReadFloat();
    std::string ReadString();
    std::string ReadIdent();
    bool ReadBoolean();
    std::span<const std::uint8_t> ReadBinary();
    std::size_t Position() const { return input_.Position(); }

  private:
    struct Fixup {
        TPersistent* instance;
        const TPropertyInfo* property;
        std::string target;
        std::size_t offset;
        std::vector<const TCollection*> collections; // the collections whose items hold instance
    };

    void ReadSignature();
    void ReadComponent(TComponent* parent);
    TComponent& ComponentForRecord(std::uint8_t flags, const std::string& className, const std::string& name,
                                   std::size_t offset);
    void ReadProperties(TPersistent& instance);
    void ReadProperty(TPersistent& instance);
    // instance: the object whose record holds the property (for messages); target: the one that has it.
    void ReadDefinedProperty(const TPersistent& instance, TPersistent& target, const std::string& name,
                             const std::string& path, std::size_t offset);
    void ReadPropertyValue(TPersistent& instance, const TPropertyInfo& info, std::size_t offset);
    void ReadCollection(TCollection& collection);
    void ReadCollectionItems(TCollection& collection);
    std::int64_t ReadIntegerFor(const TPropertyInfo& info);
    std::int64_t ReadEnumeration(const TPropertyInfo& info);
    std::int64_t ReadSet(const TPropertyInfo& info);
    void ReadReference(TPersistent& instance, const TPropertyInfo& info, std::size_t offset);
    void ReadEvent(TPersistent& instance, const TPropertyInfo& info);
    void ResolveFixups();
    void DropFixupsInside(const TCollection& collection);
    void EnterNesting();
    [[noreturn]] void WrongValue(const TPersistent& instance, const TPropertyInfo& info, TValueType type,
                                 std::size_t offset) const;

    TFormInput input_;
    const TClassRegistry& classes_;
    TComponent* root_ = nullptr;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    std::vector<const TCollection*> collections_;
    int nesting_ = 0;
};

} // namespace toolkit
