#include "platform/folders.h"

#include <glib.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <system_error>

#include "storage/config_keys.h"
#include "storage/process_values.h"
#include "storage/settings_store.h"
#include "storage/version_info.h"
#include "storage/window_config.h"
#include "support/fields.h"
#include "support/lower_case.h"
#include "support/values.h"
#include "support/vendor_name.h"

namespace wb {
namespace {

constexpr char16_t kSeparator = u'/';

Text WithSlashesAsDashes(TextView title) {
  return ReplaceAll(title, u"/", u"-");
}

// An existence check that fails counts as a missing directory.
bool DirectoryExists(const Text& path) {
  if (path.empty()) return false;
  std::error_code error;
  return std::filesystem::is_directory(ToUtf8(path), error);
}

Text WithoutTrailingSeparators(Text path) {
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  return path;
}

// The folder part of a full path, up to and including its last separator.
Text FolderOf(const Text& path) {
  const auto slash = path.rfind(kSeparator);
  return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

}  // namespace

Text SpecialFolder(int id) {
  const char* path = nullptr;
  switch (id) {
    case kFolderPersonal:
      path = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
      if (!path) path = g_get_home_dir();
      break;
    case kFolderAppData:
      path = g_get_user_config_dir();
      break;
    case kFolderCommonAppData: {
      const char* const* dirs = g_get_system_config_dirs();
      if (dirs) path = dirs[0];
      break;
    }
    default:
      throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                              "special folder " + std::to_string(id) + " cannot be resolved");
  }
  if (!path) return {};
  return WithoutTrailingSeparators(FromUtf8(path));
}

Text FolderForKey(const Text& keyIn) {
  const Text key = AsciiLowerCase(keyIn);
  int id = 0;
  if (IsListMember(key, u"*,doc,*doc", u",")) id = kFolderPersonal;
  if (IsListMember(key, u"**,app,dat,*app,*dat", u",")) id = kFolderAppData;
  if (IsListMember(key, u"adat,aapp", u",")) id = kFolderCommonAppData;
  if (id == 0) return {};
  Text suffix;
  if (IsListMember(key, u"*,**,*doc,*app,*dat", u",")) {
    // Only the title's own slashes become dashes; the separator in front of it stays.
    // A copy with a vendor names this folder after the vendor instead.
    suffix = kSeparator + OwnFolderName(Process().vendor, WithSlashesAsDashes(ApplicationTitle()));
  }
  return SpecialFolder(id) + suffix;
}

void SetUpFolders() {
  ProcessValues& p = Process();
  p.documentsFolder = FolderForKey(u"doc") + kSeparator;
  p.appDataFolder = FolderForKey(u"app") + kSeparator;
  const Text titleFolder =
      OwnFolderName(p.vendor, WithSlashesAsDashes(p.startupTitle.empty() ? ApplicationTitle()
                                                                         : p.startupTitle)) +
      kSeparator;
  p.programFolder = FolderOf(ExecutablePath());
  if (!DirectoryExists(p.documentsFolder)) p.documentsFolder = p.programFolder;
  if (!DirectoryExists(p.appDataFolder)) p.appDataFolder = p.documentsFolder;
  p.workFolder = p.documentsFolder + titleFolder;
  p.dataFolder = p.appDataFolder + titleFolder;
  // A program installed in the documents folder itself keeps its work files in a folder of
  // their own rather than among the documents.
  if (p.documentsFolder == p.programFolder) p.workFolder = p.programFolder + u"data/";
  if (p.portable < 0) {
    // The whole file is searched, so a large settings file is portable wherever its entry
    // stands; IniReadVar would stop at the settings files' size limit.
    const std::optional<Text> portable =
        ReadIniEntryAnywhere(SettingsFilePath({}, p.programFolder),
                             Text(NameWithoutExtension(ExecutablePath())), u"Portable");
    p.portable = TextToInt(portable.value_or(u"0"));
  }
  if (p.portable > 0) {
    p.workFolder = p.programFolder + u"data/";
    p.dataFolder = p.programFolder;
  }
  if (DirectoryExists(p.workFolder)) {
    // The work folder is only a convenience for file dialogs; staying where we are is fine.
    [[maybe_unused]] const int ignored = chdir(ToUtf8(p.workFolder).c_str());
  }
}

void StartupSetup() {
  ProcessValues& p = Process();
  if (p.startupTitle.empty()) p.startupTitle = ApplicationTitle();
  SetUpFolders();
  CarryOverEarlierSettings();
  p.versionText = FileVersionText(ExecutablePath());
}

void AlignLocale() {
  std::setlocale(LC_ALL, "");
}

void InitializeRuntimeSupport() {
  AlignLocale();
  SetUpFolders();
}

void SetUpForExecutable(const std::string& exePath, Text title) {
  ProcessValues& p = Process();
  p = ProcessValues{};
  p.executablePath = FromUtf8(exePath);
  // The vendor is the only key that moves files; the copy itself reads it before its start-up
  // set-up too. A copy whose block cannot be read keeps our folder names, as it would itself.
  try {
    p.vendor = ConfiguredAs<KeyKind::kFolderName>(ReadConfigSources({}, exePath), u"vendor");
  } catch (const std::exception&) {
    p.vendor.clear();
  }
  InitializeRuntimeSupport();
  p.applicationTitle = std::move(title);
  StartupSetup();
}

}  // namespace wb
