// wbctl package: the names, versions and control text of a copy's Debian package as tables,
// the archives read back with libarchive, and the tool on the real program: what it writes,
// that the same inputs give the same bytes, and what it refuses.
#include <archive.h>
#include <archive_entry.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tools/archive_writer.h"
#include "tools/deb_control.h"

namespace wbctl {
namespace {

namespace fs = std::filesystem;
using wbtest::ReadFile;
using wbtest::Wbctl;
using wbtest::WriteFile;

TEST(WbctlPackageNames, PackageNameIsMadeValidFromTheCopysName) {
  struct Case {
    const char* copy;
    const char* package;  // "" when none can be made
  };
  const Case cases[] = {
      {"acme", "acme"},
      {"Acme_Shop", "acme-shop"},
      {"acme.portal-2", "acme.portal-2"},
      {"ACME+X", "acme+x"},
      {"9to5", "9to5"},
      {"_portal", "portal"},
      {"__a_", "a-"},
      {"-.x", ""},
      {"A", ""},
      {"", ""},
      {"ab\xC3\xA9", "ab--"},
  };
  for (const Case& c : cases) EXPECT_EQ(DebianPackageName(c.copy), c.package) << c.copy;
}

TEST(WbctlPackageNames, VersionsAreThoseDpkgTakes) {
  struct Case {
    std::string version;
    bool valid;
    const char* inFileName;
    bool native;
  };
  const Case cases[] = {
      {"1.0", true, "1.0", true},
      {"1.0.0.1", true, "1.0.0.1", true},
      {"2.1-1", true, "2.1-1", false},
      {"1:2.3-4", true, "2.3-4", false},
      {"1.0~rc1+dfsg", true, "1.0~rc1+dfsg", true},
      {"1-2-3", true, "1-2-3", false},
      {"1:2:3", true, "2:3", true},
      {"0", true, "0", true},
      {"", false, "", true},
      {"a1", false, "", true},
      {"v1.0", false, "", true},
      {"1.0_1", false, "", true},
      {"1 0", false, "", true},
      {"1:", false, "", true},
      {":1", false, "", true},
      {"x:1", false, "", true},
      {"1.0-", false, "", false},
      {"1.0-a_b", false, "", false},
      {"1.0\n", false, "", true},
      {std::string(128, '1'), true, "", true},
      {std::string(129, '1'), false, "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDebianVersion(c.version), c.valid) << c.version;
    if (!c.valid) continue;
    if (*c.inFileName) {
      EXPECT_EQ(VersionInFileName(c.version), c.inFileName);
    }
    EXPECT_EQ(IsNativeVersion(c.version), c.native) << c.version;
  }
}

TEST(WbctlPackageNames, MaintainerAndSynopsisAreChecked) {
  struct Case {
    const char* maintainer;
    bool valid;
  };
  const Case maintainers[] = {
      {"Acme Ltd <pkg@acme.example>", true},
      {"J\xC3\xBCrgen M\xC3\xBCller <jm@example.org>", true},
      {"A <a@b>", true},
      {"Acme Ltd", false},
      {"<pkg@acme.example>", false},
      {"Acme Ltd<pkg@acme.example>", false},
      {"Acme Ltd <pkg.acme.example>", false},
      {"Acme Ltd <pkg@>", false},
      {"Acme Ltd <@acme.example>", false},
      {"Acme Ltd <a@b@c>", false},
      {"Acme Ltd <a b@c>", false},
      {"Acme, Ltd <pkg@acme.example>", false},
      {"Acme\nLtd <pkg@acme.example>", false},
      {"Acme Ltd <pkg@acme.example> ", false},
      {"Acme \xFF <pkg@acme.example>", false},
  };
  for (const Case& c : maintainers) EXPECT_EQ(IsMaintainer(c.maintainer), c.valid) << c.maintainer;
  EXPECT_FALSE(IsMaintainer(std::string(190, 'a') + " <a@example.org>"));

  const Case synopses[] = {
      {"Acme Shop", true}, {"Acme \xE2\x80\x94 Shop", true},
      {"", false},         {" Acme", false},
      {"Acme ", false},    {"Acme\nShop", false},
      {"A\tB", false},     {"\xC3", false},
  };
  for (const Case& c : synopses) EXPECT_EQ(IsSynopsis(c.maintainer), c.valid) << c.maintainer;
  EXPECT_TRUE(IsSynopsis(std::string(200, 'a')));
  EXPECT_FALSE(IsSynopsis(std::string(201, 'a')));
  // Characters count, so a title in Chinese has the room of one in English.
  std::string chinese;
  for (int i = 0; i < 200; ++i) chinese += "\xE5\x95\x86";
  EXPECT_TRUE(IsSynopsis(chinese));
  EXPECT_FALSE(IsSynopsis(chinese + "\xE5\x95\x86"));

  struct Synopsis {
    const char* title;
    const char* package;
    const char* synopsis;
  };
  const Synopsis defaults[] = {
      {"Acme Shop", "acme-portal", "Acme Shop"},
      {"Acme Shop", "acme-shop", "Acme Shop as a desktop application"},
      {"AcmeShop", "acme-shop", "AcmeShop as a desktop application"},
      {"", "acme", "acme as a desktop application"},
      // Debian faults a synopsis that begins with the package's name as a word.
      {"Greenleaf Garden Supplies", "greenleaf",
       "Desktop application for Greenleaf Garden Supplies"},
      {"GREENLEAF", "greenleaf", "Desktop application for GREENLEAF"},
      {"Greenleafy Shop", "greenleaf", "Greenleafy Shop"},
      {"Greenleaf_2 Shop", "greenleaf", "Greenleaf_2 Shop"},
      // Debian faults a synopsis of a single word.
      {"Garden", "greenleaf", "Garden as a desktop application"},
  };
  for (const Synopsis& s : defaults) {
    EXPECT_EQ(DefaultSynopsis(s.title, s.package), s.synopsis) << s.title;
  }
}

TEST(WbctlPackageRecord, OnlyAWellFormedRecordIsTaken) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"Architecture: amd64\nDepends: libc6 (>= 2.34), libgtk-3-0 (>= 3.9.10)\n", true},
      {"Depends: a | b, c:any (<< 2~x)\nArchitecture: arm64\n", true},
      {"Architecture: amd64\n", false},
      {"Depends: libc6\n", false},
      {"Architecture: amd64\nDepends: libc6\nDepends: libc6\n", false},
      {"Architecture: amd64\nDepends: \n", false},
      {"Architecture: AMD64\nDepends: libc6\n", false},
      {"Architecture: amd64\nDepends: libc6\nPre-Depends: x\n", false},
      {"Architecture: amd64\nDepends: libc6\n\nPackage: evil\n", false},
      {"Architecture: amd64\nDepends: libc6; rm -rf /\n", false},
      {"Architecture: amd64\nDepends: libc6\r\n", false},
      {"Architecture: amd64\nDepends: " + std::string(4080, 'a') + "\n", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePackageRecord(c.text).has_value(), c.valid) << c.text;
  const auto record = ParsePackageRecord("Architecture: amd64\nDepends: libc6 (>= 2.34)\n");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->architecture, "amd64");
  EXPECT_EQ(record->depends, "libc6 (>= 2.34)");
}

