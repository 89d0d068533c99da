#include "support/maker.h"

#include <cstdlib>
#include <string>

#include "support/address_parts.h"

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

// The copy's maker, set at start on the user-interface thread like the override above.
CopyMaker& CopyMakerInEffect() {
  static CopyMaker maker;
  return maker;
}

}  // namespace

Text MakerText(TextView value) {
  return Text(TrimBlanks(value).substr(0, kMaxMakerText));
}

std::vector<Text> ContactLines(TextView value, std::size_t* dropped) {
  std::vector<Text> lines;
  std::size_t over = 0;
  while (true) {
    const auto bar = value.find(u'|');
    Text line = MakerText(value.substr(0, bar));
    if (!line.empty()) {
      if (lines.size() < kMaxContactLines)
        lines.push_back(std::move(line));
      else
        ++over;
    }
    if (bar == TextView::npos) break;
    value.remove_prefix(bar + 1);
  }
  if (dropped) *dropped = over;
  return lines;
}

Text MakerAddress(TextView value, bool withoutTrailingSlash) {
  TextView address = TrimBlanks(value);
  if (address.empty() || address.size() > 2000) return {};
  const AddressParts parts = ParseAddress(ToUtf8(address));
  if (!parts.valid || (parts.scheme != "http" && parts.scheme != "https") || parts.host.empty())
    return {};
  if (withoutTrailingSlash) {
    while (!address.empty() && address.back() == u'/') address.remove_suffix(1);
  }
  return Text(address);
}

void UseCopyMaker(CopyMaker maker) {
  CopyMakerInEffect() = std::move(maker);
}

const CopyMaker& OwnCopyMaker() {
  return CopyMakerInEffect();
}

Text BaseWebAddress() {
  const CopyMaker& maker = CopyMakerInEffect();
  if (!maker.homepage.empty()) return maker.homepage;
  const Text& address = BaseWebAddressOverride();
  return address.empty() ? Text(kBaseWebAddress) : address;
}

void SetBaseWebAddressForTests(const Text& address) {
  BaseWebAddressOverride() = address;
}

}  // namespace wb
