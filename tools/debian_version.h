#pragma once
// Debian's order of package versions, as dpkg compares them: the epoch as a number, then the
// upstream version and the revision, each compared in runs of non-digits (letters before other
// characters, "~" before everything, even the end) and runs of digits (as numbers).
#include <string_view>

namespace wbctl {

// Less than, equal to or greater than zero as `a` is older than, the same as or newer than
// `b`. Both should be versions IsDebianVersion takes; anything else is compared by the same
// rules without a fault, as dpkg does.
int CompareDebianVersions(std::string_view a, std::string_view b);

}  // namespace wbctl
