#pragma once
// Fetches the files of a web site for wbctl: one GET at a time over HTTP or HTTPS, redirects
// followed by hand (a bounded number, loops refused), every answer bounded in size and all of
// them together in time. No display is needed.
#include <chrono>
#include <cstddef>
#include <string>

#include "support/certificate.h"

namespace wbctl {

struct SiteFetchLimits {
  std::chrono::steady_clock::duration total = std::chrono::seconds(30);
  int redirects = 10;
};

struct FetchedFile {
  std::string address;  // the final address, after redirects
  std::string type;     // the Content-Type without parameters, lower case
  std::string body;
};

class SiteFetcher {
 public:
  // Certificates with problems are refused unless `trust` names them (a fingerprint alone
  // stands for every host fetched).
  SiteFetcher(wb::TrustList trust, SiteFetchLimits limits);
  ~SiteFetcher();
  SiteFetcher(const SiteFetcher&) = delete;
  SiteFetcher& operator=(const SiteFetcher&) = delete;

  // Fetches `address`. Raises std::runtime_error naming the address and the reason when the
  // answer is no success (2xx), is larger than `maxBytes`, the time is up, a redirect loops or
  // goes too far, or a certificate is refused.
  FetchedFile Get(const std::string& address, std::size_t maxBytes);

 private:
  struct State;
  State* state_;
};

}  // namespace wbctl
