// wbctl install: puts a copy into the desktop's application menu: a desktop entry and the
// copy's icon in the sizes the desktop asks for, under a data folder (by default the user's).
// It replaces only files it wrote itself, as the entry's record keeps them, unless --force
// says that another program's file of the same name may go.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/ascii.h"
#include "support/desktop_entry.h"
#include "tools/command.h"
#include "tools/config_files.h"
#include "tools/desktop_install.h"
#include "tools/icon_image.h"

namespace wbctl {
namespace {

constexpr const char* kUsage =
    "install [--exe EXE] [--prefix DIR] [--mime TYPE;...] [--autostart] [--force]";

// A media type as a desktop entry lists it: "type/subtype" of letters, digits and
// "!#$&^_.+-" ("x-scheme-handler/acme" included).
bool IsMediaType(const std::string& type) {
  const auto slash = type.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == type.size() ||
      type.find('/', slash + 1) != std::string::npos) {
    return false;
  }
  return std::all_of(type.begin(), type.end(), [](char c) {
    return wb::IsAsciiAlnum(c) || std::string_view("/!#$&^_.+-").find(c) != std::string_view::npos;
  });
}

std::vector<std::string> ParseMimeTypes(const std::string& list) {
  std::vector<std::string> types;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(";,", start);
    if (end == std::string::npos) end = list.size();
    const std::string type = list.substr(start, end - start);
    if (!type.empty()) {
      if (!IsMediaType(type)) throw std::runtime_error("\"" + type + "\" is not a media type");
      types.push_back(type);
    }
    start = end + 1;
  }
  return types;
}

// The first folder of the icon files `iconPaths` within the prefix that is a symbolic link;
// empty when none is. A file written there would land wherever the link leads (another
// program's icons, a folder outside the prefix), which install must never touch.
std::string LinkedIconFolder(const InstallTarget& target,
                             const std::vector<std::string>& iconPaths) {
  for (const auto& relative : iconPaths) {
    for (std::size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      const std::string path = target.PathOf(relative.substr(0, slash));
      struct stat info;
      if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) return path;
    }
  }
  return {};
}

