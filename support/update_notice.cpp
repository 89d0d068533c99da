#include "support/update_notice.h"

#include "support/ascii.h"
#include "support/debian_version.h"
#include "support/maker.h"
#include "support/text.h"

namespace wb {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsPackageName(std::string_view name) {
  return name.size() <= 128 && !name.empty() && DebianPackageName(name) == name;
}

}  // namespace

std::optional<UpdateNotice> ParseUpdateNotice(std::string_view text) {
  if (text.size() > kMaxUpdateNoticeBytes) return std::nullopt;
  std::optional<std::string> package, version, page;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Trimmed(line).empty()) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const std::string name = AsciiLowerCase(line.substr(0, colon));
    const std::string value(Trimmed(line.substr(colon + 1)));
    std::optional<std::string>* field = name == "package"   ? &package
                                        : name == "version" ? &version
                                        : name == "page"    ? &page
                                                            : nullptr;
    if (field == nullptr) continue;
    if (field->has_value()) return std::nullopt;
    *field = value;
  }
  if (!package || !version || !page) return std::nullopt;
  if (!IsPackageName(*package) || !IsDebianVersion(*version)) return std::nullopt;
  const Text address = MakerAddress(FromUtf8(*page));
  if (address.empty()) return std::nullopt;
  return UpdateNotice{*package, *version, ToUtf8(address)};
}

std::string UpdateNoticeText(const UpdateNotice& notice) {
  return "Package: " + notice.package + "\nVersion: " + notice.version + "\nPage: " + notice.page +
         "\n";
}

bool UpdateIsNewer(const UpdateNotice& notice, std::string_view copyName,
                   std::string_view ownVersion) {
  if (notice.package != DebianPackageName(copyName) || !IsDebianVersion(ownVersion)) return false;
  return CompareDebianVersions(notice.version, ownVersion) > 0;
}

bool UpdateCheckDue(std::int64_t last, std::int64_t now) {
  return last <= 0 || now < last || now - last >= kUpdateCheckInterval;
}

}  // namespace wb
