// A user at the panel on the headless screen, as the fuzzers play one: mouse and keys wherever they
// land, just outside the window too, with any buttons and modifiers, and drags.
#pragma once

#include "platform/headless/Screen.h"

#include <cstdint>

namespace hostfuzz {

// `in` is the fuzzer's reader (anything with byte()); `key()` reads the code a key event carries.
template <typename In, typename Key>
void actAsUser(In& in, platform::headless::HeadlessWindow& window, Key key) {
    const std::uint8_t what = in.byte();
    const int x = static_cast<int>(in.byte()) * (window.Width() + 40) / 255 - 20;
    const int y = static_cast<int>(in.byte()) * (window.Height() + 40) / 255 - 20;
    const auto button = static_cast<platform::MouseButton>((what >> 3) % 3);
    const unsigned modifiers = in.byte() & 0x47;
    switch (what % 6) {
    case 0: window.Press(x, y, button, modifiers); break;
    case 1: window.Release(x, y, button, modifiers); break;
    case 2: window.Move(x, y, modifiers); break;
    case 3: window.Leave(); break;
    case 4: window.Key(static_cast<platform::KeyEventKind>((what >> 3) % 3), key(), modifiers); break;
    default: // a drag: press, a few moves, release
        window.Press(x, y, button, modifiers);
        for (int i = 0; i < 4; ++i)
            window.Move(x + static_cast<std::int8_t>(in.byte()), y + static_cast<std::int8_t>(in.byte()),
                        modifiers | platform::ButtonModifier(button));
        window.Release(x, y, button, modifiers);
        break;
    }
}

} // namespace hostfuzz
