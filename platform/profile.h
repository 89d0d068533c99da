#pragma once
// Where a branded copy keeps what its site stores: cookies, local storage, IndexedDB, service
// workers, HSTS and the cache. Each copy has folders of its own, named after the copy, so two
// copies never share a sign-in, and no copy writes into the folder of another program that
// happens to have the same name.
#include <stdexcept>
#include <string>

namespace wb {

struct Profile {
  std::string data;        // website data, ending in "/"; empty when nothing is kept
  std::string cache;       // the cache, ending in "/"; empty when nothing is kept
  bool ephemeral = false;  // nothing of the site is written to disk
};

// The profile of the copy whose name (its file name without extension) is `name`, for the
// folders the start-up set-up settled in Process(): $XDG_DATA_HOME/webbrowser/NAME/ and
// $XDG_CACHE_HOME/webbrowser/NAME/ (with the copy's vendor, Process().vendor, in place of
// "webbrowser" when it has one), or, for a portable copy, profiles/NAME/data/ and
// profiles/NAME/cache/ beside the executable, so that it writes nothing under the home folder.
// With `ephemeral` both are empty. A name that names no folder of its own (CopyNameProblem)
// raises ProfileError with the reason: no folder of another copy, the program's own among
// them, is ever taken for it.
class ProfileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
Profile ProfileFor(const std::string& name, bool ephemeral);

}  // namespace wb
