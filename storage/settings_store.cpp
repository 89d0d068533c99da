#include "storage/settings_store.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>

#include "storage/atomic_file.h"
#include "storage/expand_path.h"
#include "storage/ini_file.h"
#include "storage/process_values.h"
#include "storage/random_bytes.h"
#include "storage/registry_file.h"
#include "storage/unique_fd.h"
#include "support/fields.h"

namespace wb {

namespace {

// The program family's key below HKEY_CURRENT_USER.
constexpr char16_t kFamilyKey[] = u"\\Software\\Morvane\\";

// The settings file's read buffer holds 2048 characters including the terminator.
constexpr size_t kMaxIniValueLength = 2047;

// The hive holds the user's private settings; the settings file lies beside a program that
// others may share, so it gets the usual modes.
const AtomicUpdateOptions kHiveOptions{0600, 0700, 10000};
const AtomicUpdateOptions kIniOptions{0644, 0755, 10000};

// A file parsed before the lock is taken, to see whether a change is needed at all, and reused
// under the lock when the file has not changed in between (the common case), so that a change
// parses the file only once.
template <class Document>
class ParsedBeforeLock {
 public:
  explicit ParsedBeforeLock(std::optional<std::string> bytes)
      : bytes_(std::move(bytes).value_or(std::string())), doc_(bytes_) {}
  const Document& doc() const { return doc_; }
  // The document for the contents read under the lock; call once.
  Document Take(const std::string& current) {
    return current == bytes_ ? std::move(doc_) : Document(current);
  }

