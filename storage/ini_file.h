#pragma once
// Profile (ini) files with the semantics of the Windows profile functions: "[section]" lines
// start sections, "name=value" lines are entries, sections and names compare without regard to
// case, and blanks around section names, names and values are not part of them. A change
// rewrites only the line it concerns and keeps every other line byte for byte.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

namespace wb {

// An ini file held as its lines.
//
// Reading is lenient and never fails:
// - The file is UTF-8 (a UTF-16 file with a byte-order mark is converted, and written back as
//   UTF-8; a UTF-8 byte-order mark is kept). Invalid bytes read as U+FFFD; lines may have any
//   length and any line end.
// - A line whose first non-blank character is "[" starts a section named by the text up to the
//   first "]", trimmed. Without a "]" the line is damaged: the entries after it, up to the next
//   good section line, belong to no section and are ignored.
// - A line whose first non-blank character is ";" is a comment.
// - Any other line with "=" is an entry: the name is the trimmed text before the first "=" (it
//   may be empty, which the installation id uses), the value the trimmed text after it, without
//   one pair of enclosing double or single quotes. Lines without "=" are ignored.
// - Lookup takes the first section with the name and in it the first entry with the name.
// Ignored and damaged lines are kept as they are by every change.
class IniDocument {
 public:
  explicit IniDocument(std::string_view bytes = {});

  // The value of the entry, or nullopt when the section or entry is missing.
  std::optional<Text> Read(TextView section, TextView name) const;

  // Why this section, name and value cannot be written into an ini file, or empty text when
  // they can: a line break in any of them, a "]" in the section, a "=" in the name or a name
  // that would read as a section or comment line would not come back as written.
  static std::string CheckWritable(TextView section, TextView name, TextView value);

  // Sets the entry, changing its line in place, adding it at the end of its section, or adding
  // the section at the end of the file. A value with blanks at either end, or that is enclosed
  // in quotes itself, is written in double quotes so that it reads back unchanged. The caller
  // checks CheckWritable first.
  void Write(TextView section, TextView name, TextView value);

  std::string Bytes() const;

 private:
  friend class IniEntryScan;
  enum class Kind { Other, Section, DamagedSection, Entry };
  struct Line {
    std::string raw;  // with its line end
    Kind kind = Kind::Other;
    // The section or entry name and the value as UTF-8, decoded only when a lookup needs
    // them, since every change reads the whole file again.
    std::string key;
    std::string value;
  };
  // The kind, key and value of one line (its raw text with or without its line end).
  static void Classify(std::string_view raw, Line& line);
  // Index of the section's line and one past its last line, or nullopt.
  std::optional<std::pair<size_t, size_t>> FindSection(TextView section) const;

  bool utf8Bom_ = false;  // kept on rewriting
  std::vector<Line> lines_;
};

// Finds one entry as IniDocument::Read does, from a UTF-8 file's lines given one at a time, so
// that a file of any size can be searched without holding it: the first section with the name,
// in it the first entry with the name.
class IniEntryScan {
 public:
  IniEntryScan(TextView section, TextView name);
  // The next line, with or without its line end. False once the answer is known.
  bool Feed(std::string_view line);
  // The entry's value, or nullopt when it was not (yet) found.
  const std::optional<Text>& Result() const { return result_; }

 private:
  std::string section_, name_;
  bool inSection_ = false;
  bool done_ = false;
  std::optional<Text> result_;
};

}  // namespace wb
