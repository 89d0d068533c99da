#include "platform/profile.h"

#include <glib.h>

#include <system_error>

#include "storage/process_values.h"
#include "support/vendor_name.h"

namespace wb {
namespace {

// A copy's name becomes one folder name: it never climbs out of the folder above it. A name
// of dots alone is refused before it gets here; it used to become the program's own folder
// name, so that such a copy shared the program's cookies and its "profile clear" removed them.
std::string FolderName(const std::string& name) {
  std::string folder = name;
  for (char& c : folder)
    if (c == '/') c = '-';
  return folder;
}

}  // namespace

Profile ProfileFor(const std::string& name, bool ephemeral) {
  Profile profile;
  profile.ephemeral = ephemeral;
  if (ephemeral) return profile;
  if (const std::string problem = CopyNameProblem(name); !problem.empty())
    throw ProfileError("The profile cannot be chosen: " + problem + ".");
  const std::string folder = FolderName(name);
  if (Process().portable > 0 && !Process().programFolder.empty()) {
    const std::string beside = ToUtf8(Process().programFolder) + "profiles/" + folder + "/";
    profile.data = beside + "data/";
    profile.cache = beside + "cache/";
  } else {
    const std::string family = ToUtf8(OwnFolderName(Process().vendor, kOwnSiteFolderName));
    profile.data = std::string(g_get_user_data_dir()) + "/" + family + "/" + folder + "/";
    profile.cache = std::string(g_get_user_cache_dir()) + "/" + family + "/" + folder + "/";
  }
  return profile;
}

}  // namespace wb
