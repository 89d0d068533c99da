#pragma once
// The maker of the program: its company name and its web site. The web site is the base of
// every address the program builds for the maker (gateway, support, shop, download, the
// built-in link bar and the start address of the shipped executable).
#include <string_view>

#include "support/text.h"

namespace wb {

// The maker's company name, as the about box and the shipped configuration show it.
inline constexpr std::u16string_view kCompanyName = u"Morvane";

// The maker's web site: scheme and host, without a trailing slash. The build sets it
// (WB_BASE_WEB_ADDRESS in CMakeLists.txt) and writes the same address as the start address of
// the embedded and the shipped configuration.
extern const std::u16string_view kBaseWebAddress;

// The base web address in effect: kBaseWebAddress, unless a test has pointed it elsewhere,
// in this process (SetBaseWebAddressForTests) or, for a program started by an end-to-end test,
// through the environment variable WB_TEST_BASE_WEB_ADDRESS holding a loopback address
// "http://127.0.0.1:PORT" or "http://localhost:PORT" (read once; any other value is ignored).
// Every address built for the maker goes through this function, never through the constant.
Text BaseWebAddress();

// Points BaseWebAddress() at `address` (for example a loopback server) for the rest of the
// process; an empty text restores the constant. Only tests call it, before any window exists.
void SetBaseWebAddressForTests(const Text& address);

}  // namespace wb
