// The component classes a form stream may create, by class name. Each program (or test) fills its
// own registry with what its forms hold and hands it to the reader.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class TComponent;

class TClassRegistry {
  public:
    // Creates a component owned by owner (the form's root) and returns it; the owner frees it.
    using Factory = std::function<TComponent*(TComponent* owner)>;

    void Register(std::string className, Factory create);
    template <class T> void Register(std::string className) {
        Register(std::move(className), [](TComponent* owner) -> TComponent* { return new T(owner); });
    }

    // The factory of that class (letter case ignored), or null.
    const Factory* Find(std::string_view className) const;

  private:
    std::vector<std::pair<std::string, Factory>> classes_;
};

} // namespace toolkit
