#include "support/zoom_levels.h"

#include <algorithm>
#include <string>

#include "support/lower_case.h"
#include "support/values.h"

namespace wb {
namespace {

constexpr std::size_t kMaxHostLength = 255;

bool IsSchemeChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'+' || c == u'-' || c == u'.';
}

int DefaultPort(TextView scheme) {
  if (scheme == u"http" || scheme == u"ws") return 80;
  if (scheme == u"https" || scheme == u"wss") return 443;
  if (scheme == u"ftp") return 21;
  return -1;
}

}  // namespace

int ClampZoom(int percent) {
  return std::clamp(percent, kMinZoom, kMaxZoom);
}

int ZoomInStep(int percent) {
  for (int step : kZoomSteps)
    if (step > percent) return step;
  return kMaxZoom;
}

int ZoomOutStep(int percent) {
  for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
    if (*it < percent) return *it;
  return kMinZoom;
}

int ConfiguredZoom(TextView value) {
  const int percent = TextToInt(value);
  return percent > 0 ? ClampZoom(percent) : kDefaultZoom;
}

std::optional<int> StoredZoom(TextView value) {
  if (ClassifyNumber(value) != NumberForm::kWhole) return std::nullopt;
  const int percent = TextToInt(value);
  if (percent < kMinZoom || percent > kMaxZoom) return std::nullopt;
  return percent;
}

Text OriginOf(TextView address) {
  const auto colon = address.find(u':');
  if (colon == TextView::npos || colon == 0) return {};
  const TextView schemePart = address.substr(0, colon);
  if (!std::all_of(schemePart.begin(), schemePart.end(), IsSchemeChar)) return {};
  const Text scheme = AsciiLowerCase(schemePart);
  if (scheme == u"file") return u"file://";
  const int defaultPort = DefaultPort(scheme);
  if (defaultPort < 0) return {};
  TextView rest = address.substr(colon + 1);
  if (rest.substr(0, 2) != u"//") return {};
  rest.remove_prefix(2);
  TextView authority = rest.substr(0, rest.find_first_of(u"/?#\\"));
  if (const auto at = authority.rfind(u'@'); at != TextView::npos) authority.remove_prefix(at + 1);
  // The port follows the last ":" after a bracketed IPv6 host, if any.
  const auto bracket = authority.rfind(u']');
  const auto portColon = authority.rfind(u':');
  TextView host = authority;
  TextView port;
  if (portColon != TextView::npos && (bracket == TextView::npos || portColon > bracket)) {
    host = authority.substr(0, portColon);
    port = authority.substr(portColon + 1);
  }
  if (host.empty() || host.size() > kMaxHostLength) return {};
  Text origin = scheme + u"://" + AsciiLowerCase(host);
  if (!port.empty()) {
    if (ClassifyNumber(port) != NumberForm::kWhole) return {};
    const int number = TextToInt(port);
    if (number < 0 || number > 65535) return {};
    if (number != defaultPort) origin += u":" + Ascii(std::to_string(number));
  }
  return origin;
}

}  // namespace wb
