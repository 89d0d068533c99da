#include "engine/web_view.h"

#include <string>

#include "support/address.h"

namespace wb {

bool WebView::Navigate(const Text& address) {
  const std::string resolved = ResolveAddress(ToUtf8(address));
  if (resolved.empty()) return false;
  Load(FromUtf8(resolved));
  return true;
}

}  // namespace wb
