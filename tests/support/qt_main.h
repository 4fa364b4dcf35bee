#pragma once

#include <functional>

namespace rz4::testsupport {

// What a test program does around the application object that the shared main makes for all of
// its tests: before it is made (environment, attributes), once it exists (before the first test)
// and once it is destroyed again (a display it used may go now). Most programs need nothing; one
// that does registers this once, from a namespace-scope initialiser, and gets true back.
bool registerApplicationSetup(std::function<void()> before, std::function<void()> after = {},
                              std::function<void()> gone = {});

} // namespace rz4::testsupport
