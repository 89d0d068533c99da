#pragma once
// A copy's store that says why it cannot keep something, once for each cause. Every read and
// write goes to the store it wraps; the first refusal of each reason (a full disk, a read-only
// file system, the settings files' size limit) is passed to onRefused, later refusals for the
// same reason are not. So a person who keeps pressing Ctrl++ on a full disk reads one message,
// not one per key press, and the window carries on.
#include <functional>
#include <set>
#include <string>

#include "storage/copy_store.h"

namespace wb {

class ReportingCopyStore : public CopyStore {
 public:
  // `inner` must outlive this store.
  explicit ReportingCopyStore(CopyStore& inner) : inner_(inner) {}

  Text Read(CopyKey key, const Text& name) override { return inner_.Read(key, name); }
  SettingsResult Write(CopyKey key, const std::vector<VarChange>& changes) override;
  using CopyStore::Write;

  // A refusal whose reason was not reported before.
  std::function<void(const SettingsResult& refused)> onRefused;

 private:
  CopyStore& inner_;
  std::set<std::string> reported_;
};

}  // namespace wb