TEST(WbctlPackageControl, ControlTextHasTheFieldsInOrderAndFoldsTheDescription) {
  ControlFields fields;
  fields.package = "acme-shop";
  fields.version = "2.1-1";
  fields.architecture = "amd64";
  fields.maintainer = "Acme Ltd <pkg@acme.example>";
  fields.installedSizeKiB = 1725;
  fields.depends = "libc6 (>= 2.34)";
  fields.synopsis = "Acme Shop";
  fields.description = {
      "This package puts Acme Shop on the desktop: https://shop.acme.example in a window of its "
      "own, made with wbctl.",
      "", "Second."};
  EXPECT_EQ(ControlText(fields),
            "Package: acme-shop\n"
            "Version: 2.1-1\n"
            "Architecture: amd64\n"
            "Maintainer: Acme Ltd <pkg@acme.example>\n"
            "Installed-Size: 1725\n"
            "Depends: libc6 (>= 2.34)\n"
            "Section: web\n"
            "Priority: optional\n"
            "Description: Acme Shop\n"
            " This package puts Acme Shop on the desktop: https://shop.acme.example in a\n"
            " window of its own, made with wbctl.\n"
            " .\n"
            " Second.\n");
  fields.recommends = "librsvg2-common";
  EXPECT_NE(ControlText(fields).find("Depends: libc6 (>= 2.34)\nRecommends: librsvg2-common\n"),
            std::string::npos);
  // A word longer than a line stays whole on a line of its own.
  fields.description = {"a " + std::string(100, 'x') + " b"};
  EXPECT_NE(ControlText(fields).find("\n a\n " + std::string(100, 'x') + "\n b\n"),
            std::string::npos);
}

TEST(WbctlPackageControl, ChecksumsAndSizeCountFilesAsDpkgDoes) {
  const std::vector<PackageFile> files{
      {"usr/share/b", "", false},
      {"usr", "", true},
      {"usr/bin/a", "abc", false},
      {"usr/bin", "", true},
      {"usr/big", std::string(1025, 'x'), false},
      {"usr/kib", std::string(1024, 'y'), false},
  };
  EXPECT_EQ(Md5sumsText(files),
            "41b2b8ce59ecc0c64c9c7ecaae3002c3  usr/big\n"
            "900150983cd24fb0d6963f7d28e17f72  usr/bin/a\n"
            "deb88981eeb769584b258b701d09b3d7  usr/kib\n"
            "d41d8cd98f00b204e9800998ecf8427e  usr/share/b\n");
  // Two folders, "abc" and the empty file in 1 KiB and none, 1025 bytes in 2, 1024 in 1.
  EXPECT_EQ(InstalledSizeKiB(files), 2u + 1u + 0u + 2u + 1u);
}

