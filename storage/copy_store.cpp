#include "storage/copy_store.h"

namespace wb {

Text CopyKeyPath(CopyKey key) {
  switch (key) {
    case CopyKey::kPermissions:
      return u"#n\\Permissions";
    case CopyKey::kZoom:
      return u"#n\\Zoom";
    case CopyKey::kWindow:
      return u"#n\\Window";
    case CopyKey::kFolders:
      return u"#n\\Folders";
    case CopyKey::kUpdate:
      return u"#n\\Update";
  }
  return {};
}

Text SettingsCopyStore::Read(CopyKey key, const Text& name) {
  return ReadVar(CopyKeyPath(key), name);
}

SettingsResult SettingsCopyStore::Write(CopyKey key, const std::vector<VarChange>& changes) {
  return WriteVars(CopyKeyPath(key), changes);
}

Text MemoryCopyStore::Read(CopyKey key, const Text& name) {
  const auto& values = values_[key];
  auto it = values.find(name);
  return it == values.end() ? Text() : it->second;
}

SettingsResult MemoryCopyStore::Write(CopyKey key, const std::vector<VarChange>& changes) {
  ++writes;
  if (!refusal.empty()) return {"memory", refusal};
  auto& values = values_[key];
  for (const VarChange& c : changes) {
    if (c.value)
      values[c.name] = *c.value;
    else
      values.erase(c.name);
  }
  return {};
}

}  // namespace wb