// Creates the folder `relative` and those above it within the prefix, adding each one it
// creates to `created`.
void MakeFolders(const InstallTarget& target, const std::string& relative,
                 std::vector<std::string>& created) {
  std::size_t slash = 0;
  while (slash != std::string::npos) {
    slash = relative.find('/', slash + 1);
    const std::string folder = relative.substr(0, slash);
    const std::string path = target.PathOf(folder);
    if (wb::DirectoryExists(path)) continue;
    wb::CreateDirectories(path, 0755);
    if (std::find(created.begin(), created.end(), folder) == created.end()) {
      created.push_back(folder);
    }
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  wb::WriteFileAtomically(path, bytes, wb::ReplacementOptions{.permissions = 0644});
}

// Takes the switch `option` out of `args`; whether it was there.
bool TakeSwitch(std::vector<std::string>& args, const std::string& option) {
  const auto found = std::find(args.begin(), args.end(), option);
  if (found == args.end()) return false;
  args.erase(found);
  return true;
}

// Writes the entry that starts the copy at login, hidden in its tray item, and says what it
// does not do where the copy's keys leave something out.
void WriteAutostartEntry(const InstallTarget& target, wb::DesktopEntry entry,
                         const wb::WindowConfig& config) {
  entry.autostart = true;
  entry.mimeTypes.clear();
  entry.files.clear();
  entry.folders.clear();
  entry.sums.clear();
  const std::string path = target.AutostartPath();
  const std::string folder = path.substr(0, path.rfind('/'));
  if (!wb::DirectoryExists(folder)) wb::CreateDirectories(folder, 0755);
  WriteFile(path, wb::DesktopEntryText(entry));
  std::cout << "wrote " << path << "\n";
  if (!config.tray)
    std::cerr << "note: without tray=1 the copy has no tray item to wait in; it starts shown\n";
  if (!config.single)
    std::cerr << "note: without single=1 a start from the menu opens a second window\n";
}

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string mime;
  const bool force = TakeSwitch(args, "--force");
  const bool autostartAsked = TakeSwitch(args, "--autostart");
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mime" && i + 1 < args.size()) {
      mime = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  const InstallTarget target = TakeInstallTarget(args, true);
  if (!args.empty())
    return Fail("unexpected argument \"" + args.front() + "\"\nusage: wbctl " + kUsage, kExitUsage);
  const std::vector<std::string> mimeTypes = ParseMimeTypes(mime);

  const wb::WindowConfig config = wb::WindowConfigFromValues(ReadExecutableConfig(target.exe));
  const ExecutableIcon icon = ReadExecutableIcon(target.exe);
  if (icon.bytes.empty()) return Fail("\"" + target.exe + "\": carries no icon");
  const std::string where = "\"" + target.exe + "\" icon";
  const IconPicture picture = CheckIconPicture(icon.bytes, where);
  const ExistingEntry existing = ReadExistingEntry(target);
  if (existing.exists && !existing.ours && !force) {
    return Fail(ForeignEntryMessage(target) + " (--force replaces it)");
  }
  const bool autostart = autostartAsked || config.autostart;
  if (autostart && !force && CheckAutostartEntry(target) == InstalledFile::kOther) {
    return Fail("\"" + target.AutostartPath() +
                "\" was not written by wbctl install; nothing was installed (--force replaces it)");
  }

  // Everything is drawn before the first file is written, so a picture that fails leaves the
  // prefix as it was.
  const bool scalable = picture.format == "svg";
  const std::vector<std::string> iconPaths = wb::InstalledIconPaths(target.name, scalable);
  std::vector<std::string> iconBytes;
  for (int size : wb::kDesktopIconSizes)
    iconBytes.push_back(SquareIconPng(icon.bytes, size, where));
  if (scalable) iconBytes.push_back(icon.bytes);

  // A file of the same name that install did not write (another program's icon, or one
  // changed since) is not replaced without --force, and then nothing at all is written.
  bool foreign = false;
  for (const auto& relative : iconPaths) {
    if (CheckInstalledFile(target, existing.record, relative) != InstalledFile::kOther) continue;
    if (!force) Fail("\"" + target.PathOf(relative) + "\" was not written by wbctl install");
    foreign = true;
  }
  if (foreign && !force) return Fail("nothing was installed (--force replaces these files)");
  if (const std::string link = LinkedIconFolder(target, iconPaths); !link.empty()) {
    return Fail("\"" + link +
                "\" is a symbolic link; install writes no icon through it, so nothing was "
                "installed");
  }

  wb::DesktopEntry entry;
  entry.name = wb::ToUtf8(wb::EffectiveCaption(config));
  entry.executable = target.exe;
  entry.icon = target.name;
  entry.windowClass = wb::WindowClassOf(std::filesystem::path(target.exe).filename().string());
  entry.mimeTypes = mimeTypes;
  for (std::string& type : wb::HandlerMimeTypes(config.schemes, config.files)) {
    if (std::find(entry.mimeTypes.begin(), entry.mimeTypes.end(), type) == entry.mimeTypes.end())
      entry.mimeTypes.push_back(std::move(type));
  }
  entry.actions = wb::ShortcutActions(config.shortcuts);
  entry.files = iconPaths;
  // The folders an earlier installation created stay in the record: they are still ours.
  entry.folders = existing.record.folders;
  for (std::size_t i = 0; i < iconPaths.size(); ++i)
    entry.sums[iconPaths[i]] = ContentSum(iconBytes[i]);

  MakeFolders(target, "applications", entry.folders);
  for (std::size_t i = 0; i < iconPaths.size(); ++i) {
    const std::string& relative = iconPaths[i];
    MakeFolders(target, relative.substr(0, relative.rfind('/')), entry.folders);
    WriteFile(target.PathOf(relative), iconBytes[i]);
    std::cout << "wrote " << target.PathOf(relative) << "\n";
  }
  // An earlier installation's files that this one does not write again (the SVG file of an
  // icon that is a PNG file now).
  wb::InstallRecord stale = existing.record;
  stale.folders.clear();
  RemoveRecorded(target, stale, iconPaths, std::cout);

  WriteFile(target.EntryPath(), wb::DesktopEntryText(entry));
  std::cout << "wrote " << target.EntryPath() << "\n";
  if (autostart) WriteAutostartEntry(target, entry, config);
  RefreshDesktopCaches(target, !entry.mimeTypes.empty(), std::cout);
  return 0;
}

// A file or folder that cannot be written ends the install with the one form of message, the
// path first and what to do last; the files written before it stay, as the record keeps them.
int RunInstall(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const wb::FileError& e) {
    return Fail("cannot write \"" + e.path() + "\": " + e.reason() +
                ": give a --prefix you may write into");
  }
}

// What "wbctl help install" prints after the usage line.
constexpr const char* kHelp =
    "Puts a copy into the desktop's application menu: a desktop entry and its icon\n"
    "in the sizes the desktop asks for. Replaces only files it wrote itself.\n"
    "\n"
    "Options:\n"
    "  --exe EXE         the copy (default: webbrowser beside wbctl)\n"
    "  --prefix DIR      the data folder (default: the user's, ~/.local/share)\n"
    "  --mime TYPE;...   media types the copy opens\n"
    "  --autostart       also start it at login, hidden in its tray item, as\n"
    "                    autostart=1 does ($XDG_CONFIG_HOME/autostart/NAME.desktop)\n"
    "  --force           replace another program's files of the same names\n"
    "\n"
    "Example:\n"
    "  wbctl install --exe ~/Apps/acme\n";

}  // namespace

const Command kInstallCommand{"install", kUsage, &RunInstall, kHelp};

}  // namespace wbctl
