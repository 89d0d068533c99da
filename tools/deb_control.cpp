#include "tools/deb_control.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/glib_ptr.h"
#include "support/ascii.h"

namespace wbctl {
namespace {

using wb::AsciiLower;
using wb::IsAsciiAlnum;
using wb::IsAsciiDigit;

bool IsLowerAlnum(char c) {
  return wb::IsAsciiLowerLetter(c) || IsAsciiDigit(c);
}

bool AllOf(std::string_view text, std::string_view extra) {
  return std::all_of(text.begin(), text.end(), [extra](char c) {
    return IsAsciiAlnum(c) || extra.find(c) != std::string_view::npos;
  });
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

bool IsUtf8(std::string_view text) {
  return g_utf8_validate(text.data(), text.size(), nullptr);
}

// Appends `paragraph` to `out` as lines of the extended description: each starts with a blank
// and holds at most 79 columns where the words allow it.
void AppendFolded(std::string& out, const std::string& paragraph) {
  if (paragraph.empty()) {
    out += " .\n";
    return;
  }
  std::string line;
  std::size_t start = 0;
  while (start < paragraph.size()) {
    std::size_t end = paragraph.find(' ', start);
    if (end == std::string::npos) end = paragraph.size();
    const std::string word = paragraph.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > 78) {
      out += " " + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) out += " " + line + "\n";
}

std::string Md5(std::string_view bytes) {
  wb::GPtr<gchar> sum(g_compute_checksum_for_data(
      G_CHECKSUM_MD5, reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  return sum.get();
}

// The lines the maintainer scripts share. dpkg's triggers of the packages that own these tools
// do the same where they are installed; the scripts cover a system that lacks the trigger
// and cost nothing where it has it.
constexpr const char* kRefreshCaches =
    "if command -v update-desktop-database >/dev/null 2>&1; then\n"
    "  update-desktop-database -q /usr/share/applications || true\n"
    "fi\n"
    "if command -v gtk-update-icon-cache >/dev/null 2>&1 &&\n"
    "   [ -f /usr/share/icons/hicolor/icon-theme.cache ]; then\n"
    "  gtk-update-icon-cache -q -t -f /usr/share/icons/hicolor || true\n"
    "fi\n";

}  // namespace

std::string VersionInFileName(std::string_view version) {
  const auto colon = version.find(':');
  return std::string(colon == std::string_view::npos ? version : version.substr(colon + 1));
}

bool IsNativeVersion(std::string_view version) {
  return version.find('-') == std::string_view::npos;
}

bool IsMaintainer(std::string_view maintainer) {
  if (maintainer.size() > 200 || !IsUtf8(maintainer) || HasControlCharacter(maintainer))
    return false;
  const auto open = maintainer.find('<');
  if (open == std::string_view::npos || open < 2 || maintainer[open - 1] != ' ' ||
      maintainer.back() != '>') {
    return false;
  }
  const std::string_view name = maintainer.substr(0, open - 1);
  const std::string_view address = maintainer.substr(open + 1, maintainer.size() - open - 2);
  if (name.front() == ' ' || name.back() == ' ' ||
      name.find_first_of("<>,") != std::string_view::npos) {
    return false;
  }
  const auto at = address.find('@');
  return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
         address.find('@', at + 1) == std::string_view::npos &&
         address.find_first_of(" <>,") == std::string_view::npos;
}

bool IsSynopsis(std::string_view synopsis) {
  // Characters count, not bytes, so a title in any script has the same room as one in English;
  // the byte bound keeps g_utf8_strlen from walking an unbounded text.
  return !synopsis.empty() && synopsis.size() <= 4 * 200 && IsUtf8(synopsis) &&
         g_utf8_strlen(synopsis.data(), static_cast<gssize>(synopsis.size())) <= 200 &&
         !HasControlCharacter(synopsis) && synopsis.front() != ' ' && synopsis.back() != ' ';
}

std::optional<PackageRecord> ParsePackageRecord(std::string_view text) {
  if (text.size() > 4096) return std::nullopt;
  std::optional<std::string> architecture;
  std::optional<std::string> depends;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    auto take = [&line](std::string_view field, std::optional<std::string>& into) {
      if (line.substr(0, field.size()) != field) return false;
      if (into) throw std::invalid_argument("repeated");
      into = std::string(line.substr(field.size()));
      return true;
    };
    try {
      if (!take("Architecture: ", architecture) && !take("Depends: ", depends)) return std::nullopt;
    } catch (const std::invalid_argument&) {
      return std::nullopt;
    }
  }
  if (!architecture || !depends || architecture->empty() || depends->empty()) return std::nullopt;
  if (!std::all_of(architecture->begin(), architecture->end(),
                   [](char c) { return IsLowerAlnum(c) || c == '-'; }) ||
      !AllOf(*depends, "+.~:- ,|()<>=")) {
    return std::nullopt;
  }
  return PackageRecord{*architecture, *depends};
}

std::string ControlText(const ControlFields& fields) {
  std::string text;
  auto field = [&text](std::string_view name, const std::string& value) {
    if (!value.empty()) text.append(name).append(": ").append(value).append("\n");
  };
  field("Package", fields.package);
  field("Version", fields.version);
  field("Architecture", fields.architecture);
  field("Maintainer", fields.maintainer);
  field("Installed-Size", std::to_string(fields.installedSizeKiB));
  field("Depends", fields.depends);
  field("Recommends", fields.recommends);
  field("Section", "web");
  field("Priority", "optional");
  field("Description", fields.synopsis);
  for (const auto& paragraph : fields.description) AppendFolded(text, paragraph);
  return text;
}

std::uint64_t InstalledSizeKiB(const std::vector<PackageFile>& files) {
  std::uint64_t total = 0;
  for (const auto& file : files) total += file.directory ? 1 : (file.bytes.size() + 1023) / 1024;
  return total;
}

std::string Md5sumsText(const std::vector<PackageFile>& files) {
  std::vector<const PackageFile*> sorted;
  for (const auto& file : files) {
    if (!file.directory) sorted.push_back(&file);
  }
  std::sort(sorted.begin(), sorted.end(),
            [](const PackageFile* a, const PackageFile* b) { return a->path < b->path; });
  std::string text;
  for (const PackageFile* file : sorted) text += Md5(file->bytes) + "  " + file->path + "\n";
  return text;
}

std::string ChangelogDate(std::int64_t secondsSince1970) {
  // 253402300799 is 9999-12-31 23:59:59 UTC.
  if (secondsSince1970 < 0 || secondsSince1970 > 253402300799)
    throw std::invalid_argument("a time between 1970 and 9999");
  static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::int64_t days = secondsSince1970 / 86400;
  const std::int64_t secondOfDay = secondsSince1970 % 86400;
  // The civil date of a day count (Howard Hinnant's algorithm), free of the C library's
  // time zone and locale.
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[64];
  g_snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[days % 7],
             static_cast<int>(day), kMonths[month - 1], static_cast<int>(year),
             static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
             static_cast<int>(secondOfDay % 60));
  return text;
}

std::string ChangelogText(const std::string& package, const std::string& version,
                          const std::string& maintainer, std::int64_t time) {
  return package + " (" + version +
         ") unstable; urgency=medium\n\n"
         "  * Packaged with wbctl package.\n\n -- " +
         maintainer + "  " + ChangelogDate(time) + "\n";
}

std::string CopyrightText(const std::string& package, const std::string& title,
                          const std::string& maintainer, const std::string& programVersion,
                          std::int64_t time) {
  std::string text = package + ": " + title + "\n\n";
  text += "This package was made by " + maintainer + " with wbctl package.\n\n";
  text += "It holds a branded copy of WebBrowser";
  if (!programVersion.empty()) text += " " + programVersion;
  text +=
      ", a desktop web-application shell, with the\n"
      "configuration, icon and pictures its maker added. The web site it shows is not part\n"
      "of the package; its terms are those of the site.\n\n"
      "Copyright (C) " +
      ChangelogDate(time).substr(12, 4) + " " + maintainer +
      " for the branding; Morvane for the program.\n"
      "The terms under which you may use and pass on this package are those its\n"
      "maintainer gave you with it.\n";
  return text;
}

std::string DefaultSynopsis(const std::string& title, const std::string& package) {
  // Debian compares the two without regard to case, blanks and "-".
  auto plain = [](const std::string& text) {
    std::string result;
    for (char c : text) {
      if (c == ' ' || c == '-') continue;
      result += AsciiLower(c);
    }
    return result;
  };
  // Debian also calls it a fault when the synopsis begins with the package's name as a word
  // ("Greenleaf Garden Supplies" of the package greenleaf), whatever follows.
  auto beginsWithPackage = [&package](const std::string& text) {
    if (text.size() < package.size()) return false;
    for (std::size_t i = 0; i < package.size(); ++i)
      if (AsciiLower(text[i]) != AsciiLower(package[i])) return false;
    if (text.size() == package.size()) return true;
    const char next = text[package.size()];
    return !(std::isalnum(static_cast<unsigned char>(next)) || next == '_');
  };
  if (title.empty()) return package + " as a desktop application";
  const std::string synopsis =
      plain(title) == plain(package) ? title + " as a desktop application" : title;
  return beginsWithPackage(synopsis) ? "Desktop application for " + title : synopsis;
}

std::string PostinstScript() {
  return std::string("#!/bin/sh\nset -e\nif [ \"$1\" = configure ]; then\n") + kRefreshCaches +
         "fi\n";
}

std::string PostrmScript() {
  return std::string("#!/bin/sh\nset -e\nif [ \"$1\" = remove ] || [ \"$1\" = purge ]; then\n") +
         kRefreshCaches + "fi\n";
}

std::int64_t PackageTime(const char* value, std::int64_t fallback) {
  if (value == nullptr) return fallback;
  const std::string_view text(value);
  if (text.empty() || text.size() > 12 || !std::all_of(text.begin(), text.end(), IsAsciiDigit))
    throw std::invalid_argument("SOURCE_DATE_EPOCH must be a number of seconds since 1970");
  const std::int64_t seconds = std::stoll(std::string(text));
  if (seconds > 253402300799)
    throw std::invalid_argument("SOURCE_DATE_EPOCH lies after the year 9999");
  return seconds;
}

}  // namespace wbctl
