// Event handlers by method name. A form's root object lists its handlers here; the form reader binds
// an event property to the handler that the stream names. The bound handler remembers its name, so a
// writer can store the event again.
#pragma once

#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace toolkit {

template <class Signature> class TNamedMethod;

// A handler that carries the method name it was bound by; it lives inside the event's std::function.
template <class R, class... Args> class TNamedMethod<R(Args...)> {
  public:
    TNamedMethod(std::string name, std::function<R(Args...)> handler)
        : name_(std::move(name)), handler_(std::move(handler)) {}

    R operator()(Args... args) const { return handler_(std::forward<Args>(args)...); }
    const std::string& Name() const { return name_; }

  private:
    std::string name_;
    std::function<R(Args...)> handler_;
};

class TMethodTable {
  public:
    template <class Signature> void Add(std::string name, std::function<Signature> handler) {
        entries_.emplace_back(std::move(name), std::any(std::move(handler)));
    }

    // The handler (a std::function of its own signature) or null when no method has that name.
    const std::any* Find(std::string_view name) const;

  private:
    std::vector<std::pair<std::string, std::any>> entries_;
};

} // namespace toolkit
