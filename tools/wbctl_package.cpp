// wbctl package: a branded copy as a file its maker hands to customers. --deb writes a Debian
// package that installs the copy as /usr/bin/NAME with its desktop entry and icons, as
// wbctl install would put them; --tar a portable archive that keeps its data beside itself.
// Everything is written by this program, so no packaging tool is needed, and the same copy,
// options and SOURCE_DATE_EPOCH give the same bytes.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/copy_name.h"
#include "storage/atomic_file.h"
#include "storage/elf_file.h"
#include "storage/version_info.h"
#include "storage/window_config.h"
#include "support/desktop_entry.h"
#include "support/text.h"
#include "tools/apt_repository.h"
#include "tools/archive_writer.h"
#include "tools/command.h"
#include "tools/config_files.h"
#include "tools/deb_control.h"
#include "tools/exe_target.h"
#include "tools/icon_image.h"

namespace wbctl {
namespace {

constexpr const char* kUsage =
    "package --deb|--tar [--exe COPY] [--out DIR] [--version V] "
    "[--maintainer \"NAME <MAIL>\"] [--description TEXT] [--long-description FILE] "
    "[--homepage URL] [--section NAME] [--license FILE|SPDX-NAME] "
    "[--repo-url URL --repo-key FILE]";

// The section the build writes into the program (cmake/record_depends.cmake).
constexpr const char* kRecordSection = ".webbrowser.depends";
// A copy is the program and a few blocks; a file far larger is not one.
constexpr std::size_t kMaxCopyBytes = std::size_t{1} << 30;
// A long description is a few paragraphs; package managers show no more.
constexpr std::size_t kMaxLongDescriptionBytes = std::size_t{16} << 10;

struct Options {
  bool deb = false;
  bool tar = false;
  std::string exe;
  std::string out = ".";
  std::string version;
  std::string maintainer;
  std::string description;
  std::string longDescription;  // a file
  std::string homepage;
  std::string section;
  std::string license;  // a file or an SPDX name
  std::string repoUrl;
  std::string repoKey;
};

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      into = args[++i];
    };
    if (arg == "--deb") {
      options.deb = true;
    } else if (arg == "--tar") {
      options.tar = true;
    } else if (arg == "--exe") {
      value(options.exe);
    } else if (arg == "--out") {
      value(options.out);
    } else if (arg == "--version") {
      value(options.version);
    } else if (arg == "--maintainer") {
      value(options.maintainer);
    } else if (arg == "--description") {
      value(options.description);
    } else if (arg == "--long-description") {
      value(options.longDescription);
    } else if (arg == "--homepage") {
      value(options.homepage);
    } else if (arg == "--section") {
      value(options.section);
    } else if (arg == "--license") {
      value(options.license);
    } else if (arg == "--repo-url") {
      value(options.repoUrl);
    } else if (arg == "--repo-key") {
      value(options.repoKey);
    } else {
      throw UsageError("unexpected argument \"" + arg + "\"\nusage: wbctl " + kUsage);
    }
  }
  if (options.deb && options.tar)
    throw UsageError("--deb and --tar exclude each other: give --deb or --tar, once");
  if (options.deb == options.tar)
    throw UsageError(std::string("give --deb or --tar\nusage: wbctl ") + kUsage);
  if (options.repoUrl.empty() != options.repoKey.empty() ||
      (options.tar && !options.repoUrl.empty()))
    throw UsageError("--repo-url and --repo-key go together, with --deb");
  // The portable archive has no control file to carry them.
  for (const auto& [name, given] :
       {std::pair<const char*, bool>{"--long-description", !options.longDescription.empty()},
        {"--homepage", !options.homepage.empty()},
        {"--section", !options.section.empty()}}) {
    if (options.tar && given) throw UsageError(std::string(name) + " goes with --deb");
  }
  if (!options.homepage.empty() && !IsHomepage(options.homepage)) {
    throw std::runtime_error("\"" + options.homepage +
                             "\": a homepage is an http:// or https:// address with a host");
  }
  if (!options.section.empty() && !IsDebianSection(options.section)) {
    throw std::runtime_error("\"" + options.section +
                             "\": not one of Debian's sections (web, net, utils, games, office "
                             "programs under text or misc ...; see lintian's archive-sections)");
  }
  if (!options.repoUrl.empty() && !IsRepositoryUrl(options.repoUrl)) {
    throw std::runtime_error("\"" + options.repoUrl +
                             "\": a repository's address is http:// or https:// and a host");
  }
  return options;
}