 private:
  std::string bytes_;
  Document doc_;
};

// A settings file as far as it is read: at most kMaxSettingsFileSize bytes, and of a file
// larger than that only the part before the last line within the limit that starts a key or
// section, so that no key is read cut in half (settings_store.h says why).
std::optional<std::string> ReadSettingsFile(const std::string& path) {
  auto bytes = ReadWholeFile(path, kMaxSettingsFileSize + 1);
  if (!bytes || bytes->size() <= kMaxSettingsFileSize) return bytes;
  bytes->resize(kMaxSettingsFileSize);
  size_t cut = 0;
  for (size_t at = bytes->rfind('\n'); at != std::string::npos && at > 0;
       at = bytes->rfind('\n', at - 1)) {
    const size_t start = bytes->find_first_not_of(" \t", at + 1);
    if (start != std::string::npos && (*bytes)[start] == '[') {
      cut = at + 1;
      break;
    }
  }
  bytes->resize(cut);
  return bytes;
}

Text ExecutableNameWithoutExtension() {
  return Text(NameWithoutExtension(ExecutablePath()));
}

Text SectionOrDefault(const Text& section) {
  return section.empty() ? ExecutableNameWithoutExtension() : section;
}

Text CutIniValue(Text value) {
  if (value.size() > kMaxIniValueLength) {
    value.resize(kMaxIniValueLength);
    // Half of a surrogate pair would not survive a conversion to UTF-8.
    if (value.back() >= 0xD800 && value.back() <= 0xDBFF) value.pop_back();
  }
  return value;
}

Text ReadIniAt(const std::string& path, const Text& section, const Text& name, const Text& def) {
  auto bytes = ReadSettingsFile(path);
  if (!bytes) return def;
  auto value = IniDocument(*bytes).Read(section, name);
  return value ? CutIniValue(std::move(*value)) : def;
}

// The text a registry value holds for reading and comparing: empty for a missing value and
// for a value of another kind than text.
Text TextOf(const std::optional<RegistryValue>& value) {
  if (!value || value->kind == RegistryValueKind::Other) return {};
  return value->text;
}

Text ReadRegistryText(const RegistryKeyPath& key, const Text& name) {
  auto bytes = ReadSettingsFile(CurrentUserHivePath());
  if (!bytes) return {};
  return TextOf(RegistryDocument(*bytes).Value(key, name));
}

RegistryKeyPath RegistryPathFor(const Text& keyAfterMarkers) {
  return SplitRegistryKey(RegistryKeyFor(keyAfterMarkers));
}

// Stores `fresh` as the installation id unless another process stored one first; returns the id
// that is stored then. The check and the write happen under the file's lock, so two processes
// that start together agree on one id.
Text StoreIdIfAbsent(const Text& fresh) {
  Text winner = fresh;
  try {
    if (UsesSettingsFile(RegistryRoot::HKEY_CURRENT_USER)) {
      const Text section = SectionOrDefault({});
      UpdateFileAtomically(
          SettingsFilePath(),
          [&](const std::string& current) -> std::optional<std::string> {
            IniDocument doc(current);
            auto stored = doc.Read(section, {});
            if (stored && !stored->empty()) {
              winner = CutIniValue(*stored);
              return std::nullopt;
            }
            doc.Write(section, {}, fresh);
            return doc.Bytes();
          },
          kIniOptions);
    } else {
      const RegistryKeyPath key = RegistryPathFor({});
      const std::string hive = CurrentUserHivePath();
      if (hive.empty()) return fresh;
      UpdateFileAtomically(
          hive,
          [&](const std::string& current) -> std::optional<std::string> {
            RegistryDocument doc(current);
            Text stored = TextOf(doc.Value(key, {}));
            if (!stored.empty()) {
              winner = stored;
              return std::nullopt;
            }
            doc.SetText(key, {}, fresh);
            return doc.Bytes();
          },
          kHiveOptions);
    }
  } catch (const std::exception&) {
    // Storing may fail (a read-only folder); the id is still good for this call.
    return fresh;
  }
  return winner;
}

}  // namespace

bool CarryOverEarlierSettings() {
  if (Process().vendor.empty() || UsesSettingsFile(RegistryRoot::HKEY_CURRENT_USER)) return false;
  try {
    const std::string hive = CurrentUserHivePath();
    const std::string earlier = CurrentUserHivePathFor({});
    if (hive.empty() || earlier.empty() || hive == earlier || ReadSettingsFile(hive)) return false;
    const std::optional<std::string> bytes = ReadSettingsFile(earlier);
    if (!bytes || !RegistryDocument(*bytes).KeyExists(RegistryPathFor(ExpandKeyMarkers(u"#n"))))
      return false;
    // The whole file is copied, not only this copy's key: that is one atomic write that keeps
    // every value the copy could read before (also those it shares with others, such as the
    // installation id), and the old file stays as it was for the other copies and for a copy
    // whose vendor is taken away again. Reading from the old place instead would have to
    // decide on every read and write where the settings are, and would go on writing under
    // our name. The copy is made only while the new file does not exist, checked again under
    // its lock, so two starts never copy twice and nothing the vendor's hive holds is lost.
    return UpdateFileAtomically(
        hive,
        [&](const std::string& current) -> std::optional<std::string> {
          if (!current.empty()) return std::nullopt;
          return *bytes;
        },
        kHiveOptions);
  } catch (const std::exception&) {
    // The copy then starts with settings of its own; the earlier ones are still in their place.
    return false;
  }
}

SettingsFileError::SettingsFileError(const std::string& path, const std::string& reason)
    : std::runtime_error("The settings file \"" + path + "\" cannot be written: " + reason + "."),
      path_(path) {}

std::string SettingsResult::Message() const {
  return SettingsFileError(path, reason).what();
}

Text VarToText(const VarValue& value) {
  struct Visitor {
    Text operator()(std::monostate) const { return {}; }
    Text operator()(const Text& text) const { return text; }
    Text operator()(std::int64_t number) const { return Ascii(std::to_string(number)); }
    Text operator()(bool truth) const { return truth ? u"True" : u"False"; }
    Text operator()(double number) const {
      if (std::isnan(number)) return u"NAN";
      if (std::isinf(number)) return number > 0 ? u"INF" : u"-INF";
      char buffer[64];
      auto result =
          std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 15);
      std::string text(buffer, result.ptr);
      // "1e+20" and "1.5e-06" become "1E20" and "1.5E-6".
      size_t e = text.find('e');
      if (e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        std::string sign;
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
          if (exponent[0] == '-') sign = "-";
          exponent.erase(0, 1);
        }
        size_t firstDigit = exponent.find_first_not_of('0');
        exponent = firstDigit == std::string::npos ? "0" : exponent.substr(firstDigit);
        text = mantissa + "E" + sign + exponent;
      }
      return Ascii(text);
    }
  };
  return std::visit(Visitor{}, value);
}

Text ExpandKeyMarkers(const Text& key) {
  Text result = key;
  const Text title = ApplicationTitle();
  ReplaceAllInPlace(result, u"#t", title);
  ReplaceAllInPlace(result, u"#v", title + u"\\Var");
  ReplaceAllInPlace(result, u"#n", ExecutableNameWithoutExtension());
  return result;
}

Text RegistryKeyFor(const Text& key) {
  if (!key.empty() && key.front() == u'\\') return key;
  return kFamilyKey + key;
}

bool UsesSettingsFile(RegistryRoot root) {
  return Process().portable == 1 && root == RegistryRoot::HKEY_CURRENT_USER;
}

