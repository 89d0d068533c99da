#pragma once
// The look at the maker's notice of a newer version that a portable copy takes (the key
// "update" with the maker's public key; support/update_notice.h has the rules): the notice is
// fetched with the engine's own HTTP library, its signature checked by gpgv against the key the
// copy carries, and the outcome handed to the caller on the main loop. All of it runs
// asynchronously: starting a check costs the window a few allocations, and a server that does
// not answer only holds a socket until the time limit.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "support/update_notice.h"

namespace wb {

struct UpdateCheckRequest {
  std::string address;     // the notice's http or https address
  std::string key;         // the maker's public key, a binary OpenPGP key
  std::string copyName;    // the copy's name, which the notice must name
  std::string ownVersion;  // the copy's own version
};

struct UpdateCheckLimits {
  // The whole check, fetch and verification, ends after this many seconds.
  unsigned seconds = 30;
  std::size_t maxBytes = kMaxUpdateNoticeBytes;
};

struct UpdateCheckResult {
  enum class Outcome {
    kUpToDate,    // a valid notice of the copy's version or an older one
    kNewer,       // a valid notice of a newer version: `notice`
    kUnverified,  // the notice's signature is not the maker's, or it says nothing readable
    kFailed,      // nothing came: no answer, an error status, too large, no gpgv
  };
  Outcome outcome = Outcome::kFailed;
  UpdateNotice notice;
  std::string detail;  // why, for kUnverified and kFailed, in English for the log
};

class UpdateCheck {
 public:
  using Done = std::function<void(const UpdateCheckResult& result)>;

  // Starts the check and returns at once; `done` runs once on the main loop, unless the check
  // is destroyed first, which ends whatever is under way.
  UpdateCheck(UpdateCheckRequest request, Done done, UpdateCheckLimits limits = {});
  ~UpdateCheck();
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace wb