// The maintainer as Debian's own tools find it when no option names one.
std::string DefaultMaintainer() {
  const char* name = std::getenv("DEBFULLNAME");
  const char* mail = std::getenv("DEBEMAIL");
  if (mail == nullptr) mail = std::getenv("EMAIL");
  if (name == nullptr || mail == nullptr || !*name || !*mail) return {};
  return std::string(name) + " <" + mail + ">";
}

// What a package is made of, read and checked before anything is written.
struct Copy {
  std::string path;
  std::string name;     // the file name without extension: the command, entry and icon
  std::string package;  // the Debian package's name
  std::string version;
  std::string programVersion;
  PackageRecord record;
  std::string title;  // UTF-8
  // The copy's maker as its configuration names it (maker=, contact=, homepage=), UTF-8.
  std::string maker;
  std::vector<std::string> contact;
  std::string homepage;
  // The launcher's actions and the media types of the copy's desktop entry.
  std::vector<wb::DesktopAction> actions;
  std::vector<std::string> mimeTypes;
  std::string bytes;
  std::string icon;  // the picture file the copy shows
  bool scalable = false;
  std::int64_t time = 0;
  // The maker's repository the package subscribes to, and its public key as a binary keyring;
  // both empty for a package that subscribes to nothing.
  std::string repoUrl;
  std::string repoKeyring;
};