std::string SettingsFilePath(const Text& file, const Text& folder) {
  return ToUtf8(ExpandPath(file.empty() ? Text(u".ini") : file,
                           folder.empty() ? Process().dataFolder : folder));
}

Text ReadVar(const Text& key, const Text& name, const Text& def, RegistryRoot root) {
  try {
    const Text expanded = ExpandKeyMarkers(key);
    if (UsesSettingsFile(root)) return IniReadVar(expanded, name, def, {}, {});
    if (root != RegistryRoot::HKEY_CURRENT_USER) return def;
    Text text = ReadRegistryText(RegistryPathFor(expanded), name);
    return text.empty() ? def : text;
  } catch (const std::exception&) {
    return def;
  }
}

bool WriteVar(const Text& key, const Text& name, const Text& value, RegistryRoot root) {
  const Text expanded = ExpandKeyMarkers(key);
  if (UsesSettingsFile(root)) return IniWriteVar(expanded, name, value, {}, {});
  if (root != RegistryRoot::HKEY_CURRENT_USER) return false;
  // A registry text ends at its first NUL, so such a value could not be held as given.
  if (value.find(u'\0') != Text::npos) return false;
  try {
    const RegistryKeyPath path = RegistryPathFor(expanded);
    const std::string hive = CurrentUserHivePath();
    ParsedBeforeLock<RegistryDocument> before(ReadSettingsFile(hive));
    if (TextOf(before.doc().Value(path, name)) == value) return true;
    if (hive.empty() || !CheckRegistryNames(path, name).empty()) return false;
    UpdateFileAtomically(
        hive,
        [&](const std::string& current) -> std::optional<std::string> {
          RegistryDocument doc = before.Take(current);
          if (TextOf(doc.Value(path, name)) == value) return std::nullopt;
          doc.SetText(path, name, value);
          return doc.Bytes();
        },
        kHiveOptions);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool DeleteVar(const Text& key, const Text& name, RegistryRoot root) {
  const Text expanded = ExpandKeyMarkers(key);
  if (UsesSettingsFile(root)) return IniWriteVar(expanded, name, Text(), {}, {});
  if (root != RegistryRoot::HKEY_CURRENT_USER) return false;
  const RegistryKeyPath path = RegistryPathFor(expanded);
  const std::string hive = CurrentUserHivePath();
  auto remove = [&](RegistryDocument& doc) {
    return name.empty() ? doc.DeleteKey(path) : doc.DeleteValue(path, name);
  };
  // Nothing to remove needs no lock, and leaves a missing file missing.
  auto before = ReadSettingsFile(hive);
  if (hive.empty() || !before) return false;
  {
    RegistryDocument doc(*before);
    if (!remove(doc)) return false;
  }
  bool removed = false;
  try {
    UpdateFileAtomically(
        hive,
        [&](const std::string& current) -> std::optional<std::string> {
          RegistryDocument doc(current);
          removed = remove(doc);
          if (!removed) return std::nullopt;
          return doc.Bytes();
        },
        kHiveOptions);
  } catch (const FileError& e) {
    throw SettingsFileError(hive, e.reason());
  }
  return removed;
}

Text IniReadVar(const Text& section, const Text& name, const Text& def, const Text& file,
                const Text& folder) {
  try {
    return ReadIniAt(SettingsFilePath(file, folder), SectionOrDefault(section), name, def);
  } catch (const std::exception&) {
    return def;
  }
}

bool IniWriteVar(const Text& section, const Text& name, const VarValue& value, const Text& file,
                 const Text& folder) {
  const Text sectionName = SectionOrDefault(section);
  const std::string path = SettingsFilePath(file, folder);
  const Text text = VarToText(value);
  ParsedBeforeLock<IniDocument> before(ReadSettingsFile(path));
  if (CutIniValue(before.doc().Read(sectionName, name).value_or(Text())) == text) return true;
  std::string refusal = IniDocument::CheckWritable(sectionName, name, text);
  if (!refusal.empty()) throw SettingsFileError(path, refusal);
  try {
    UpdateFileAtomically(
        path,
        [&](const std::string& current) -> std::optional<std::string> {
          IniDocument doc = before.Take(current);
          if (doc.Read(sectionName, name).value_or(Text()) == text) return std::nullopt;
          doc.Write(sectionName, name, text);
          return doc.Bytes();
        },
        kIniOptions);
  } catch (const FileError& e) {
    throw SettingsFileError(path, e.reason());
  }
  return true;
}

namespace {

SettingsResult WriteRegistryVars(const Text& expanded, const std::vector<VarChange>& changes) {
  const RegistryKeyPath path = RegistryPathFor(expanded);
  const std::string hive = CurrentUserHivePath();
  if (hive.empty()) return {hive, "there is no folder for the per-user settings"};
  for (const VarChange& c : changes) {
    std::string refusal = CheckRegistryNames(path, c.name);
    // A registry text ends at its first NUL, so such a value could not be held as given.
    if (refusal.empty() && c.value && c.value->find(u'\0') != Text::npos)
      refusal = "a value with a NUL character cannot be stored";
    if (!refusal.empty()) return {hive, refusal};
  }
  auto apply = [&](RegistryDocument& doc) {
    bool changed = false;
    for (const VarChange& c : changes) {
      if (c.value) {
        if (TextOf(doc.Value(path, c.name)) == *c.value) continue;
        doc.SetText(path, c.name, *c.value);
        changed = true;
      } else if (doc.DeleteValue(path, c.name)) {
        changed = true;
      }
    }
    return changed;
  };
  {
    // Nothing to change needs no lock, and leaves a missing file missing.
    RegistryDocument doc(ReadSettingsFile(hive).value_or(std::string()));
    if (!apply(doc)) return {hive, {}};
  }
  try {
    UpdateFileAtomically(
        hive,
        [&](const std::string& current) -> std::optional<std::string> {
          RegistryDocument doc(current);
          if (!apply(doc)) return std::nullopt;
          return doc.Bytes();
        },
        kHiveOptions);
  } catch (const FileError& e) {
    return {hive, e.reason()};
  } catch (const std::exception& e) {
    return {hive, e.what()};
  }
  return {hive, {}};
}

SettingsResult WriteIniVars(const Text& section, const std::vector<VarChange>& changes) {
  const std::string path = SettingsFilePath();
  for (const VarChange& c : changes) {
    std::string refusal = IniDocument::CheckWritable(section, c.name, c.value.value_or(Text()));
    if (!refusal.empty()) return {path, refusal};
  }
  auto apply = [&](IniDocument& doc) {
    bool changed = false;
    for (const VarChange& c : changes) {
      const Text text = c.value.value_or(Text());
      if (doc.Read(section, c.name).value_or(Text()) == text) continue;
      doc.Write(section, c.name, text);
      changed = true;
    }
    return changed;
  };
  {
    IniDocument doc(ReadSettingsFile(path).value_or(std::string()));
    if (!apply(doc)) return {path, {}};
  }
  try {
    UpdateFileAtomically(
        path,
        [&](const std::string& current) -> std::optional<std::string> {
          IniDocument doc(current);
          if (!apply(doc)) return std::nullopt;
          return doc.Bytes();
        },
        kIniOptions);
  } catch (const FileError& e) {
    return {path, e.reason()};
  } catch (const std::exception& e) {
    return {path, e.what()};
  }
  return {path, {}};
}

}  // namespace

SettingsResult WriteVars(const Text& key, const std::vector<VarChange>& changes,
                         RegistryRoot root) {
  try {
    const Text expanded = ExpandKeyMarkers(key);
    if (UsesSettingsFile(root)) return WriteIniVars(SectionOrDefault(expanded), changes);
    if (root != RegistryRoot::HKEY_CURRENT_USER)
      return {{}, "only the current user's settings can be changed"};
    return WriteRegistryVars(expanded, changes);
  } catch (const std::exception& e) {
    return {{}, e.what()};
  }
}

std::optional<Text> ReadIniEntryAnywhere(const std::string& path, TextView section, TextView name) {
  constexpr size_t kMaxLine = 64 << 10;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  IniEntryScan scan(section, name);
  std::string line;
  bool first = true;
  char buffer[65536];
  auto feed = [&] {
    std::string_view text = line;
    // The byte-order mark of a UTF-8 file is not part of its first line.
    if (first && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    first = false;
    const bool more = scan.Feed(text);
    line.clear();
    return more;
  };
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c == '\n' || c == '\r') {
        if (!feed()) return scan.Result();
        continue;
      }
      if (line.size() < kMaxLine) line += c;
    }
  }
  feed();
  return scan.Result();
}

Text NewGuidText() {
  unsigned char bytes[16];
  FillRandom(bytes, sizeof bytes);
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 1
  static const char16_t digits[] = u"0123456789ABCDEF";
  Text text = u"{";
  for (size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  text += u'}';
  return text;
}

Text InstallationId() {
  Text id = ReadVar({}, {}, {}, RegistryRoot::HKEY_CURRENT_USER);
  if (!id.empty()) return id;
  return StoreIdIfAbsent(NewGuidText());
}

}  // namespace wb