TEST(WbctlPackageControl, DatesAndTimesAreThoseOfTheCalendar) {
  struct Case {
    std::int64_t seconds;
    const char* date;
  };
  const Case cases[] = {
      {0, "Thu, 01 Jan 1970 00:00:00 +0000"},
      {1700000000, "Tue, 14 Nov 2023 22:13:20 +0000"},
      {951782400, "Tue, 29 Feb 2000 00:00:00 +0000"},
      {4107542399, "Sun, 28 Feb 2100 23:59:59 +0000"},
      {253402300799, "Fri, 31 Dec 9999 23:59:59 +0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChangelogDate(c.seconds), c.date) << c.seconds;
  EXPECT_THROW(ChangelogDate(-1), std::invalid_argument);
  EXPECT_THROW(ChangelogDate(253402300800), std::invalid_argument);

  struct Epoch {
    const char* value;
    std::int64_t time;  // -1: refused
  };
  const Epoch epochs[] = {
      {nullptr, 42},
      {"0", 0},
      {"1700000000", 1700000000},
      {"253402300799", 253402300799},
      {"", -1},
      {"-1", -1},
      {"1e9", -1},
      {" 1", -1},
      {"253402300800", -1},
      {"9999999999999", -1},
  };
  for (const Epoch& e : epochs) {
    if (e.time < 0) {
      EXPECT_THROW(PackageTime(e.value, 42), std::invalid_argument) << e.value;
    } else {
      EXPECT_EQ(PackageTime(e.value, 42), e.time);
    }
  }
  EXPECT_EQ(ChangelogText("acme", "1.0", "A <a@b>", 0),
            "acme (1.0) unstable; urgency=medium\n\n  * Packaged with wbctl package.\n\n"
            " -- A <a@b>  Thu, 01 Jan 1970 00:00:00 +0000\n");
  EXPECT_NE(CopyrightText({"Acme", {}, "", "A <a@b>", 1700000000, std::nullopt})
                .find("\nCopyright: 2023 A <a@b>\n"),
            std::string::npos);
}

TEST(WbctlPackageControl, SectionsHomepagesAndTheMakersTextsAreChecked) {
  struct Case {
    const char* value;
    bool section;
    bool homepage;
  };
  const Case cases[] = {
      {"web", true, false},
      {"non-free/games", true, false},
      {"contrib/utils", true, false},
      {"shopping", false, false},
      {"Web", false, false},
      {"web/net", false, false},
      {"", false, false},
      {"https://greenleaf.example/", false, true},
      {"http://greenleaf.example:8080/garden?x=1", false, true},
      {"ftp://greenleaf.example/", false, false},
      {"https://", false, false},
      {"https://green leaf.example/", false, false},
      {"https://greenleaf.example/\n", false, false},
      {"greenleaf.example", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDebianSection(c.value), c.section) << c.value;
    EXPECT_EQ(IsHomepage(c.value), c.homepage) << c.value;
  }
  EXPECT_FALSE(IsHomepage("https://a.example/" + std::string(2000, 'x')));

  struct Lines {
    std::string text;
    std::vector<std::string> lines;  // none: refused
  };
  const Lines texts[] = {
      {"One.\nTwo.\n", {"One.", "Two."}},
      {"\n\nOne.  \r\n\n\n\nTwo.\n\n", {"One.", "", "Two."}},
      {"a\tb\n\tc", {"a       b", "        c"}},
      {"\xCE\xB1\tb", {"\xCE\xB1       b"}},
      {"...and more", {"...and more"}},
      {"", {}},
      {" \n\t\n", {}},
      {"a\x01b", {}},
      {"a\rb", {}},
      {"\xFF", {}},
      {std::string(101, 'a'), {}},
  };
  for (const Lines& t : texts) {
    if (t.lines.empty()) {
      EXPECT_THROW(DescriptionLines(t.text, 100), std::invalid_argument) << t.text;
    } else {
      EXPECT_EQ(DescriptionLines(t.text, 100), t.lines) << t.text;
    }
  }

  // The maker's lines in the control file: a line that begins with a blank as it is, one that
  // begins with "." after two blanks, which dpkg would otherwise read as a statement of its own.
  ControlFields fields;
  fields.package = "greenleaf";
  fields.section = "non-free/web";
  fields.homepage = "https://greenleaf.example";
  fields.synopsis = "Garden supplies";
  fields.description = {"Seeds.", "", "  * bulbs " + std::string(80, 'x'), ".hidden", "..."};
  EXPECT_NE(ControlText(fields).find("Section: non-free/web\nPriority: optional\nHomepage: "
                                     "https://greenleaf.example\nDescription: Garden supplies\n"
                                     " Seeds.\n .\n   * bulbs " +
                                     std::string(80, 'x') + "\n  .hidden\n  ...\n"),
            std::string::npos)
      << ControlText(fields);
  EXPECT_EQ(DefaultDescription("Garden", "Greenleaf Ltd"),
            std::vector<std::string>{"This package puts Garden by Greenleaf Ltd on the desktop, "
                                     "as an application in a window of its own."});

  // A long title makes a synopsis of less than 81 characters, cut at a blank.
  const std::string words = "Greenleaf Garden Supplies for every season and every garden ";
  EXPECT_EQ(DefaultSynopsis(words + words, "shop"),
            "Greenleaf Garden Supplies for every season and every garden Greenleaf Garden...");
  std::string greek;
  for (int i = 0; i < 100; ++i) greek += "\xCE\xB1";
  EXPECT_EQ(DefaultSynopsis(greek, "shop"),
            greek.substr(0, 77 * 2) + "... as a desktop application");
  struct Fault {
    const char* synopsis;
    bool fault;
  };
  const Fault faults[] = {
      {"Garden supplies", false}, {"Greenleafy shop", false}, {"greenleaf shop", true},
      {"GREENLEAF: shop", true},  {"Garden", true},
  };
  for (const Fault& f : faults)
    EXPECT_EQ(SynopsisFault(f.synopsis, "greenleaf").empty(), !f.fault) << f.synopsis;
}

TEST(WbctlPackageControl, CopyrightIsInDebiansMachineReadableFormat) {
  CopyrightFields fields{"Greenleaf Garden",
                         {"Greenleaf Ltd", "1 Row", ".Leafton"},
                         "https://greenleaf.example",
                         "Greenleaf Ltd",
                         1700000000,
                         License{"custom", {"Use it.", "", "  Kept as it is."}}};
  EXPECT_EQ(CopyrightText(fields),
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
            "Upstream-Name: Greenleaf Garden\n"
            "Upstream-Contact: Greenleaf Ltd\n"
            " 1 Row\n"
            "  .Leafton\n"
            "Source: https://greenleaf.example\n"
            "\n"
            "Files: *\n"
            "Copyright: 2023 Greenleaf Ltd\n"
            "License: custom\n"
            " Use it.\n"
            " .\n"
            "   Kept as it is.\n");
  fields.license.reset();
  EXPECT_NE(CopyrightText(fields).find("License: unspecified\n The terms"), std::string::npos);

  struct Known {
    const char* spdx;
    const char* name;  // "": not known
    const char* says;  // a line of its text
  };
  const Known known[] = {
      {"MIT", "Expat", "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS"},
      {"ISC", "ISC", "Permission to use, copy, modify, and/or distribute this software for any"},
      {"BSD-3-Clause", "BSD-3-clause",
       "3. Neither the name of the copyright holder nor the names of its"},
      {"Apache-2.0", "Apache-2.0", "can be found in \"/usr/share/common-licenses/Apache-2.0\"."},
      {"GPL-3.0-or-later", "GPL-3+",
       "under the terms of the GNU General Public License as published by the"},
      {"GPL-2.0-only", "GPL-2", "Free Software Foundation, version 2 of the License."},
      {"LGPL-2.1-or-later", "LGPL-2.1+", "\"/usr/share/common-licenses/LGPL-2.1\"."},
      {"CC0-1.0", "CC0-1.0",
       "Domain Dedication can be found in \"/usr/share/common-licenses/CC0-1.0\"."},
      {"mit", "", ""},
      {"GPL-3.0", "", ""},
      {"AGPL-3.0-only", "", ""},
  };
  for (const Known& k : known) {
    const auto license = KnownLicense(k.spdx);
    ASSERT_EQ(license.has_value(), *k.name != '\0') << k.spdx;
    if (!license) continue;
    EXPECT_EQ(license->name, k.name);
    EXPECT_NE(std::find(license->text.begin(), license->text.end(), k.says), license->text.end())
        << k.spdx;
    for (const auto& line : license->text) EXPECT_LE(line.size(), 72u) << line;
  }

  struct Text {
    std::string text;
    bool taken;
  };
  const Text texts[] = {
      {"You may use this program on one computer.\n", true},
      {"Licensed under the GNU General Public License, version 3; see\n"
       "/usr/share/common-licenses/GPL-3.",
       true},
      {"GNU GENERAL PUBLIC LICENSE\nVersion 3\nTERMS AND CONDITIONS\n", false},
      {"Released under the GPL.", false},
      {"Apache License\nVersion 2.0, January 2004\n", false},
      {"", false},
      {std::string((256 << 10) + 1, 'a'), false},
  };
  for (const Text& t : texts) {
    if (t.taken) {
      EXPECT_EQ(LicenseFromText(t.text).name, "custom");
    } else {
      EXPECT_THROW(LicenseFromText(t.text), std::invalid_argument) << t.text.substr(0, 40);
    }
  }
}

// The entries of an archive in the order it holds them.
struct ReadEntry {
  std::string path;
  std::string bytes;
  unsigned mode = 0;
  std::int64_t mtime = 0;
  std::int64_t uid = -1;
  std::int64_t gid = -1;
  std::string uname;
};

std::vector<ReadEntry> ReadArchive(const std::string& bytes, bool ar) {
  archive* a = archive_read_new();
  if (ar) {
    archive_read_support_format_ar(a);
  } else {
    archive_read_support_format_tar(a);
    archive_read_support_filter_gzip(a);
  }
  std::vector<ReadEntry> entries;
  if (archive_read_open_memory(a, bytes.data(), bytes.size()) != ARCHIVE_OK) {
    ADD_FAILURE() << archive_error_string(a);
    archive_read_free(a);
    return entries;
  }
  archive_entry* entry = nullptr;
  while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
    ReadEntry e;
    e.path = archive_entry_pathname(entry);
    e.mode = archive_entry_mode(entry);
    e.mtime = archive_entry_mtime(entry);
    e.uid = archive_entry_uid(entry);
    e.gid = archive_entry_gid(entry);
    e.uname = archive_entry_uname(entry) ? archive_entry_uname(entry) : "";
    char buffer[65536];
    la_ssize_t n;
    while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0)
      e.bytes.append(buffer, static_cast<std::size_t>(n));
    entries.push_back(e);
  }
  archive_read_free(a);
  return entries;
}

