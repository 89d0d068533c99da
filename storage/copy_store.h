#pragma once
// What a copy remembers from one run to the next: the person's answers to its pages'
// permission requests, the zoom chosen per site, the window's placement and the folder last
// saved into. Every key the copy keeps lies here, under the copy's own name ("#n", the
// executable's file name without extension), so that a new kind of memory is one more CopyKey
// and one more row in KeyPath.
//
// The window reaches them through a CopyStore it is given (WebFormServices::store): the program
// passes a SettingsCopyStore over the settings store, tests pass a MemoryCopyStore.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/settings_store.h"
#include "support/text.h"

namespace wb {

// The keys, each with its value names:
enum class CopyKey {
  // "#n\Permissions": value name "ORIGIN KIND" (PermissionValueName), value "allow" or
  // "block"; the kind "external:SCHEME" for handing an address of another scheme to another
  // program.
  kPermissions,
  // "#n\Zoom": value name the origin, value the level in percent.
  kZoom,
  // "#n\Window": values "Width", "Height", "Maximized", "Left", "Top" (model/window_memory.h).
  kWindow,
  // "#n\Folders": value "Save", the folder a file of this copy was last saved into.
  kFolders,
  // "#n\Update": value "Checked", the time of the last look at the maker's notice of a newer
  // version, in seconds since the epoch (support/update_notice.h).
  kUpdate,
};

// The settings-store key of `key`, with the copy's marker: "#n\Permissions" and so on.
Text CopyKeyPath(CopyKey key);

// The remembered values. Reads never fail: a value that is missing or cannot be read is empty
// text. A write changes several values of one key together, all or none, and says why when it
// cannot (SettingsResult::reason).
class CopyStore {
 public:
  virtual ~CopyStore() = default;
  virtual Text Read(CopyKey key, const Text& name) = 0;
  virtual SettingsResult Write(CopyKey key, const std::vector<VarChange>& changes) = 0;

  SettingsResult Write(CopyKey key, const Text& name, const Text& value) {
    return Write(key, {{name, value}});
  }
  SettingsResult Remove(CopyKey key, const Text& name) { return Write(key, {{name, {}}}); }
};

// The copy's values in the settings store (storage/settings_store.h): the registry hive, or in
// portable operation the settings file. Each Write is one WriteVars.
class SettingsCopyStore : public CopyStore {
 public:
  Text Read(CopyKey key, const Text& name) override;
  SettingsResult Write(CopyKey key, const std::vector<VarChange>& changes) override;
  using CopyStore::Write;
};

// The values in memory, for tests and for a window that is given no store: nothing outlives
// the object. Names compare exactly. A test that sets `refusal` sees every write refused with
// it, as a file that cannot be written would refuse it.
class MemoryCopyStore : public CopyStore {
 public:
  Text Read(CopyKey key, const Text& name) override;
  SettingsResult Write(CopyKey key, const std::vector<VarChange>& changes) override;
  using CopyStore::Write;

  // The values of one key, by name.
  std::map<Text, Text>& Values(CopyKey key) { return values_[key]; }
  // Every write refused with this reason while it is not empty.
  std::string refusal;
  // The number of writes that reached the store, made or refused.
  int writes = 0;

 private:
  std::map<CopyKey, std::map<Text, Text>> values_;
};

}  // namespace wb
