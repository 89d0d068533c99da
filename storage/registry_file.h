#pragma once
// The per-user registry hive, kept as a file in the text format of registry export files:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Morvane]
//   @="{6F9619FF-8B86-4011-B42D-00C04FC964FF}"
//
//   [HKEY_CURRENT_USER\Software\Morvane\WebBrowser\Setup]
//   "Name"="text with \"quotes\" and a \\ backslash"
//
// Key and value names compare without regard to case, as in the registry. A change rewrites
// only the lines it concerns and keeps every other line byte for byte.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/hive_path.h"
#include "support/text.h"

namespace wb {

// A key below HKEY_CURRENT_USER as its names, outermost first; empty for the root itself.
using RegistryKeyPath = std::vector<Text>;

// Splits "\Software\Morvane\X" (or "Software\Morvane\X\") at backslashes; empty names, such as
// those of a leading, trailing or doubled backslash, are dropped.
RegistryKeyPath SplitRegistryKey(TextView key);

// Why a key path and value name cannot be stored, or empty text when they can: the registry
// limits a key name to 255 characters and a value name to 16383, and a line break cannot be
// held in either.
std::string CheckRegistryNames(const RegistryKeyPath& key, TextView name);

enum class RegistryValueKind {
  Text,            // "..." or hex(1):
  ExpandableText,  // hex(2):, returned without expanding
  Other,           // dword:, hex:, other hex(n): kinds, and "-" (deletion marker)
};

struct RegistryValue {
  RegistryValueKind kind = RegistryValueKind::Other;
  Text text;  // for the text kinds
};

// A hive file held as its lines.
//
// Reading is lenient and never fails:
// - The file is UTF-8 (a UTF-16 file with a byte-order mark, as the registry editor writes,
//   is converted and written back as UTF-8). Lines may have any length and any line end; the
//   first line ("Windows Registry Editor Version 5.00" or "REGEDIT4") is not required.
// - A line that begins with "[" and ends with "]" (blanks around it ignored) starts a key; its
//   path must begin with "HKEY_CURRENT_USER", other roots are kept but ignored. A line that
//   begins with "[" without a closing "]", or with "[-", is damaged: the values after it, up to
//   the next good key line, belong to no key and are ignored.
// - A value line is `"name"=data` or `@=data` (the unnamed default value). Inside quotes "\\"
//   stands for a backslash and "\"" for a quote. The data is a quoted text, or hex(1): / hex(2):
//   followed by UTF-16LE bytes as two-digit hex numbers separated by commas (a line ending in
//   "\" continues on the next one); these are text values, read up to the first NUL character.
//   dword:, hex: and other hex(n): data are values of other kinds. A missing closing quote,
//   bad hex digits or anything else make the line damaged; damaged lines are ignored.
// - When a key appears more than once the later lines win, as on import.
// Ignored and damaged lines are kept as they are by every change.
class RegistryDocument {
 public:
  explicit RegistryDocument(std::string_view bytes = {});

  std::optional<RegistryValue> Value(const RegistryKeyPath& key, TextView name) const;

  // True when the key has a line of its own or one of its subkeys has.
  bool KeyExists(const RegistryKeyPath& key) const;

  // Sets a text value, creating the key when needed. The caller checks CheckRegistryNames.
  // The value is stored up to its first NUL character, since a text value ends there.
  void SetText(const RegistryKeyPath& key, TextView name, TextView value);

  // Removes every line of the value; true when there was one.
  bool DeleteValue(const RegistryKeyPath& key, TextView name);

  // Removes the key with all its subkeys and values; true when the key existed. The root
  // itself cannot be deleted.
  bool DeleteKey(const RegistryKeyPath& key);

  std::string Bytes() const;

  // Lines that could not be read (and are being ignored); 0 for a file this program wrote.
  size_t DamagedLines() const;

 private:
  enum class Kind { Other, Key, ForeignKey, DamagedKey, Value, DamagedValue };
  struct Line {
    std::string raw;  // with its line end; continuation lines included
    Kind kind = Kind::Other;
    RegistryKeyPath key;  // for Key
    // For Value: the name and, for the text kinds, the text, as UTF-8. Lines are decoded only
    // when a lookup needs them, since every change reads the whole file again.
    std::string name;
    RegistryValueKind valueKind = RegistryValueKind::Other;
    std::string valueUtf8;
  };
  bool IsKeyLine(size_t index) const;
  size_t SectionEnd(size_t header) const;
  std::string NewLineEnd() const;

  bool utf8Bom_ = false;
  std::vector<Line> lines_;
};

}  // namespace wb