Copy ReadCopy(const Options& options) {
  Copy copy;
  copy.path = ExecutableArgumentPath(options.exe).lexically_normal().string();
  RequireProgramCopy(copy.path);
  const auto elf = wb::ElfFile::Open(copy.path);
  const auto note = wb::ReadVersionNote(copy.path);
  if (!elf || !elf->FindSection(".wbres") || !note)
    throw std::runtime_error("\"" + copy.path + "\": not a branded copy of WebBrowser");
  const wb::ElfSection* section = elf->FindSection(kRecordSection);
  const auto recordText =
      section ? elf->Read(section->offset, section->size, 4096) : std::optional<std::string>();
  const auto record = recordText ? ParsePackageRecord(*recordText) : std::nullopt;
  if (!record) {
    throw std::runtime_error("\"" + copy.path +
                             "\": not a branded copy of WebBrowser (it carries no record of the "
                             "libraries the program needs)");
  }
  copy.record = *record;
  // The package works either way, but Debian wants its programs stripped.
  if (elf->FindSection(".debug_info")) {
    Fail("note: \"" + copy.path +
             "\" carries debug information, which lintian reports: brand the copy from a "
             "program without it (/usr/bin/webbrowser)",
         0);
  }

  copy.name = wb::AppNameOf(copy.path);
  if (!wb::IsDesktopName(copy.name)) {
    throw std::runtime_error("\"" + copy.name +
                             "\": a copy's name may hold only letters, digits, \"_\", \"-\" and "
                             "\".\"; rename the copy");
  }
  copy.package = DebianPackageName(copy.name);
  for (const std::string program : {"webbrowser", "wbctl"}) {
    if (copy.name == program || copy.package == program) {
      throw std::runtime_error("\"" + copy.name +
                               "\": a copy named like the program's own files would replace "
                               "them; brand a copy with a name of its own");
    }
  }
  if (copy.package.empty())
    throw std::runtime_error("\"" + copy.name + "\": no Debian package name can be made of it");

  copy.programVersion = wb::ToUtf8(wb::FileVersionText(wb::FromUtf8(copy.path)));
  copy.version = options.version.empty() ? copy.programVersion : options.version;
  if (!IsDebianVersion(copy.version)) {
    throw std::runtime_error("\"" + copy.version +
                             "\": not a version Debian takes (digits first; letters, digits and "
                             "\".+~\", an epoch \"N:\" and a revision \"-R\" optional)");
  }

  const wb::WindowConfig config = wb::WindowConfigFromValues(ReadExecutableConfig(copy.path));
  copy.title = wb::ToUtf8(wb::EffectiveCaption(config));
  copy.maker = wb::ToUtf8(config.maker);
  for (const wb::Text& line : config.contact) copy.contact.push_back(wb::ToUtf8(line));
  // The configuration keeps only addresses that can be loaded; the control file takes fewer.
  if (IsHomepage(wb::ToUtf8(config.homepage))) copy.homepage = wb::ToUtf8(config.homepage);
  copy.actions = wb::ShortcutActions(config.shortcuts);
  copy.mimeTypes = wb::HandlerMimeTypes(config.schemes, config.files);

  const auto bytes = wb::ReadWholeFile(copy.path, kMaxCopyBytes + 1);
  if (!bytes || bytes->size() > kMaxCopyBytes)
    throw std::runtime_error("\"" + copy.path + "\": cannot be read");
  copy.bytes = *bytes;

  const ExecutableIcon icon = ReadExecutableIcon(copy.path);
  if (icon.bytes.empty()) throw std::runtime_error("\"" + copy.path + "\": carries no icon");
  copy.scalable = CheckIconPicture(icon.bytes, "\"" + copy.path + "\" icon").format == "svg";
  copy.icon = icon.bytes;

  if (!options.repoKey.empty()) {
    const auto armoured = wb::ReadWholeFile(options.repoKey, std::size_t{1} << 20);
    const auto keyring = armoured ? DearmorPublicKey(*armoured) : std::nullopt;
    if (!keyring) {
      throw std::runtime_error("\"" + options.repoKey +
                               "\": not an armoured OpenPGP public key (the key.asc of wbctl "
                               "repo init)");
    }
    copy.repoUrl = options.repoUrl;
    copy.repoKeyring = *keyring;
  }

  copy.time =
      PackageTime(std::getenv("SOURCE_DATE_EPOCH"), static_cast<std::int64_t>(note->buildStamp));
  return copy;
}

std::string Synopsis(const Options& options, const Copy& copy) {
  const std::string synopsis =
      options.description.empty() ? DefaultSynopsis(copy.title, copy.package) : options.description;
  if (!IsSynopsis(synopsis)) {
    throw std::runtime_error("\"" + synopsis +
                             "\": a description is one line of 1 to 200 characters; give "
                             "--description");
  }
  if (const std::string fault = SynopsisFault(synopsis, copy.package); !fault.empty()) {
    throw std::runtime_error("--description \"" + synopsis + "\": " + fault +
                             ", which Debian calls an error; say what the package is");
  }
  return synopsis;
}

// The text of a file a maker names for a field, checked as DescriptionLines checks it.
std::vector<std::string> FileLines(
    const std::string& option, const std::string& path, std::size_t maxBytes,
    const std::function<std::vector<std::string>(std::string_view)>& lines) {
  const auto text = wb::ReadWholeFile(path, maxBytes + 1);
  if (!text) throw std::runtime_error(option + " \"" + path + "\": cannot be read");
  try {
    return lines(*text);
  } catch (const std::invalid_argument& e) {
    throw std::runtime_error(option + " \"" + path + "\": " + e.what());
  }
}

std::vector<std::string> LongDescription(const Options& options, const Copy& copy,
                                         const std::string& synopsis) {
  if (options.longDescription.empty()) return DefaultDescription(copy.title, copy.maker);
  auto lines = FileLines(
      "--long-description", options.longDescription, kMaxLongDescriptionBytes,
      [](std::string_view text) { return DescriptionLines(text, kMaxLongDescriptionBytes); });
  // Debian faults an extended description that only repeats the synopsis at its start.
  if (lines.front() == synopsis) {
    throw std::runtime_error("--long-description \"" + options.longDescription +
                             "\": its first line repeats the description; begin it with more");
  }
  return lines;
}

