#pragma once
// The maker's public key a portable copy checks its notices of newer versions with
// (support/update_notice.h): a block after the configuration block, named "WebBrowser.update",
// holding the key as a binary OpenPGP key (what "gpg --export" writes) in a Base64 block
// (storage/base64_block.h). wbctl brand --update-key writes it from the maker's key.asc.
#include <cstddef>
#include <string_view>

namespace wb {

inline constexpr std::u16string_view kUpdateKeyBlockName = u"WebBrowser.update";

// The largest key a copy carries: one signing key with its user ids needs a few KiB.
inline constexpr std::size_t kMaxUpdateKeyBytes = 64 * 1024;

}  // namespace wb
