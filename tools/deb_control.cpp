#include "tools/deb_control.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <iterator>
#include <stdexcept>

#include "platform/glib_ptr.h"
#include "support/ascii.h"
#include "support/maker.h"
#include "support/text.h"

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

// The words of `paragraph` as lines of at most `width` columns where the words allow it; a
// word longer than a line stays whole on a line of its own.
std::vector<std::string> Folded(const std::string& paragraph, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t start = 0;
  while (start < paragraph.size()) {
    std::size_t end = paragraph.find(' ', start);
    if (end == std::string::npos) end = paragraph.size();
    const std::string word = paragraph.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Appends `lines` to `out` as the continuation lines of a field: each after a blank, an empty
// one as " .", and one that begins with "." after a second blank, since dpkg keeps lines that
// begin " ." for itself. With `fold`, a line that begins with a letter is folded to fit 79
// columns; a line that begins with a blank is shown as it is, so it stays as it was written.
void AppendFieldLines(std::string& out, const std::vector<std::string>& lines, bool fold) {
  for (const std::string& line : lines) {
    if (line.empty()) {
      out += " .\n";
    } else if (line.front() == '.') {
      out += "  " + line + "\n";
    } else if (!fold || line.front() == ' ') {
      out += " " + line + "\n";
    } else {
      for (const std::string& part : Folded(line, 78)) out += " " + part + "\n";
    }
  }
}

// The lines of `paragraphs` (divided by empty lines) folded to 72 columns.
std::vector<std::string> FoldedText(std::initializer_list<std::string> paragraphs) {
  std::vector<std::string> lines;
  for (const std::string& paragraph : paragraphs) {
    if (!lines.empty()) lines.emplace_back();
    if (paragraph.front() == ' ') {
      lines.push_back(paragraph);
      continue;
    }
    for (std::string& line : Folded(paragraph, 72)) lines.push_back(std::move(line));
  }
  return lines;
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

bool IsDebianSection(std::string_view section) {
  static constexpr std::string_view kSections[] = {
      "admin",       "cli-mono",     "comm",         "database",      "debian-installer",
      "debug",       "devel",        "doc",          "editors",       "education",
      "electronics", "embedded",     "fonts",        "games",         "gnome",
      "gnu-r",       "gnustep",      "golang",       "graphics",      "hamradio",
      "haskell",     "httpd",        "interpreters", "introspection", "java",
      "javascript",  "kde",          "kernel",       "libdevel",      "libs",
      "lisp",        "localization", "mail",         "math",          "metapackages",
      "misc",        "net",          "news",         "ocaml",         "oldlibs",
      "otherosfs",   "perl",         "php",          "python",        "raku",
      "ruby",        "rust",         "science",      "shells",        "sound",
      "tasks",       "tex",          "text",         "utils",         "vcs",
      "video",       "web",          "x11",          "xfce",          "zope"};
  for (std::string_view area : {"contrib/", "non-free/", "non-free-firmware/"}) {
    if (section.substr(0, area.size()) == area) {
      section.remove_prefix(area.size());
      break;
    }
  }
  return std::find(std::begin(kSections), std::end(kSections), section) != std::end(kSections);
}

bool IsHomepage(std::string_view url) {
  if (url.empty() || url.size() > 2000 ||
      !std::all_of(url.begin(), url.end(), [](char c) { return c > 0x20 && c < 0x7f; })) {
    return false;
  }
  return !wb::MakerAddress(wb::FromUtf8(std::string(url))).empty();
}

std::vector<std::string> DescriptionLines(std::string_view text, std::size_t maxBytes) {
  if (text.size() > maxBytes)
    throw std::invalid_argument("longer than " + std::to_string(maxBytes / 1024) + " KiB");
  if (!IsUtf8(text)) throw std::invalid_argument("not UTF-8 text");
  std::vector<std::string> lines;
  std::size_t number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    ++number;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::string line;
    std::size_t column = 0;
    for (char c : raw) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '\t') {
        // Debian faults a tab in a description; the text keeps its columns.
        do line += ' ';
        while (++column % 8 != 0);
        continue;
      }
      if (u < 0x20 || u == 0x7f) {
        throw std::invalid_argument("line " + std::to_string(number) +
                                    " holds a control character");
      }
      line += c;
      if ((u & 0xC0) != 0x80) ++column;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    // One empty line divides paragraphs; more would make empty paragraphs.
    if (!line.empty() || (!lines.empty() && !lines.back().empty())) lines.push_back(line);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) throw std::invalid_argument("holds no text");
  return lines;
}

std::vector<std::string> DefaultDescription(const std::string& title, const std::string& maker) {
  // The text must not start with the synopsis, which the title often is, and speaks of the
  // copy alone: the program it was made from is no concern of the customer's.
  return {"This package puts " + title + (maker.empty() ? "" : " by " + maker) +
          " on the desktop, as an application in a window of its own."};
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
  field("Section", fields.section);
  field("Priority", "optional");
  field("Homepage", fields.homepage);
  field("Description", fields.synopsis);
  AppendFieldLines(text, fields.description, true);
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

std::optional<License> KnownLicense(std::string_view spdxName) {
  // The short licences, whole, since Debian systems do not carry them.
  static const std::string kMitText[] = {
      "Permission is hereby granted, free of charge, to any person obtaining a copy of this "
      "software and associated documentation files (the \"Software\"), to deal in the Software "
      "without restriction, including without limitation the rights to use, copy, modify, "
      "merge, publish, distribute, sublicense, and/or sell copies of the Software, and to "
      "permit persons to whom the Software is furnished to do so, subject to the following "
      "conditions:",
      "The above copyright notice and this permission notice shall be included in all copies or "
      "substantial portions of the Software.",
      "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, "
      "INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR "
      "PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE "
      "LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT "
      "OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR "
      "OTHER DEALINGS IN THE SOFTWARE."};
  static const std::string kIsc[] = {
      "Permission to use, copy, modify, and/or distribute this software for any purpose with or "
      "without fee is hereby granted, provided that the above copyright notice and this "
      "permission notice appear in all copies.",
      "THE SOFTWARE IS PROVIDED \"AS IS\" AND THE AUTHOR DISCLAIMS ALL WARRANTIES WITH REGARD "
      "TO THIS SOFTWARE INCLUDING ALL IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS. IN NO "
      "EVENT SHALL THE AUTHOR BE LIABLE FOR ANY SPECIAL, DIRECT, INDIRECT, OR CONSEQUENTIAL "
      "DAMAGES OR ANY DAMAGES WHATSOEVER RESULTING FROM LOSS OF USE, DATA OR PROFITS, WHETHER "
      "IN AN ACTION OF CONTRACT, NEGLIGENCE OR OTHER TORTIOUS ACTION, ARISING OUT OF OR IN "
      "CONNECTION WITH THE USE OR PERFORMANCE OF THIS SOFTWARE."};
  const std::string bsdStart =
      "Redistribution and use in source and binary forms, with or without modification, are "
      "permitted provided that the following conditions are met:";
  const std::string bsd1 =
      "1. Redistributions of source code must retain the above copyright notice, this list of "
      "conditions and the following disclaimer.";
  const std::string bsd2 =
      "2. Redistributions in binary form must reproduce the above copyright notice, this list "
      "of conditions and the following disclaimer in the documentation and/or other materials "
      "provided with the distribution.";
  const std::string bsd3 =
      "3. Neither the name of the copyright holder nor the names of its contributors may be "
      "used to endorse or promote products derived from this software without specific prior "
      "written permission.";
  const std::string bsdEnd =
      "THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\" AND ANY "
      "EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED WARRANTIES OF "
      "MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE DISCLAIMED. IN NO EVENT SHALL "
      "THE COPYRIGHT HOLDER OR CONTRIBUTORS BE LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL, "
      "SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT LIMITED TO, PROCUREMENT "
      "OF SUBSTITUTE GOODS OR SERVICES; LOSS OF USE, DATA, OR PROFITS; OR BUSINESS "
      "INTERRUPTION) HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT "
      "LIABILITY, OR TORT (INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE "
      "OF THIS SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.";
  auto onDebian = [](const std::string& what, const std::string& file) {
    return "On Debian systems, the complete text of " + what + " can be found in \"" +
           "/usr/share/common-licenses/" + file + "\".";
  };
  // The GNU licences' own notice, for one version or that version and any later one.
  auto gnu = [&onDebian](const std::string& name, const std::string& version, bool later,
                         const std::string& file) {
    const std::string license = "the GNU " + name + " Public License";
    return License{
        file + (later ? "+" : ""),
        FoldedText({"This program is free software: you can redistribute it and/or modify it "
                    "under the terms of " +
                        license + " as published by the Free Software Foundation, " +
                        (later ? "either version " + version +
                                     " of the License, or (at your option) any later version."
                               : "version " + version + " of the License."),
                    "This program is distributed in the hope that it will be useful, but WITHOUT "
                    "ANY WARRANTY; without even the implied warranty of MERCHANTABILITY or "
                    "FITNESS FOR A PARTICULAR PURPOSE. See " +
                        license + " for more details.",
                    onDebian(license + " version " + version, file)})};
  };
  const std::string name(spdxName);
  if (name == "MIT") return License{"Expat", FoldedText({kMitText[0], kMitText[1], kMitText[2]})};
  if (name == "ISC") return License{"ISC", FoldedText({kIsc[0], kIsc[1]})};
  if (name == "BSD-2-Clause")
    return License{"BSD-2-clause", FoldedText({bsdStart, bsd1, bsd2, bsdEnd})};
  if (name == "BSD-3-Clause")
    return License{"BSD-3-clause", FoldedText({bsdStart, bsd1, bsd2, bsd3, bsdEnd})};
  if (name == "Apache-2.0") {
    return License{
        "Apache-2.0",
        FoldedText({"Licensed under the Apache License, Version 2.0 (the \"License\"); you may "
                    "not use this file except in compliance with the License. You may obtain a "
                    "copy of the License at",
                    "    https://www.apache.org/licenses/LICENSE-2.0",
                    "Unless required by applicable law or agreed to in writing, software "
                    "distributed under the License is distributed on an \"AS IS\" BASIS, WITHOUT "
                    "WARRANTIES OR CONDITIONS OF ANY KIND, either express or implied. See the "
                    "License for the specific language governing permissions and limitations "
                    "under the License.",
                    onDebian("the Apache License, Version 2.0", "Apache-2.0")})};
  }
  if (name == "MPL-2.0") {
    return License{
        "MPL-2.0",
        FoldedText({"This Source Code Form is subject to the terms of the Mozilla "
                    "Public License, v. 2.0. If a copy of the MPL was not distributed "
                    "with this file, You can obtain one at https://mozilla.org/MPL/2.0/.",
                    onDebian("the Mozilla Public License, v. 2.0", "MPL-2.0")})};
  }
  if (name == "CC0-1.0") {
    return License{
        "CC0-1.0",
        FoldedText({"To the extent possible under law, the author(s) have dedicated all "
                    "copyright and related and neighboring rights to this software to the public "
                    "domain worldwide. This software is distributed without any warranty.",
                    onDebian("the CC0 1.0 Universal Public Domain Dedication", "CC0-1.0")})};
  }
  struct Gnu {
    const char* spdx;
    const char* name;
    const char* version;
    bool later;
    const char* file;
  };
  static constexpr Gnu kGnu[] = {
      {"GPL-2.0-only", "General", "2", false, "GPL-2"},
      {"GPL-2.0-or-later", "General", "2", true, "GPL-2"},
      {"GPL-3.0-only", "General", "3", false, "GPL-3"},
      {"GPL-3.0-or-later", "General", "3", true, "GPL-3"},
      {"LGPL-2.1-only", "Lesser General", "2.1", false, "LGPL-2.1"},
      {"LGPL-2.1-or-later", "Lesser General", "2.1", true, "LGPL-2.1"},
      {"LGPL-3.0-only", "Lesser General", "3", false, "LGPL-3"},
      {"LGPL-3.0-or-later", "Lesser General", "3", true, "LGPL-3"},
  };
  for (const Gnu& g : kGnu) {
    if (name == g.spdx) return gnu(g.name, g.version, g.later, g.file);
  }
  return std::nullopt;
}

std::string KnownLicenseNames() {
  return "MIT, ISC, BSD-2-Clause, BSD-3-Clause, Apache-2.0, MPL-2.0, CC0-1.0, GPL-2.0-only, "
         "GPL-2.0-or-later, GPL-3.0-only, GPL-3.0-or-later, LGPL-2.1-only, LGPL-2.1-or-later, "
         "LGPL-3.0-only, LGPL-3.0-or-later";
}

License LicenseFromText(std::string_view text) {
  License license{"custom", DescriptionLines(text, std::size_t{256} << 10)};
  std::string lower;
  for (const std::string& line : license.text) {
    for (char c : line) lower += AsciiLower(c);
    lower += '\n';
  }
  // Debian faults a copyright file that copies a licence its systems carry, or names one
  // without pointing to the system's copy of it.
  const bool pointer = lower.find("/usr/share/common-licenses/") != std::string::npos;
  for (const char* carried :
       {"general public license", "free documentation license", "apache license", "gpl"}) {
    if (lower.find(carried) == std::string::npos) continue;
    if (!pointer || lower.find("terms and conditions") != std::string::npos) {
      throw std::invalid_argument(
          "it holds or names a licence that Debian systems carry in /usr/share/common-licenses: "
          "give its name instead (" +
          KnownLicenseNames() + ")");
    }
  }
  return license;
}

std::string CopyrightText(const CopyrightFields& fields) {
  std::string text =
      "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
      "Upstream-Name: " +
      fields.upstreamName + "\n";
  if (!fields.contact.empty()) {
    text += "Upstream-Contact: " + fields.contact.front() + "\n";
    AppendFieldLines(text, {fields.contact.begin() + 1, fields.contact.end()}, false);
  }
  if (!fields.source.empty()) text += "Source: " + fields.source + "\n";
  text += "\nFiles: *\nCopyright: " + ChangelogDate(fields.time).substr(12, 4) + " " +
          fields.holder + "\n";
  const License license =
      fields.license
          ? *fields.license
          : License{"unspecified", FoldedText({"The terms under which you may use and pass on this "
                                               "package are those its maker gave you with it."})};
  text += "License: " + license.name + "\n";
  AppendFieldLines(text, license.text, false);
  return text;
}

namespace {

// The text as Debian compares a synopsis with the package's name: without regard to case,
// blanks and "-".
std::string Plain(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == ' ' || c == '-') continue;
    result += AsciiLower(c);
  }
  return result;
}

// Whether `text` begins with the package's name as a word ("Greenleaf Garden Supplies" of the
// package greenleaf), which Debian calls a fault whatever follows.
bool BeginsWithPackage(const std::string& text, const std::string& package) {
  if (text.size() < package.size()) return false;
  for (std::size_t i = 0; i < package.size(); ++i)
    if (AsciiLower(text[i]) != AsciiLower(package[i])) return false;
  if (text.size() == package.size()) return true;
  const char next = text[package.size()];
  return !(std::isalnum(static_cast<unsigned char>(next)) || next == '_');
}

}  // namespace

