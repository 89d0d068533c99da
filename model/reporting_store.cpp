#include "model/reporting_store.h"

namespace wb {

SettingsResult ReportingCopyStore::Write(CopyKey key, const std::vector<VarChange>& changes) {
  SettingsResult result = inner_.Write(key, changes);
  if (!result.ok() && reported_.insert(result.reason).second && onRefused) onRefused(result);
  return result;
}

}  // namespace wb
