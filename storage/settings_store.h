#pragma once
// The settings store: named text variables that survive the program. A variable is addressed
// by a key (a path of names), a value name and a registry root. Normally the variables live in
// the per-user registry hive file (storage/registry_file.h); in portable operation (portable
// mode exactly 1) the user's variables live in the settings file, an ini file named after the
// executable in the data folder, which is then the program folder. The caller does not choose.
//
// Nothing is cached: every operation reads the file, and every change re-reads it under an
// exclusive lock and replaces it atomically, so several processes share the variables and a
// crash never leaves a damaged file.
//
// Size: a settings file holds at most kMaxSettingsFileSize (16 MiB, storage/atomic_file.h). A
// change that would make it larger, and any change of a file that others have grown past the
// limit, is refused with that reason and the file stays as it was. Such a file is read up to
// the limit, and then only up to the start of the last key ("[...]" line) that begins within
// it: each key that is read is read whole, and the keys from there on read as absent, so a
// value is never read cut in half.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "support/text.h"

namespace wb {

// The registry roots. Only HKEY_CURRENT_USER has a store on this platform: for the others reads
// give the default and changes return false.
// The enumerators carry the registry's own names.
enum class RegistryRoot {
  HKEY_CLASSES_ROOT,
  HKEY_CURRENT_USER,
  HKEY_LOCAL_MACHINE,
  HKEY_USERS,
  HKEY_CURRENT_CONFIG,
};

// The settings file could not be written (or the section, name or value cannot be held by an
// ini file). The message names the file and the reason.
class SettingsFileError : public std::runtime_error {
 public:
  SettingsFileError(const std::string& path, const std::string& reason);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A value for IniWriteVar: null, text, an integer, a floating-point number or a truth value.
using VarValue = std::variant<std::monostate, Text, std::int64_t, double, bool>;

// Empty text for null; the text itself; decimal digits for an integer; up to 15 significant
// digits for a floating-point number ("." as decimal separator, "1E20" form for large and small
// numbers, "NAN", "INF", "-INF"); "True" or "False". Never fails.
Text VarToText(const VarValue& value);

// Replaces the key markers, each at every occurrence and in this order: "#t" by the
// application's title (ApplicationTitle, so the executable's name while the program has not
// named itself), "#v" by the title followed by "\Var", "#n" by the executable's file name
// without folder and extension.
Text ExpandKeyMarkers(const Text& key);

// What became of a change of the settings store: made, or refused with the reason.
struct [[nodiscard]] SettingsResult {
  std::string path;    // the file concerned (empty when the change never reached a file)
  std::string reason;  // empty: the change was made
  bool ok() const { return reason.empty(); }
  // "The settings file "PATH" cannot be written: REASON.", as SettingsFileError says it.
  std::string Message() const;
};

// One value of a key to change: a text to store, or nullopt to remove the value (in the
// settings file: to write empty text into it, as DeleteVar does).
struct VarChange {
  Text name;
  std::optional<Text> value;
};

// The registry key for a key after its markers: "\Software\Morvane\" + key, unless the key
// begins with "\" (a full path below the root).
Text RegistryKeyFor(const Text& key);

// True when variables of this root go to the settings file: portable mode is exactly 1 and the
// root is HKEY_CURRENT_USER.
bool UsesSettingsFile(RegistryRoot root);

// The settings file for IniReadVar/IniWriteVar: ExpandPath of `file` (empty: ".ini") in
// `folder` (empty: the data folder).
std::string SettingsFilePath(const Text& file = {}, const Text& folder = {});

// The variable's value, or `def`. From the registry an empty value, a value of another kind
// than text and a missing one all give `def`; from the settings file an entry that exists with
// an empty value gives empty text. Never raises.
Text ReadVar(const Text& key, const Text& name, const Text& def = {},
             RegistryRoot root = RegistryRoot::HKEY_CURRENT_USER);

// Stores a text variable; true when it holds `value` afterwards. A value equal to the stored
// one (a missing value counts as empty text) is not written again. In the registry a failure
// returns false and never raises; in the settings file it raises SettingsFileError.
[[nodiscard]] bool WriteVar(const Text& key, const Text& name, const Text& value,
                            RegistryRoot root = RegistryRoot::HKEY_CURRENT_USER);

// Makes all the changes to the values of `key` as one write: one lock, one atomic replacement
// of the file, all of them or none. Values that already hold what is asked are not written
// again, and a change that changes nothing writes nothing. Never raises: a change that cannot
// be made is refused with its reason (names or values the file cannot hold, a root without a
// store, the size limit above, a read-only or full file system, a lock not given), and the file
// stays as it was.
[[nodiscard]] SettingsResult WriteVars(const Text& key, const std::vector<VarChange>& changes,
                                       RegistryRoot root = RegistryRoot::HKEY_CURRENT_USER);

// Registry: removes the value `name`, or with an empty name the whole key with all its
// subkeys; true when something was removed. Settings file: writes empty text into the entry
// (the section stays) and returns true. Raises SettingsFileError when the file cannot be
// written.
[[nodiscard]] bool DeleteVar(const Text& key, const Text& name,
                             RegistryRoot root = RegistryRoot::HKEY_CURRENT_USER);

// The entry `name` of `section` in the settings file, cut to 2047 characters, or `def` when the
// file, section or entry is missing. An empty section means the executable's file name without
// extension. Never raises.
Text IniReadVar(const Text& section, const Text& name, const Text& def, const Text& file = {},
                const Text& folder = {});

// Stores VarToText(value) under `name` in `section` of the settings file, creating the file and
// its folder when needed; true when done. An equal value is not written again. Raises
// SettingsFileError when the file cannot be written or the entry cannot be held in it.
[[nodiscard]] bool IniWriteVar(const Text& section, const Text& name, const VarValue& value,
                               const Text& file = {}, const Text& folder = {});

// The entry `name` of `section` in the ini file at `path` wherever it stands in the file, as
// IniDocument::Read finds it, reading the file a piece at a time without its size limit (for
// the "Portable" entry, which must not depend on the file's size). Lines longer than 64 KiB
// are read up to that length. nullopt when the file, section or entry is missing.
std::optional<Text> ReadIniEntryAnywhere(const std::string& path, TextView section, TextView name);

// For a copy that has been given a vendor (Process().vendor): when the vendor's hive file
// (CurrentUserHivePath) does not exist yet and the hive without a vendor has a key of this copy
// ("#n"), copies that file whole to the vendor's place, once and atomically, so the copy keeps
// every setting it had. The old file is left as it was. True when the copy was made; false
// when nothing was to be done or it failed (the copy then starts afresh). Never raises.
bool CarryOverEarlierSettings();

// The installation id: a version-4 GUID from the system's random source in the form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex, 38 characters), stored as the
// unnamed value of the empty key on first use. Processes that ask at the same moment agree on
// one id. When it cannot be stored, every call makes a new one. Never raises.
Text InstallationId();

// A new version-4 GUID in the form above.
Text NewGuidText();

}  // namespace wb
