#pragma once
// The tool compares package versions with the rule the program uses for its update notices.
#include "support/debian_version.h"

namespace wbctl {
using wb::CompareDebianVersions;
using wb::DebianPackageName;
using wb::IsDebianVersion;
}  // namespace wbctl
