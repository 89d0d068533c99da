#pragma once
// Fetches the files of a web site for wbctl: one GET at a time over HTTP or HTTPS, redirects
// followed by hand (a bounded number, loops refused), every answer bounded in size and all of
// them together in time. No display is needed.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "support/certificate.h"

namespace wbctl {

// `total` bounds every fetch of one site together, whatever the server does: the connection,
// the TLS handshake, the status line, the headers and the body, each however slowly it comes.
struct SiteFetchLimits {
  std::chrono::steady_clock::duration total = std::chrono::seconds(30);
  int redirects = 10;
};

// The default limits, with `total` taken from the environment variable WBCTL_SITE_SECONDS when
// it holds a whole number of seconds from 1 to 300 (tests shorten the wait with it); any other
// value is ignored.
SiteFetchLimits SiteFetchLimitsFromEnvironment();

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
  // answer is no success (2xx), is larger than `maxBytes`, the time is up (the message names
  // the limit), a redirect loops or goes too far, or a certificate is refused.
  FetchedFile Get(const std::string& address, std::size_t maxBytes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace wbctl
