#include "tools/desktop_install.h"

#include <glib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/copy_name.h"
#include "platform/glib_ptr.h"
#include "storage/atomic_file.h"
#include "storage/process_values.h"
#include "support/text.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

// A desktop entry is a few lines; anything much larger was not written by install.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;
// An icon file install writes is a PNG picture of at most 256 pixels square or the copy's own
// SVG picture; a larger file is someone else's.
constexpr std::size_t kMaxInstalledFileBytes = 16 * 1024 * 1024;

std::string TakeOption(std::vector<std::string>& args, const std::string& option) {
  std::string value;
  for (std::size_t i = 0; i < args.size();) {
    if (args[i] == option) {
      if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else if (args[i].rfind(option + "=", 0) == 0) {
      value = args[i].substr(option.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return value;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

void RunTool(const std::string& tool, const std::string& folder, std::ostream& out) {
  wb::GPtr<gchar> program(g_find_program_in_path(tool.c_str()));
  if (!program) return;
  std::vector<std::string> args{program.get()};
  if (tool == "gtk-update-icon-cache") {
    args.insert(args.end(), {"--quiet", "--force", "--ignore-theme-index"});
  }
  if (tool == "update-desktop-database") args.push_back("--quiet");
  args.push_back(folder);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  gint status = 0;
  wb::GPtr<GError> error;
  // The tools are run directly, never through a shell, and their output goes where ours goes.
  const bool ran = g_spawn_sync(
      nullptr, argv.data(), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_CHILD_INHERITS_STDIN | G_SPAWN_STDOUT_TO_DEV_NULL), nullptr,
      nullptr, nullptr, nullptr, &status, wb::OutPtr(error));
  if (ran && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    out << "refreshed " << folder << " (" << tool << ")\n";
  } else {
    out << "could not refresh " << folder << " (" << tool << " failed)\n";
  }
}

}  // namespace

std::string InstallTarget::EntryPath() const {
  return PathOf("applications/" + name + ".desktop");
}

std::string InstallTarget::AutostartPath() const {
  return std::string(g_get_user_config_dir()) + "/autostart/" + name + ".desktop";
}

InstalledFile CheckAutostartEntry(const InstallTarget& target) {
  const std::string path = target.AutostartPath();
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return InstalledFile::kMissing;
    throw std::runtime_error("\"" + path + "\": " + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) return InstalledFile::kOther;
  const auto text = wb::ReadWholeFile(path, kMaxEntryBytes + 1);
  if (!text) throw std::runtime_error("\"" + path + "\": cannot be read");
  if (text->size() > kMaxEntryBytes) return InstalledFile::kOther;
  const wb::InstallRecord record = wb::ReadInstallRecord(*text);
  return record.ours && record.files.empty() ? InstalledFile::kOurs : InstalledFile::kOther;
}

std::string InstallTarget::PathOf(const std::string& relative) const {
  return prefix + "/" + relative;
}

InstallTarget TakeInstallTarget(std::vector<std::string>& args, bool exeMustExist) {
  InstallTarget target;
  std::string exe = TakeOption(args, "--exe");
  std::string prefix = TakeOption(args, "--prefix");
  std::error_code error;
  const std::filesystem::path path = ExecutableArgumentPath(exe);
  target.exe = path.lexically_normal().string();
  if (exeMustExist) RequireProgramCopy(target.exe);
  target.name = wb::AppNameOf(target.exe);
  if (!wb::IsDesktopName(target.name)) {
    throw std::runtime_error("\"" + target.name +
                             "\": a desktop entry's name may hold only letters, digits, \"_\", "
                             "\"-\" and \".\"; rename the copy");
  }
  if (prefix.empty()) prefix = g_get_user_data_dir();
  auto absolute = std::filesystem::absolute(prefix, error);
  if (error) throw std::runtime_error(prefix + ": " + error.message());
  target.prefix = absolute.lexically_normal().string();
  while (target.prefix.size() > 1 && target.prefix.back() == '/') target.prefix.pop_back();
  return target;
}

ExistingEntry ReadExistingEntry(const InstallTarget& target) {
  ExistingEntry existing;
  const std::string path = target.EntryPath();
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return existing;
    throw std::runtime_error("\"" + path + "\": " + std::strerror(errno));
  }
  existing.exists = true;
  // A link may lead anywhere; install never makes one.
  if (!S_ISREG(info.st_mode)) return existing;
  const auto text = wb::ReadWholeFile(path, kMaxEntryBytes + 1);
  if (!text) throw std::runtime_error("\"" + path + "\": cannot be read");
  if (text->size() > kMaxEntryBytes) return existing;
  wb::InstallRecord record = wb::ReadInstallRecord(*text);
  existing.ours = record.ours;
  if (existing.ours) existing.record = std::move(record);
  return existing;
}

std::string ForeignEntryMessage(const InstallTarget& target) {
  return "\"" + target.EntryPath() + "\" was not written by wbctl install; it is left as it is";
}

std::string ContentSum(std::string_view bytes) {
  wb::GPtr<gchar> sum(g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  return sum.get();
}

InstalledFile CheckInstalledFile(const InstallTarget& target, const wb::InstallRecord& record,
                                 const std::string& relative) {
  const std::string path = target.PathOf(relative);
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? InstalledFile::kMissing : InstalledFile::kOther;
  }
  if (!wb::IsInstalledIconPath(relative, target.name) ||
      std::find(record.files.begin(), record.files.end(), relative) == record.files.end()) {
    return InstalledFile::kOther;
  }
  if (!record.hasSums) return InstalledFile::kOurs;
  const auto sum = record.sums.find(relative);
  if (sum == record.sums.end() || !S_ISREG(info.st_mode)) return InstalledFile::kOther;
  const auto bytes = wb::ReadWholeFile(path, kMaxInstalledFileBytes + 1);
  if (!bytes || bytes->size() > kMaxInstalledFileBytes) return InstalledFile::kOther;
  return ContentSum(*bytes) == sum->second ? InstalledFile::kOurs : InstalledFile::kOther;
}

bool RemoveRecorded(const InstallTarget& target, const wb::InstallRecord& record,
                    const std::vector<std::string>& keep, std::ostream& out) {
  bool complete = true;
  for (const auto& file : record.files) {
    if (std::find(keep.begin(), keep.end(), file) != keep.end()) continue;
    // The record is read from a file that anyone who can write the folder may have changed:
    // it is obeyed only for the files that install writes for this copy.
    if (!wb::IsInstalledIconPath(file, target.name)) {
      out << "left " << target.PathOf(file) << " (not a file that install writes)\n";
      continue;
    }
    const std::string path = target.PathOf(file);
    const InstalledFile state = CheckInstalledFile(target, record, file);
    if (state == InstalledFile::kMissing) continue;
    if (state == InstalledFile::kOther) {
      // Changed since, or replaced by another program's file of the same name.
      out << "left " << path << " (not what wbctl install wrote there)\n";
      continue;
    }
    if (::unlink(path.c_str()) == 0) {
      out << "removed " << path << "\n";
    } else if (errno != ENOENT) {
      out << "could not remove " << path << ": " << std::strerror(errno) << "\n";
      complete = false;
    }
  }
  // Deepest first, so that a folder is empty when its turn comes.
  std::vector<std::string> folders;
  for (const auto& folder : record.folders) {
    if (wb::IsInstallFolder(folder)) folders.push_back(folder);
  }
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
  });
  for (const auto& folder : folders) {
    // Only an empty folder goes: what others put there since stays, and so does its folder.
    const std::string path = target.PathOf(folder);
    if (::rmdir(path.c_str()) == 0) out << "removed " << path << "/\n";
  }
  return complete;
}

void RefreshDesktopCaches(const InstallTarget& target, bool mimeTypes, std::ostream& out) {
  const std::string applications = target.PathOf("applications");
  if (Exists(applications) && (mimeTypes || Exists(applications + "/mimeinfo.cache"))) {
    RunTool("update-desktop-database", applications, out);
  }
  const std::string hicolor = target.PathOf("icons/hicolor");
  if (Exists(hicolor + "/icon-theme.cache")) RunTool("gtk-update-icon-cache", hicolor, out);
}

}  // namespace wbctl
