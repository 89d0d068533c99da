// The one parser of an address (ParseAddress) and the rules read from it: OriginOf,
// HostOfAddress, HasScheme, RestrictedPortOf and the name a saved page is offered under.
// Properties: an origin is an address whose origin is itself, in lower case; an address that
// is not valid has no origin and no host; the host the "internal" key compares is the parsed
// host less one trailing dot; a port is one a socket can have; the scheme test agrees with the
// parser; a page's file name is a plain, bounded name.
#include <string>

#include "fuzz/fuzz_check.h"
#include "support/address.h"
#include "support/address_parts.h"
#include "support/file_name.h"
#include "support/host_patterns.h"
#include "support/permissions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string address(reinterpret_cast<const char*>(data), size);
  const wb::AddressParts parts = wb::ParseAddress(address);
  const std::string origin = wb::OriginOf(address);
  const std::string host = wb::HostOfAddress(address);

  WB_FUZZ_CHECK(parts.port >= -1 && parts.port <= 65535);
  WB_FUZZ_CHECK(parts.host.size() <= 255);
  WB_FUZZ_CHECK(wb::HasScheme(address) == !parts.scheme.empty());
  if (parts.scheme.empty()) WB_FUZZ_CHECK(!parts.valid && parts.host.empty() && parts.path.empty());
  if (!parts.valid) WB_FUZZ_CHECK(origin.empty() && host.empty());

  if (!origin.empty()) {
    WB_FUZZ_CHECK(wb::OriginOf(origin) == origin);
    for (char c : origin) WB_FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
    WB_FUZZ_CHECK(origin == "file://" || origin.starts_with(parts.scheme + "://" + parts.host));
  }
  if (!host.empty()) {
    WB_FUZZ_CHECK(parts.host == host || parts.host == host + ".");
    WB_FUZZ_CHECK(wb::HostOfAddress(parts.scheme + "://" + parts.host + "/") == host);
  }

  const int restricted = wb::RestrictedPortOf(address);
  WB_FUZZ_CHECK(restricted == 0 || restricted == parts.port);

  const std::string name = wb::PageFileName(address, ".mhtml");
  WB_FUZZ_CHECK(!name.empty() && name.size() <= wb::kMaxSafeFileNameBytes);
  WB_FUZZ_CHECK(name.find('/') == std::string::npos && name.find('\0') == std::string::npos);
  WB_FUZZ_CHECK(wb::PercentDecoded(address).size() <= address.size());
  return 0;
}
