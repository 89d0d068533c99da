#include "support/permissions.h"

#include <algorithm>
#include <iterator>

#include "support/address_parts.h"
#include "support/ascii.h"
#include "support/catalog.h"
#include "support/list_items.h"

namespace wb {

namespace {

struct KindInfo {
  PermissionKind kind;
  std::string_view name;
  std::string_view words;  // what the page wants, after "wants to "
};

constexpr KindInfo kKinds[] = {
    {PermissionKind::kNotifications, "notifications", N_("show notifications")},
    {PermissionKind::kGeolocation, "geolocation", N_("know your location")},
    {PermissionKind::kCamera, "camera", N_("use your camera")},
    {PermissionKind::kMicrophone, "microphone", N_("use your microphone")},
    {PermissionKind::kScreen, "screen", N_("share your screen")},
    {PermissionKind::kDeviceInfo, "device-info",
     N_("see the names of your cameras and microphones")},
    {PermissionKind::kMediaKeys, "media-keys", N_("play protected media")},
    {PermissionKind::kPointerLock, "pointer-lock", N_("hide and take over your mouse pointer")},
    {PermissionKind::kClipboard, "clipboard", N_("read your clipboard")},
};

const KindInfo& Info(PermissionKind kind) {
  return *std::ranges::find(kKinds, kind, &KindInfo::kind);
}

}  // namespace

std::string_view PermissionKindName(PermissionKind kind) {
  return Info(kind).name;
}

std::optional<PermissionKind> PermissionKindNamed(std::string_view name) {
  const std::string lowered = AsciiLowerCase(name);
  for (const auto& k : kKinds)
    if (k.name == lowered) return k.kind;
  return std::nullopt;
}

std::string PermissionKindNames() {
  std::string out;
  for (const auto& k : kKinds) {
    if (!out.empty()) out += ", ";
    out += k.name;
  }
  return out;
}

std::string PermissionKindsText(const std::vector<PermissionKind>& kinds) {
  std::string out;
  for (PermissionKind k : kinds) {
    if (!out.empty()) out += ' ';
    out += PermissionKindName(k);
  }
  return out;
}

std::string PermissionQuestion(std::string_view host, const std::vector<PermissionKind>& kinds) {
  const bool camera = std::ranges::count(kinds, PermissionKind::kCamera) > 0;
  const bool microphone = std::ranges::count(kinds, PermissionKind::kMicrophone) > 0;
  std::vector<std::string> parts;
  if (camera && microphone) parts.emplace_back(Tr("use your camera and microphone"));
  for (PermissionKind k : kinds) {
    if (camera && microphone && (k == PermissionKind::kCamera || k == PermissionKind::kMicrophone))
      continue;
    parts.emplace_back(Tr(std::string(Info(k).words).c_str()));
  }
  if (parts.empty()) parts.emplace_back(Tr("use a feature of this computer"));
  // The list is joined by the language's own words, each join a text with two places.
  std::string wants = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i)
    // TRANSLATORS: "{1} and {2}" joins the last of the things a page asks for, "{1}, {2}"
    // the others; each is a phrase after "wants to", such as "show notifications".
    wants = Format(i + 1 == parts.size() ? Tr("{1} and {2}") : Tr("{1}, {2}"), {wants, parts[i]});
  if (host.empty()) return Format(Tr("This page wants to {1}"), {wants});
  return Format(Tr("{1} wants to {2}"), {host, wants});
}

bool AllowList::Holds(PermissionKind kind) const {
  return std::ranges::count(kinds, kind) > 0;
}

AllowList ParseAllowList(std::string_view value) {
  AllowList list;
  for (std::string_view item : CommaListItems(value)) {
    if (auto kind = PermissionKindNamed(item))
      list.kinds.push_back(*kind);
    else
      list.invalid.emplace_back(item);
  }
  return list;
}

std::string SchemeOf(std::string_view address) {
  return ParseAddress(address).scheme;
}

bool AnswersKeptFor(std::string_view origin) {
  return !origin.empty() && origin != "file://";
}

bool OpensWithoutAsking(std::string_view address) {
  const std::string scheme = SchemeOf(address);
  return scheme == "http" || scheme == "https";
}

int RestrictedPortOf(std::string_view address) {
  static constexpr int kPorts[] = {
      1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,   25,   37,
      42,   43,   53,   69,   77,   79,   87,   95,   101,  102,  103,  104,  109,  110,
      111,  113,  115,  117,  119,  123,  135,  137,  139,  143,  161,  179,  389,  427,
      465,  512,  513,  514,  515,  526,  530,  531,  532,  540,  548,  554,  556,  563,
      587,  601,  636,  989,  990,  993,  995,  1719, 1720, 1723, 2049, 3659, 4045, 4190,
      5060, 5061, 6000, 6566, 6665, 6666, 6667, 6668, 6669, 6679, 6697, 10080};
  const AddressParts parts = ParseAddress(address);
  if (!parts.valid || (parts.scheme != "http" && parts.scheme != "https")) return 0;
  return std::ranges::binary_search(kPorts, parts.port) ? parts.port : 0;
}

std::vector<std::string> PermissionGrantNames(const PermissionRequest& request) {
  if (!request.scheme.empty()) return {"external:" + request.scheme};
  std::vector<std::string> names;
  for (PermissionKind k : request.kinds) names.emplace_back(PermissionKindName(k));
  return names;
}

std::string PermissionRequestText(const PermissionRequest& request) {
  std::string out;
  for (const std::string& name : PermissionGrantNames(request)) {
    if (!out.empty()) out += ' ';
    out += name;
  }
  return out;
}

std::string PermissionRequestQuestion(const PermissionRequest& request) {
  if (request.scheme.empty()) return PermissionQuestion(request.host, request.kinds);
  if (request.host.empty())
    return Format(Tr("This page wants to open a {1}: link with another program"), {request.scheme});
  return Format(Tr("{1} wants to open a {2}: link with another program"),
                {request.host, request.scheme});
}

std::string PermissionValueName(std::string_view origin, PermissionKind kind) {
  return PermissionValueName(origin, PermissionKindName(kind));
}

std::string PermissionValueName(std::string_view origin, std::string_view grantName) {
  return std::string(origin) + " " + std::string(grantName);
}

}  // namespace wb