TEST(WbctlPackageArchives, TarIsSortedOwnedByRootAndTheSameForTheSameInput) {
  const std::vector<ArchiveEntry> entries{
      {"./usr/bin/acme", "program", 0755},
      {"./", {}, 0755},
      {"./usr/", {}, 0755},
      {"./usr/bin/", {}, 0755},
  };
  std::vector<ArchiveEntry> reversed(entries.rbegin(), entries.rend());
  const std::string tar = TarGz(entries, 1700000000);
  EXPECT_EQ(tar, TarGz(reversed, 1700000000));
  EXPECT_NE(tar, TarGz(entries, 1700000001));
  // A gzip header without a time (bytes 4 to 7) and without a name (flag 0x08).
  ASSERT_GT(tar.size(), 10u);
  EXPECT_EQ(tar.substr(0, 3), "\x1f\x8b\x08");
  EXPECT_EQ(tar[3] & 0x08, 0);
  EXPECT_EQ(tar.substr(4, 4), std::string(4, '\0'));

  const auto read = ReadArchive(tar, false);
  ASSERT_EQ(read.size(), 4u);
  const char* order[] = {"./", "./usr/", "./usr/bin/", "./usr/bin/acme"};
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].path, order[i]);
    EXPECT_EQ(read[i].mtime, 1700000000);
    EXPECT_EQ(read[i].uid, 0);
    EXPECT_EQ(read[i].gid, 0);
    EXPECT_EQ(read[i].uname, "root");
  }
  EXPECT_EQ(read[0].mode, S_IFDIR | 0755u);
  EXPECT_EQ(read[3].mode, S_IFREG | 0755u);
  EXPECT_EQ(read[3].bytes, "program");
}

TEST(WbctlPackageArchives, ArHoldsTheMembersInTheirOrderWithTheirNames) {
  std::string out;
  WriteAr({{"debian-binary", "2.0\n"}, {"control.tar.gz", "abc"}, {"data.tar.gz", "odd"}}, 7,
          [&out](std::string_view b) { out.append(b); });
  EXPECT_EQ(out.substr(0, 8), "!<arch>\n");
  // dpkg-deb's own form: the name as it is, padded with blanks, and no "/" after it.
  EXPECT_EQ(out.substr(8, 16), "debian-binary   ");
  const auto read = ReadArchive(out, true);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].path, "debian-binary");
  EXPECT_EQ(read[0].bytes, "2.0\n");
  EXPECT_EQ(read[1].path, "control.tar.gz");
  EXPECT_EQ(read[2].bytes, "odd");
  EXPECT_EQ(read[2].mtime, 7);

  // A failing sink is the caller's error, raised again through the library.
  EXPECT_THROW(
      WriteAr({{"x", "y"}}, 0, [](std::string_view) { throw std::runtime_error("disk full"); }),
      std::runtime_error);
  EXPECT_THROW(
      WriteAr({{"a-name-too-long", "y"}, {"sixteen-letters!", "y"}}, 0, [](std::string_view) {}),
      std::runtime_error);
}