// The licence of --license: an SPDX name wbctl knows, else a file holding a licence's text.
std::optional<License> LicenseOf(const Options& options) {
  if (options.license.empty()) return std::nullopt;
  if (auto known = KnownLicense(options.license)) return known;
  std::error_code error;
  if (!std::filesystem::is_regular_file(options.license, error)) {
    throw std::runtime_error("--license \"" + options.license +
                             "\": neither a file nor a licence name wbctl knows (" +
                             KnownLicenseNames() + ")");
  }
  std::vector<std::string> text =
      FileLines("--license", options.license, std::size_t{256} << 10,
                [](std::string_view t) { return LicenseFromText(t).text; });
  return License{"custom", std::move(text)};
}

// The copyright file: the copy under its title, its maker as the holder when the copy names
// one, else whoever answers for the package.
std::string CopyrightOf(const Copy& copy, const std::optional<License>& license,
                        const std::string& maintainer, const std::string& homepage) {
  CopyrightFields fields;
  fields.upstreamName = copy.title.empty() ? copy.name : copy.title;
  fields.holder = copy.maker.empty() ? maintainer : copy.maker;
  if (!copy.maker.empty()) {
    fields.contact.push_back(copy.maker);
    fields.contact.insert(fields.contact.end(), copy.contact.begin(), copy.contact.end());
  } else if (!maintainer.empty()) {
    fields.contact.push_back(maintainer);
  }
  if (fields.holder.empty()) fields.holder = fields.upstreamName;
  fields.source = homepage;
  fields.time = copy.time;
  fields.license = license;
  return CopyrightText(fields);
}

std::string SourcesPath(const std::string& name) {
  return "etc/apt/sources.list.d/" + name + ".sources";
}
std::string KeyringPath(const std::string& name) {
  return "usr/share/keyrings/" + name + ".gpg";
}

wb::DesktopEntry EntryOf(const Copy& copy, const std::string& executable, const std::string& icon) {
  wb::DesktopEntry entry;
  entry.name = copy.title;
  entry.executable = executable;
  entry.icon = icon;
  entry.windowClass = wb::WindowClassOf(std::filesystem::path(copy.path).filename().string());
  entry.record = false;
  entry.actions = copy.actions;
  entry.mimeTypes = copy.mimeTypes;
  return entry;
}

// The folder's files as the package installs them: the copy, its desktop entry, its icons as
// wbctl install draws them, and the documentation Debian asks for.
std::vector<PackageFile> DebFiles(const Copy& copy, const std::string& maintainer,
                                  const std::string& copyright) {
  std::vector<PackageFile> files;
  auto folder = [&files](const std::string& path) {
    for (const auto& f : files) {
      if (f.directory && f.path == path) return;
    }
    files.push_back({path, {}, true});
  };
  auto file = [&](const std::string& path, std::string bytes) {
    std::size_t slash = 0;
    while ((slash = path.find('/', slash + 1)) != std::string::npos) folder(path.substr(0, slash));
    files.push_back({path, std::move(bytes), false});
  };
  file("usr/bin/" + copy.name, copy.bytes);
  file("usr/share/applications/" + copy.name + ".desktop",
       wb::DesktopEntryText(EntryOf(copy, "/usr/bin/" + copy.name, copy.name)));
  const std::string where = "\"" + copy.path + "\" icon";
  const std::vector<std::string> icons = wb::InstalledIconPaths(copy.name, copy.scalable);
  std::size_t i = 0;
  for (int size : wb::kDesktopIconSizes)
    file("usr/share/" + icons[i++], SquareIconPng(copy.icon, size, where));
  if (copy.scalable) file("usr/share/" + icons[i], copy.icon);
  const std::string doc = "usr/share/doc/" + copy.package + "/";
  // The subscription: a source file (a conffile, so the customer's changes are kept and a purge
  // removes it) that trusts only the maker's key, which the package installs beside it.
  if (!copy.repoUrl.empty()) {
    file(SourcesPath(copy.name), SourcesText(copy.repoUrl, "/" + KeyringPath(copy.name)));
    file(KeyringPath(copy.name), copy.repoKeyring);
  }
  file(doc + "copyright", copyright);
  file(doc + (IsNativeVersion(copy.version) ? "changelog.gz" : "changelog.Debian.gz"),
       Gzip(ChangelogText(copy.package, copy.version, maintainer, copy.time)));
  return files;
}