std::string SynopsisFault(const std::string& synopsis, const std::string& package) {
  if (BeginsWithPackage(synopsis, package)) return "it begins with the package's name";
  if (synopsis.find(' ') == std::string::npos) return "it is a single word";
  return {};
}

std::string DefaultSynopsis(const std::string& title, const std::string& package) {
  if (title.empty()) return package + " as a desktop application";
  // A synopsis is a short line (Debian warns above 80 characters, and the package refuses one
  // above 200), so a long title is cut at a blank before the 78th character and ends in "...".
  std::string shortTitle = title;
  if (g_utf8_strlen(title.data(), static_cast<gssize>(title.size())) > 80) {
    const char* cut = g_utf8_offset_to_pointer(title.data(), 77);
    shortTitle.resize(static_cast<std::size_t>(cut - title.data()));
    const auto blank = shortTitle.rfind(' ');
    if (blank != std::string::npos && blank > shortTitle.size() / 2) shortTitle.resize(blank);
    while (!shortTitle.empty() && shortTitle.back() == ' ') shortTitle.pop_back();
    shortTitle += "...";
  }
  // A title that only repeats the package's name, or is a single word, is said as what it is,
  // since Debian calls either synopsis a fault.
  const std::string synopsis =
      Plain(title) == Plain(package) || shortTitle.find(' ') == std::string::npos
          ? shortTitle + " as a desktop application"
          : shortTitle;
  return BeginsWithPackage(synopsis, package) ? "Desktop application for " + shortTitle : synopsis;
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
