#pragma once
// Where the settings hive of a copy lives in the person's home: the one place that names its
// folder, ours or the copy's vendor's.
#include <string>
#include <string_view>

#include "support/text.h"

namespace wb {

// The root key of the hive, also the name of its file.
inline constexpr std::string_view kHiveRootName = "HKEY_CURRENT_USER";

// The hive file of the copy: CurrentUserHivePathFor its vendor (Process().vendor).
std::string CurrentUserHivePath();

// The hive file of a copy with the vendor `vendor` (support/vendor_name.h; empty: none):
// $XDG_CONFIG_HOME/VENDOR/HKEY_CURRENT_USER.reg, and without a vendor
// $XDG_CONFIG_HOME/Morvane/HKEY_CURRENT_USER.reg, where an unset, empty or relative
// XDG_CONFIG_HOME means $HOME/.config. Empty when there is no home folder.
std::string CurrentUserHivePathFor(TextView vendor);

}  // namespace wb
