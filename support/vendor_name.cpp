#include "support/vendor_name.h"

namespace wb {

std::string VendorNameProblem(TextView value) {
  const TextView name = TrimBlanks(value);
  if (name.size() > kMaxVendorName)
    return "is longer than " + std::to_string(kMaxVendorName) + " characters";
  if (name == u"." || name == u"..") return "names no folder of its own";
  for (const char16_t c : name) {
    if (c == u'/') return "has a \"/\", which would make it more than one folder";
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return "has a control character";
  }
  return {};
}

Text VendorName(TextView value) {
  return VendorNameProblem(value).empty() ? Text(TrimBlanks(value)) : Text();
}

Text OwnFolderName(TextView vendor, TextView ours) {
  return Text(vendor.empty() ? ours : vendor);
}

}  // namespace wb