// --- The tool on the real program. --------------------------------------------------------

// Only the program records what its packages need; a build without it has nothing to package.
#ifdef WB_PACKAGED_PROGRAM_PATH
const std::string kPackaged = WB_PACKAGED_PROGRAM_PATH;
#else
const std::string kPackaged;
#endif

std::string Folder(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/wbctl-package/" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

const char kSvg[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
    "<rect width=\"40\" height=\"20\" fill=\"#C8102E\"/></svg>\n";

// A branded copy `name` with an SVG icon in `dir`.
std::string BrandCopy(const std::string& dir, const std::string& name) {
  WriteFile(dir + "/icon.svg", kSvg);
  const std::string copy = dir + "/" + name;
  const auto brand = Wbctl({"brand", kPackaged, copy, "--icon", dir + "/icon.svg",
                            "title=Acme Shop", "go=https://shop.acme.example"});
  EXPECT_EQ(brand.status, 0) << brand.err;
  return copy;
}

class WbctlPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPackaged.empty()) GTEST_SKIP() << "built without the program";
    g_setenv("SOURCE_DATE_EPOCH", "1700000000", TRUE);
  }
  void TearDown() override { g_unsetenv("SOURCE_DATE_EPOCH"); }
};

std::map<std::string, ReadEntry> ByPath(const std::vector<ReadEntry>& entries) {
  std::map<std::string, ReadEntry> map;
  for (const auto& e : entries) map[e.path] = e;
  return map;
}

