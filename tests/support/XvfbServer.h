// A private X server for the tests that need a real display: Xvfb on a free display number, started
// when the first test asks for it and stopped when the test program ends. DISPLAY points at it, so the
// code under test connects to it as it would to a desktop's server.
#pragma once

#include <string>

namespace testing_support {

// Starts the server once per test program (later calls answer the same one) and sets DISPLAY.
// Fails the calling test when Xvfb cannot be started.
const std::string& privateDisplay();

} // namespace testing_support
