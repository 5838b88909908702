// Sets an environment variable for one test and puts the old value back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        set(name, value.c_str());
    }
    ~ScopedEnvironment() {
        if (old_)
            set(name_, old_->c_str());
        else
            unset(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    // The C runtime of Windows has no setenv; an empty value there removes the variable.
#ifdef _WIN32
    static void set(const char* name, const char* value) { _putenv_s(name, value); }
    static void unset(const char* name) { _putenv_s(name, ""); }
#else
    static void set(const char* name, const char* value) { setenv(name, value, 1); }
    static void unset(const char* name) { unsetenv(name); }
#endif

    const char* name_;
    std::optional<std::string> old_;
};

} // namespace testing_support