std::vector<ArchiveEntry> TarEntries(const std::vector<PackageFile>& files) {
  std::vector<ArchiveEntry> entries{{"./", {}, 0755}};
  for (const auto& f : files) {
    const bool executable = f.path.rfind("usr/bin/", 0) == 0;
    entries.push_back({"./" + f.path + (f.directory ? "/" : ""), f.bytes,
                       f.directory || executable ? 0755u : 0644u});
  }
  return entries;
}

// Writes `bytes` as the file `name` in the output folder, through a temporary file beside it
// that a failure removes, so the folder never holds half a package.
void WriteOutput(const std::string& folder, const std::string& name,
                 const std::function<void(wb::FileReplacement&)>& fill) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error))
    throw std::runtime_error("\"" + folder + "\": no such folder");
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw std::runtime_error("\"" + folder + "\": cannot write into this folder");
  const std::string path = (std::filesystem::path(folder) / name).lexically_normal().string();
  wb::FileReplacement file(path, wb::ReplacementOptions{.permissions = 0644});
  fill(file);
  file.Commit();
  std::cout << "wrote " << path << "\n";
}

int WriteDeb(const Options& options, const Copy& copy) {
  const std::string maintainer =
      options.maintainer.empty() ? DefaultMaintainer() : options.maintainer;
  if (maintainer.empty()) {
    return Fail("give --maintainer \"NAME <MAIL>\" (or set DEBFULLNAME and DEBEMAIL)", kExitUsage);
  }
  if (!IsMaintainer(maintainer))
    return Fail("\"" + maintainer + "\": a maintainer is \"NAME <MAIL>\"");
  ControlFields fields;
  fields.package = copy.package;
  fields.version = copy.version;
  fields.architecture = copy.record.architecture;
  fields.maintainer = maintainer;
  fields.depends = copy.record.depends;
  // The program draws an SVG icon through gdk-pixbuf's SVG loader.
  if (copy.scalable) fields.recommends = "librsvg2-common";
  fields.synopsis = Synopsis(options, copy);
  fields.description = LongDescription(options, copy, fields.synopsis);
  if (!options.section.empty()) fields.section = options.section;
  fields.homepage = options.homepage.empty() ? copy.homepage : options.homepage;

  const std::vector<PackageFile> files = DebFiles(
      copy, maintainer, CopyrightOf(copy, LicenseOf(options), maintainer, fields.homepage));
  fields.installedSizeKiB = InstalledSizeKiB(files);
  std::vector<ArchiveEntry> control{
      {"./", {}, 0755},
      {"./control", ControlText(fields), 0644},
      {"./md5sums", Md5sumsText(files), 0644},
      {"./postinst", PostinstScript(), 0755},
      {"./postrm", PostrmScript(), 0755},
  };
  if (!copy.repoUrl.empty())
    control.push_back({"./conffiles", "/" + SourcesPath(copy.name) + "\n", 0644});
  const std::vector<ArMember> members{
      {"debian-binary", "2.0\n"},
      {"control.tar.gz", TarGz(control, copy.time)},
      {"data.tar.gz", TarGz(TarEntries(files), copy.time)},
  };
  const std::string name = copy.package + "_" + VersionInFileName(copy.version) + "_" +
                           copy.record.architecture + ".deb";
  WriteOutput(options.out, name, [&](wb::FileReplacement& file) {
    WriteAr(members, copy.time, [&file](std::string_view bytes) { file.Write(bytes); });
  });
  return 0;
}

