#pragma once
// The copy's vendor: the name a maker gives (vendor=) to the folders the copy makes in the
// person's home, in place of our own names. Without it every folder keeps the name it always
// had, so an existing person's files stay where they are.
#include <cstddef>
#include <string>
#include <string_view>

#include "support/text.h"

namespace wb {

// The longest vendor name taken, in characters. A folder name may have 255 bytes; this leaves
// room for every character to take three of them in UTF-8.
inline constexpr std::size_t kMaxVendorName = 64;

// Our own folder names, which a copy without a vendor keeps: the settings hive's folder under
// the person's configuration folder is our company's name (support/maker.h), the site data's
// and the cache's folder is the program's name.
inline constexpr std::u16string_view kOwnSiteFolderName = u"webbrowser";

// Why `value` (blanks at either end ignored) cannot name one folder, or empty when it can or
// is empty: longer than kMaxVendorName, a "/" or a control character (U+0000 to U+001F, U+007F,
// U+0080 to U+009F) in it, or "." or "..", which name the folder itself or the one above it.
std::string VendorNameProblem(TextView value);

// The vendor name of `value`: without blanks at either end, or empty when it has a problem
// (VendorNameProblem), so that a name that cannot be a folder leaves every folder where it was.
Text VendorName(TextView value);

// `ours` when `vendor` is empty, else `vendor`: the name of one of the copy's folders.
Text OwnFolderName(TextView vendor, TextView ours);

}  // namespace wb
