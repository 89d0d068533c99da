#include "support/maker.h"

namespace wb {
namespace {

// Written only by tests before the windows exist, read afterwards on the user-interface thread.
Text& BaseWebAddressOverride() {
  static Text address;
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