// The script in the portable archive that puts the unpacked copy into its user's menu: it
// writes the desktop entry of NAME.desktop.in with the folder's real path, quoted as the
// desktop entry format asks (Exec's argument in double quotes with \ " ` $ escaped and %
// doubled, then every value's backslashes doubled), and the icon. Run again after the folder
// moved; "--remove" takes both out again.
std::string InstallScript(const std::string& name) {
  std::string quoted;  // the name in single quotes for the shell
  for (char c : name) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return "#!/bin/sh\n"
         "# Puts " +
         name +
         " into your application menu, started from the folder this script\n"
         "# is in. Run it again after moving the folder; \"./install.sh --remove\" takes it\n"
         "# out of the menu again.\n"
         "set -eu\n"
         "name='" +
         quoted +
         "'\n"
         "here=$(CDPATH= cd -- \"$(dirname -- \"$0\")\" && pwd -P)\n"
         "tab=$(printf '\\t')\n"
         "case $here in\n"
         "  *\"$tab\"* | *'\n"
         "'*)\n"
         "    echo \"install.sh: the folder's path holds a tab or a line break: move it to a \"\\\n"
         "      \"folder without one\" >&2\n"
         "    exit 1 ;;\n"
         "esac\n"
         "data=${XDG_DATA_HOME:-$HOME/.local/share}\n"
         "entry=$data/applications/$name.desktop\n"
         "icon=$data/icons/hicolor/256x256/apps/$name.png\n"
         "if [ \"${1:-}\" = --remove ]; then\n"
         "  rm -f -- \"$entry\" \"$icon\"\n"
         "  echo \"removed $entry\"\n"
         "  exit 0\n"
         "fi\n"
         "exec_arg=$(printf '%s' \"$here/$name\" | sed -e 's/[\\\\\"`$]/\\\\&/g' -e 's/%/%%/g')\n"
         "exec_value=$(printf '\"%s\"' \"$exec_arg\" | sed -e 's/\\\\/\\\\\\\\/g')\n"
         "dir_value=$(printf '%s' \"$here\" | sed -e 's/\\\\/\\\\\\\\/g')\n"
         "mkdir -p -- \"$data/applications\" \"${icon%/*}\"\n"
         "cp -- \"$here/$name.png\" \"$icon.new\"\n"
         "mv -f -- \"$icon.new\" \"$icon\"\n"
         "WB_NAME=$name WB_EXEC=$exec_value WB_DIR=$dir_value awk '\n"
         "  function swap(s, from, to,   out, i) {\n"
         "    out = \"\"\n"
         "    while ((i = index(s, from)) > 0) {\n"
         "      out = out substr(s, 1, i - 1) to\n"
         "      s = substr(s, i + length(from))\n"
         "    }\n"
         "    return out s\n"
         "  }\n"
         "  /^#/ { next }\n"
         "  /^Exec=/ { $0 = swap($0, \"@DIR@/\" ENVIRON[\"WB_NAME\"], ENVIRON[\"WB_EXEC\"]) }\n"
         "  /^Icon=/ { $0 = \"Icon=\" ENVIRON[\"WB_NAME\"] }\n"
         "  { print swap($0, \"@DIR@\", ENVIRON[\"WB_DIR\"]) }\n"
         "' \"$here/$name.desktop.in\" >\"$entry.new\"\n"
         "mv -f -- \"$entry.new\" \"$entry\"\n"
         "command -v update-desktop-database >/dev/null 2>&1 &&\n"
         "  update-desktop-database -q \"$data/applications\" || true\n"
         "echo \"wrote $entry\"\n";
}

