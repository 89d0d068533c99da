#pragma once
// Debian's order of package versions, as dpkg compares them: the epoch as a number, then the
// upstream version and the revision, each compared in runs of non-digits (letters before other
// characters, "~" before everything, even the end) and runs of digits (as numbers).
#include <string>
#include <string_view>

namespace wb {

// Less than, equal to or greater than zero as `a` is older than, the same as or newer than
// `b`. Both should be versions IsDebianVersion takes; anything else is compared by the same
// rules without a fault, as dpkg does.
int CompareDebianVersions(std::string_view a, std::string_view b);

// Whether `version` is a version dpkg takes: an optional epoch (digits and ":"), an upstream
// version that starts with a digit and holds letters, digits and ". + ~" (and "-" when there is
// a revision, ":" when there is an epoch), and an optional revision after the last "-" of
// letters, digits and ". + ~". At most 128 characters.
bool IsDebianVersion(std::string_view version);

// The package name for the copy `name`: lower case, "_" and every character Debian does not
// allow in a name (letters, digits, "+", "-", ".") as "-", and leading characters that are not
// a letter or a digit dropped. Empty when fewer than two characters remain.
std::string DebianPackageName(std::string_view name);

}  // namespace wb
