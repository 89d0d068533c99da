#include "support/maker.h"

#include <cstdlib>
#include <string>

#ifndef WB_BASE_WEB_ADDRESS
#error "the build defines WB_BASE_WEB_ADDRESS, the maker's web site"
#endif

namespace wb {

const std::u16string_view kBaseWebAddress = u"" WB_BASE_WEB_ADDRESS;

namespace {

// End-to-end tests run the real program against a gateway served on loopback: they name it in
// this environment variable. Only a plain loopback web address is taken, so the variable can
// never send the program's gateway requests to another machine; anything else is ignored.
constexpr char kTestBaseVariable[] = "WB_TEST_BASE_WEB_ADDRESS";

Text LoopbackAddressFromEnvironment() {
  const char* value = std::getenv(kTestBaseVariable);
  if (!value) return Text();
  std::string address(value);
  if (address.size() > 100) return Text();
  for (const char* prefix : {"http://127.0.0.1:", "http://localhost:"}) {
    std::string port = address.substr(0, std::string(prefix).size()) == prefix
                           ? address.substr(std::string(prefix).size())
                           : std::string();
    if (!port.empty() && port.size() <= 5 &&
        port.find_first_not_of("0123456789") == std::string::npos)
      return Ascii(address);
  }
  return Text();
}

// Written only by tests before the windows exist, read afterwards on the user-interface thread.
Text& BaseWebAddressOverride() {
  static Text address = LoopbackAddressFromEnvironment();
  return address;
}

}  // namespace

Text BaseWebAddress() {
  const Text& address = BaseWebAddressOverride();
  return address.empty() ? Text(kBaseWebAddress) : address;
}

void SetBaseWebAddressForTests(const Text& address) {
  BaseWebAddressOverride() = address;
}

}  // namespace wb