TEST_F(WbctlPackage, DebHoldsTheCopyItsEntryIconsAndControlFiles) {
  const std::string dir = Folder("deb");
  const std::string copy = BrandCopy(dir, "Acme_Shop");
  fs::create_directories(dir + "/out");
  const auto run = Wbctl({"package", "--deb", "--exe", copy, "--out", dir + "/out", "--version",
                          "1:2.0-3", "--maintainer", "Acme Ltd <pkg@acme.example>"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto arch = wbtest::RunCommand("dpkg --print-architecture");
  const std::string deb = dir + "/out/acme-shop_2.0-3_" + arch.substr(0, arch.size() - 1) + ".deb";
  EXPECT_EQ(run.out, "wrote " + deb + "\n");
  const auto members = ReadArchive(ReadFile(deb), true);
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[0].path, "debian-binary");
  EXPECT_EQ(members[0].bytes, "2.0\n");
  EXPECT_EQ(members[1].path, "control.tar.gz");
  EXPECT_EQ(members[2].path, "data.tar.gz");

  auto control = ByPath(ReadArchive(members[1].bytes, false));
  const std::string text = control["./control"].bytes;
  EXPECT_EQ(text.substr(0, text.find("Installed-Size")),
            "Package: acme-shop\nVersion: 1:2.0-3\nArchitecture: " + arch +
                "Maintainer: Acme Ltd <pkg@acme.example>\n");
  // The list the build recorded, which the program's own package has too.
  const std::string recorded = ReadFile(WB_BINARY_DIR "/package/depends.txt");
  const std::string depends = recorded.substr(recorded.find("Depends: "));
  ASSERT_NE(depends.find("libc6 ("), std::string::npos) << recorded;
  EXPECT_NE(text.find("\n" + depends), std::string::npos) << text;
  // What only wbctl links is no dependency of a copy.
  for (const char* library : {"libarchive", "libjson-glib"})
    EXPECT_EQ(depends.find(library), std::string::npos) << library << ": " << depends;
  EXPECT_NE(text.find("\nRecommends: librsvg2-common\n"), std::string::npos) << text;
  // The title alone would repeat the package's name.
  EXPECT_NE(text.find("\nDescription: Acme Shop as a desktop application\n This package puts Acme "
                      "Shop on the desktop"),
            std::string::npos)
      << text;
  EXPECT_EQ(control["./postinst"].mode, S_IFREG | 0755u);
  EXPECT_EQ(control["./postrm"].mode, S_IFREG | 0755u);

  auto data = ByPath(ReadArchive(members[2].bytes, false));
  EXPECT_EQ(data["./usr/bin/Acme_Shop"].bytes, ReadFile(copy));
  EXPECT_EQ(data["./usr/bin/Acme_Shop"].mode, S_IFREG | 0755u);
  const std::string entry = data["./usr/share/applications/Acme_Shop.desktop"].bytes;
  EXPECT_NE(entry.find("\nExec=/usr/bin/Acme_Shop %u\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=Acme_Shop\n"), std::string::npos) << entry;
  EXPECT_EQ(entry.find("X-WebBrowser"), std::string::npos) << entry;
  EXPECT_EQ(data["./usr/share/icons/hicolor/scalable/apps/Acme_Shop.svg"].bytes, kSvg);
  for (const char* size : {"48x48", "128x128", "256x256"}) {
    const std::string png =
        data[std::string("./usr/share/icons/hicolor/") + size + "/apps/Acme_Shop.png"].bytes;
    EXPECT_EQ(png.substr(1, 3), "PNG") << size;
  }
  EXPECT_TRUE(data.count("./usr/share/doc/acme-shop/copyright"));
  EXPECT_TRUE(data.count("./usr/share/doc/acme-shop/changelog.Debian.gz"));
  // Every file is in md5sums, and the size counts them all.
  std::size_t files = 0;
  std::uint64_t kib = 0;
  for (const auto& [path, e] : data) {
    if (path == "./") continue;
    if (path.back() == '/') {
      ++kib;
      continue;
    }
    ++files;
    kib += (e.bytes.size() + 1023) / 1024;
    EXPECT_NE(control["./md5sums"].bytes.find("  " + path.substr(2) + "\n"), std::string::npos)
        << path;
  }
  EXPECT_EQ(files, 8u);
  EXPECT_NE(text.find("\nInstalled-Size: " + std::to_string(kib) + "\n"), std::string::npos);
  // Nothing but the package is left in the output folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/out"), fs::directory_iterator()), 1);
}

// The package's fields as dpkg-deb reads them.
std::string DebField(const std::string& deb, const std::string& field) {
  std::string value = wbtest::RunCommand("dpkg-deb --field '" + deb + "' " + field);
  if (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

TEST_F(WbctlPackage, DpkgDebShowsTheMakersDescriptionHomepageAndSection) {
  const std::string dir = Folder("maker");
  WriteFile(dir + "/icon.svg", kSvg);
  const auto brand = Wbctl({"brand", kPackaged, dir + "/greenleaf", "--icon", dir + "/icon.svg",
                            "title=Greenleaf Garden Supplies", "go=https://shop.greenleaf.example",
                            "maker=Greenleaf Ltd", "homepage=https://greenleaf.example/",
                            "contact=1 Row|Leafton"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  WriteFile(dir + "/long.txt", "Seeds, bulbs and tools.\n\n\tOpen every day.\n");
  struct Case {
    std::vector<std::string> args;
    std::string homepage;
    std::string section;
    std::string description;  // as dpkg-deb --field prints it
    std::string license;      // a line of the copyright file
  };
  const Case cases[] = {
      // Without options: the copy's title and maker, its homepage, the section for the web.
      {{},
       "https://greenleaf.example",
       "web",
       "Desktop application for Greenleaf Garden Supplies\n This package puts Greenleaf Garden "
       "Supplies by Greenleaf Ltd on the desktop,\n as an application in a window of its own.",
       "License: unspecified\n"},
      {{"--description", "Garden supplies to your door", "--long-description", dir + "/long.txt",
        "--homepage", "https://garden.example/shop", "--section", "contrib/misc", "--license",
        "GPL-3.0-or-later"},
       "https://garden.example/shop",
       "contrib/misc",
       "Garden supplies to your door\n Seeds, bulbs and tools.\n .\n         Open every day.",
       "License: GPL-3+\n"},
  };
  const auto arch = wbtest::RunCommand("dpkg --print-architecture");
  const std::string deb = dir + "/out/greenleaf_1.0_" + arch.substr(0, arch.size() - 1) + ".deb";
  for (const Case& c : cases) {
    fs::remove_all(dir + "/out");
    fs::create_directories(dir + "/out");
    std::vector<std::string> args{
        "package",    "--deb",     "--exe", dir + "/greenleaf", "--out",
        dir + "/out", "--version", "1.0",   "--maintainer",     "Pat <pat@greenleaf.example>"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto run = Wbctl(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(DebField(deb, "Homepage"), c.homepage);
    EXPECT_EQ(DebField(deb, "Section"), c.section);
    EXPECT_EQ(DebField(deb, "Description"), c.description);
    const std::string info = wbtest::RunCommand("dpkg-deb --info '" + deb + "'");
    EXPECT_NE(info.find(" Homepage: " + c.homepage + "\n"), std::string::npos) << info;
    const std::string copyright = wbtest::RunCommand(
        "dpkg-deb --fsys-tarfile '" + deb + "' | tar -xO ./usr/share/doc/greenleaf/copyright");
    EXPECT_NE(
        copyright.find("Upstream-Name: Greenleaf Garden Supplies\n"
                       "Upstream-Contact: Greenleaf Ltd\n 1 Row\n Leafton\n"
                       "Source: " +
                       c.homepage + "\n\nFiles: *\nCopyright: 2023 Greenleaf Ltd\n" + c.license),
        std::string::npos)
        << copyright;
    // Nothing of the package speaks of the program it was made from or of its maker.
    EXPECT_EQ(copyright.find("WebBrowser"), std::string::npos) << copyright;
    EXPECT_EQ(copyright.find("Morvane"), std::string::npos) << copyright;
  }
}

// lintian finds no error in the package of any title: one that begins with the package's name,
// one in another script, a very long one, one with the characters that control and copyright
// files treat specially. All packages go to one lintian run, which costs seconds to start.
TEST_F(WbctlPackage, LintianFindsNoErrorForAnyTitle) {
  if (wbtest::RunCommand("command -v lintian").empty()) GTEST_SKIP() << "lintian is missing";
  const std::string dir = Folder("lintian");
  WriteFile(dir + "/icon.svg", kSvg);
  WriteFile(dir + "/terms.txt", "Greenleaf terms.\n\nUse this program on any computer you own.\n");
  const struct {
    const char* name;
    std::string title;
    const char* license;  // --license, "" for none
  } cases[] = {
      {"acme", "Acme Shop", ""},
      {"garden", "Garden", ""},
      {"greenleaf", "Greenleaf Garden Supplies", "MIT"},
      {"kipos", "\xCE\x9A\xCE\xAE\xCF\x80\xCE\xBF\xCF\x82 \xCE\xA6\xCF\x8D\xCE\xBB\xCE\xBB\xCE\xBF",
       "GPL-3.0-or-later"},
      {"long", std::string(30, 'W') + " " + std::string(300, 'o') + " of garden things",
       "Apache-2.0"},
      {"odd", ". Dot: \"Q\" #1 <x@y> $HOME \\ 100% & co,", "terms"},
  };
  std::string debs;
  for (const auto& c : cases) {
    const std::string copy = dir + "/" + c.name;
    const auto brand = Wbctl({"brand", kPackaged, copy, "--icon", dir + "/icon.svg",
                              "title=" + c.title, "go=https://shop.example", "maker=Maker & Co"});
    ASSERT_EQ(brand.status, 0) << c.name << ": " << brand.err;
    std::vector<std::string> args{"package", "--deb", "--exe",        copy,
                                  "--out",   dir,     "--maintainer", "Pat <pat@maker.example>"};
    if (*c.license) {
      args.push_back("--license");
      args.push_back(std::string(c.license) == "terms" ? dir + "/terms.txt" : c.license);
    }
    const auto run = Wbctl(args);
    ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
    debs += " '" + run.out.substr(6, run.out.size() - 7) + "'";
  }
  int status = -1;
  const std::string said = wbtest::RunCommand("lintian --no-cfg" + debs + " 2>&1", &status);
  std::string faults;
  std::size_t start = 0;
  while (start < said.size()) {
    std::size_t end = said.find('\n', start);
    if (end == std::string::npos) end = said.size();
    const std::string line = said.substr(start, end - start);
    start = end + 1;
    // Errors, and any remark of lintian's checks of the copyright file's format.
    if (line.rfind("E: ", 0) == 0 || line.find(": copyright-") != std::string::npos ||
        line.find("dep5") != std::string::npos || line.find("license") != std::string::npos)
      faults += line + "\n";
  }
  EXPECT_EQ(faults, "") << said;
  EXPECT_EQ(status, 0) << said;
  // lintian read every package: each has the warning of the command without a manual page.
  for (const auto& c : cases) {
    EXPECT_NE(said.find(std::string("W: ") + c.name + ": no-manual-page"), std::string::npos)
        << said;
  }
}

TEST_F(WbctlPackage, SameInputsGiveTheSameBytes) {
  const std::string dir = Folder("same");
  const std::string copy = BrandCopy(dir, "acme");
  struct Case {
    const char* epoch;  // nullptr: unset
    const char* out;
  };
  const Case cases[] = {
      {"1700000000", "a"}, {"1700000000", "b"}, {"1800000000", "c"}, {nullptr, "d"}, {nullptr, "e"},
  };
  std::map<std::string, std::string> debs;
  std::map<std::string, std::string> tars;
  for (const Case& c : cases) {
    if (c.epoch) {
      g_setenv("SOURCE_DATE_EPOCH", c.epoch, TRUE);
    } else {
      g_unsetenv("SOURCE_DATE_EPOCH");
    }
    const std::string out = dir + "/" + c.out;
    fs::create_directories(out);
    for (const char* kind : {"--deb", "--tar"}) {
      const auto run = Wbctl({"package", kind, "--exe", copy, "--out", out, "--maintainer",
                              "Acme Ltd <pkg@acme.example>"});
      ASSERT_EQ(run.status, 0) << run.err;
    }
    for (const auto& f : fs::directory_iterator(out)) {
      auto& into = f.path().extension() == ".deb" ? debs : tars;
      into[c.out] = ReadFile(f.path());
    }
  }
  ASSERT_EQ(debs.size(), 5u);
  ASSERT_EQ(tars.size(), 5u);
  EXPECT_EQ(debs["a"], debs["b"]);
  EXPECT_EQ(tars["a"], tars["b"]);
  EXPECT_NE(debs["a"], debs["c"]);
  EXPECT_NE(tars["a"], tars["c"]);
  EXPECT_EQ(debs["d"], debs["e"]);
  EXPECT_EQ(tars["d"], tars["e"]);
}

TEST_F(WbctlPackage, TarHoldsThePortableCopyItsIconAndAnEntryTemplate) {
  const std::string dir = Folder("tar");
  const std::string copy = BrandCopy(dir, "acme");
  const auto run = Wbctl({"package", "--tar", "--exe", copy, "--out", dir, "--version", "3.1"});
  ASSERT_EQ(run.status, 0) << run.err;
  auto entries = ByPath(ReadArchive(ReadFile(dir + "/acme-3.1.tar.gz"), false));
  EXPECT_EQ(entries.size(), 7u);  // with install.sh
  EXPECT_EQ(entries["./acme-3.1/acme"].bytes, ReadFile(copy));
  EXPECT_EQ(entries["./acme-3.1/acme"].mode, S_IFREG | 0755u);
  EXPECT_EQ(entries["./acme-3.1/acme.ini"].bytes, "[acme]\nPortable=1\n");
  EXPECT_EQ(entries["./acme-3.1/acme.svg"].bytes, kSvg);
  EXPECT_EQ(entries["./acme-3.1/acme.png"].bytes.substr(1, 3), "PNG");
  const std::string entry = entries["./acme-3.1/acme.desktop.in"].bytes;
  EXPECT_NE(entry.find("\nExec=@DIR@/acme %u\n"), std::string::npos) << entry;

  // Unpacked, the copy is portable: its settings go into the file beside it.
  const std::string unpacked = dir + "/unpacked";
  WriteFile(unpacked + "/acme", entries["./acme-3.1/acme"].bytes);
  fs::permissions(unpacked + "/acme", fs::perms(0755));
  WriteFile(unpacked + "/acme.ini", entries["./acme-3.1/acme.ini"].bytes);
  const auto paths = Wbctl({"paths", "--exe", unpacked + "/acme"});
  ASSERT_EQ(paths.status, 0) << paths.err;
  EXPECT_NE(paths.out.find("portable=1\n"), std::string::npos) << paths.out;

  // install.sh writes the entry for the folder the archive was unpacked into, wherever that
  // is: the path quoted as the entry format asks, which the desktop's validator accepts.
  EXPECT_EQ(entries["./acme-3.1/install.sh"].mode, S_IFREG | 0755u);
  const struct {
    std::string folder;
    std::string exec;  // the Exec line's value for the folder
  } cases[] = {
      {"plain", "\"" + dir + "/plain/acme\" %u"},
      {"with spaces", "\"" + dir + "/with spaces/acme\" %u"},
      {"odd $x `y` \"z\" 50% a\\b",
       "\"" + dir + "/odd \\\\$x \\\\`y\\\\` \\\\\"z\\\\\" 50%% a\\\\\\\\b/acme\" %u"},
  };
  const std::string data = dir + "/data";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string folder = dir + "/" + c.folder;
    for (const char* name : {"acme", "acme.png", "acme.desktop.in", "install.sh"})
      WriteFile(folder + "/" + name, entries[std::string("./acme-3.1/") + name].bytes);
    int status = -1;
    const std::string said = wbtest::RunCommand(
        "cd '" + dir + "' && XDG_DATA_HOME='" + data + "' sh './" + c.folder + "/install.sh' 2>&1",
        &status);
    ASSERT_EQ(status, 0) << said;
    const std::string installed = data + "/applications/acme.desktop";
    const std::string text = ReadFile(installed);
    EXPECT_NE(text.find("\nExec=" + c.exec + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=acme\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("@DIR@"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(data + "/icons/hicolor/256x256/apps/acme.png"));
    const std::string verdict =
        wbtest::RunCommand("desktop-file-validate '" + installed + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << verdict;
    EXPECT_EQ(verdict, "");
  }
  int status = -1;
  wbtest::RunCommand("XDG_DATA_HOME='" + data + "' sh '" + dir + "/plain/install.sh' --remove",
                     &status);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(fs::exists(data + "/applications/acme.desktop"));
}

TEST_F(WbctlPackage, BadInputsAreRefusedAndLeaveNothing) {
  const std::string dir = Folder("bad");
  const std::string copy = BrandCopy(dir, "acme");
  WriteFile(dir + "/text", "not a program\n");
  const std::string named = dir + "/webbrowser";
  fs::copy_file(copy, named);
  WriteFile(dir + "/afile", "");
  WriteFile(dir + "/gpl", "This program is under the GNU General Public License.\n");
  // root may write into any folder whose file system allows it; /proc/self is one that
  // refuses a new file to everybody.
  std::string unwritable = "/proc/self";
  if (::geteuid() != 0) {
    unwritable = dir + "/locked";
    fs::create_directories(unwritable);
    fs::permissions(unwritable, fs::perms(0500));
  }
  struct Case {
    std::vector<std::string> args;
    std::string message;
    int status = 1;  // 2 for a mistake in the command line itself
  };
  const std::string maint = "A <a@example.org>";
  const Case cases[] = {
      {{"--deb", "--exe", dir + "/text", "--out", dir + "/out"},
       "not a copy of the program: " + dir + "/text"},
      {{"--deb", "--exe", WB_WBCTL_PATH, "--out", dir + "/out"}, "not a branded copy"},
      {{"--deb", "--exe", "/bin/sh", "--out", dir + "/out"}, "not a copy of the program: /bin/sh"},
      {{"--deb", "--exe", dir + "/missing", "--out", dir + "/out"},
       "no such file: " + dir + "/missing"},
      {{"--deb", "--exe", named, "--out", dir + "/out", "--maintainer", maint},
       "a name of its own"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--version", "v1", "--maintainer", maint},
       "not a version Debian takes"},
      {{"--tar", "--exe", copy, "--out", dir + "/out", "--version", "1.0_1"},
       "not a version Debian takes"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", "nobody"},
       "a maintainer is"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", maint, "--description",
        "two\nlines"},
       "one line"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", maint, "--description",
        "Acme's shop"},
       "begins with the package's name"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--section", "shopping"},
       "not one of Debian's sections"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--homepage", "ftp://acme.example/"},
       "http:// or https://"},
      {{"--tar", "--exe", copy, "--out", dir + "/out", "--homepage", "https://acme.example/"},
       "--homepage goes with --deb",
       2},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", maint, "--long-description",
        dir + "/missing"},
       "--long-description \"" + dir + "/missing\": cannot be read"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", maint, "--long-description",
        dir + "/afile"},
       "holds no text"},
      {{"--deb", "--exe", copy, "--out", dir + "/out", "--maintainer", maint, "--license", "GPL-3"},
       "neither a file nor a licence name wbctl knows"},
      {{"--tar", "--exe", copy, "--out", dir + "/out", "--license", dir + "/gpl"},
       "give its name instead"},
      {{"--deb", "--exe", copy, "--out", dir + "/none", "--maintainer", maint}, "no such folder"},
      {{"--deb", "--exe", copy, "--out", dir + "/afile", "--maintainer", maint}, "no such folder"},
      {{"--deb", "--exe", copy, "--out", unwritable, "--maintainer", maint}, unwritable},
      {{"--tar", "--exe", copy, "--out", unwritable}, unwritable},
      {{"--exe", copy, "--out", dir + "/out"}, "give --deb or --tar", 2},
      {{"--deb", "--tar", "--exe", copy}, "give --deb or --tar", 2},
      {{"--deb", "--tar", "--exe", copy}, "wbctl package: --deb and --tar exclude each other", 2},
      {{"--deb", "--exe"}, "--exe needs a value", 2},
      {{"--deb", "--exe", copy, "--colour"}, "unexpected argument", 2},
  };
  fs::create_directories(dir + "/out");
  for (const Case& c : cases) {
    std::vector<std::string> args{"package"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto run = Wbctl(args);
    EXPECT_EQ(run.status, c.status) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << c.message;
  }
  EXPECT_TRUE(fs::is_empty(dir + "/out"));
  g_setenv("SOURCE_DATE_EPOCH", "yesterday", TRUE);
  const auto run =
      Wbctl({"package", "--tar", "--exe", copy, "--out", dir + "/out", "--version", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("SOURCE_DATE_EPOCH"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(dir + "/out"));
}

}  // namespace
}  // namespace wbctl
