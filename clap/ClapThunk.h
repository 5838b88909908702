// The C entry points of the records the plug-in hands a host: each forwards to a member of the object
// it is called for, which the member's class finds from the plug-in record (`C::of(plugin)`). Nothing
// throws across them; a member that fails by an exception answers as a refusal.
#pragma once

#include "clap/ClapInterface.h"

namespace tmx1::clapentry {

template <auto member> struct Thunk;

template <typename C, typename R, typename... A, R (C::*member)(A...)> struct Thunk<member> {
    static R call(const clap::clap_plugin* plugin, A... args) {
        try {
            return (C::of(plugin).*member)(args...);
        } catch (...) {
            return R();
        }
    }
};

template <typename C, typename R, typename... A, R (C::*member)(A...) const> struct Thunk<member> {
    static R call(const clap::clap_plugin* plugin, A... args) {
        try {
            return (C::of(plugin).*member)(args...);
        } catch (...) {
            return R();
        }
    }
};

template <auto member> constexpr auto entry = &Thunk<member>::call;

} // namespace tmx1::clapentry