int WriteTar(const Options& options, const Copy& copy) {
  const std::string top = "./" + copy.name + "-" + VersionInFileName(copy.version) + "/";
  const std::string where = "\"" + copy.path + "\" icon";
  // The template names the folder the archive is unpacked into as @DIR@.
  std::string entry = wb::DesktopEntryText(EntryOf(
      copy, "@DIR@/" + copy.name, "@DIR@/" + copy.name + (copy.scalable ? ".svg" : ".png")));
  entry = "# install.sh writes this entry with the folder that holds " + copy.name +
          " for @DIR@\n# to ~/.local/share/applications/" + copy.name + ".desktop.\n" + entry;
  std::vector<ArchiveEntry> entries{
      {top, {}, 0755},
      {top + copy.name, copy.bytes, 0755},
      // The settings file beside the copy makes it keep its settings, profile and work folder
      // beside itself.
      {top + copy.name + ".ini", "[" + copy.name + "]\nPortable=1\n", 0644},
      {top + copy.name + ".png", SquareIconPng(copy.icon, 256, where), 0644},
      {top + copy.name + ".desktop.in", entry, 0644},
      {top + "install.sh", InstallScript(copy.name), 0755},
  };
  if (copy.scalable) entries.push_back({top + copy.name + ".svg", copy.icon, 0644});
  // The licence goes with the copy in the same words as in the Debian package.
  if (const auto license = LicenseOf(options)) {
    const std::string maintainer =
        options.maintainer.empty() ? DefaultMaintainer() : options.maintainer;
    entries.push_back(
        {top + "copyright", CopyrightOf(copy, license, maintainer, copy.homepage), 0644});
  }
  const std::string archive = TarGz(entries, copy.time);
  WriteOutput(options.out, copy.name + "-" + VersionInFileName(copy.version) + ".tar.gz",
              [&archive](wb::FileReplacement& file) { file.Write(archive); });
  return 0;
}

int Run(const std::vector<std::string>& args) {
  const Options options = ParseOptions(args);
  const Copy copy = ReadCopy(options);
  return options.deb ? WriteDeb(options, copy) : WriteTar(options, copy);
}

// What "wbctl help package" prints after the usage line.
constexpr const char* kHelp =
    "Makes a package of a copy for customers: a Debian package (--deb) that installs\n"
    "it for every user, or a portable archive (--tar) to unpack anywhere, whose\n"
    "install.sh puts the unpacked copy into its user's application menu.\n"
    "\n"
    "Options:\n"
    "  --deb | --tar          the kind of package (one of them)\n"
    "  --exe COPY             the copy (default: webbrowser beside wbctl)\n"
    "  --out DIR              where the package goes (default: the current folder)\n"
    "  --version V            the package's version (default: the program's)\n"
    "  --maintainer \"NAME <MAIL>\"   who answers for the package (default: DEBFULLNAME\n"
    "                         and DEBEMAIL)\n"
    "  --description TEXT     one line about the package (default: from the title)\n"
    "  --long-description FILE   the package's longer text, paragraphs divided by\n"
    "                         empty lines (default: one line about the copy and its\n"
    "                         maker), with --deb\n"
    "  --homepage URL         the package's web site, http:// or https:// (default:\n"
    "                         the copy's homepage=), with --deb\n"
    "  --section NAME         Debian's section for it (default: web), with --deb\n"
    "  --license FILE|NAME    the licence in the copyright file: a file holding its\n"
    "                         text, or an SPDX name (MIT, Apache-2.0,\n"
    "                         GPL-3.0-or-later ...)\n"
    "  --repo-url URL --repo-key FILE   subscribe the package to the maker's\n"
    "                         repository\n"
    "                         (\"wbctl repo\"), with --deb\n"
    "\n"
    "Example:\n"
    "  wbctl package --deb --exe ~/Apps/acme --version 2.1 \\\n"
    "      --maintainer \"Acme <pkg@acme.example>\" --license MIT\n"
    "  wbctl package --tar --exe ~/Apps/acme\n";

}  // namespace

const Command kPackageCommand{"package", kUsage, &Run, kHelp};

}  // namespace wbctl
