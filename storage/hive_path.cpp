#include "storage/hive_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "storage/process_values.h"
#include "storage/registry_file.h"
#include "support/maker.h"
#include "support/vendor_name.h"

namespace wb {

std::string CurrentUserHivePath() {
  return CurrentUserHivePathFor(Process().vendor);
}

std::string CurrentUserHivePathFor(TextView vendor) {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    std::string homeDir = home && home[0] == '/' ? home : "";
    if (homeDir.empty()) {
      struct passwd entry;
      struct passwd* found = nullptr;
      char buffer[4096];
      if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
          found->pw_dir && found->pw_dir[0] == '/') {
        homeDir = found->pw_dir;
      }
    }
    if (homeDir.empty()) return {};
    config = homeDir + "/.config";
  }
  while (config.size() > 1 && config.back() == '/') config.pop_back();
  return config + "/" + ToUtf8(OwnFolderName(vendor, kCompanyName)) + "/" +
         std::string(kHiveRootName) + ".reg";
}

}  // namespace wb
