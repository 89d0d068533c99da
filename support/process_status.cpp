#include "support/process_status.h"

#include <charconv>

namespace wb {

std::optional<ProcessStatus> ParseProcessStatus(std::string_view text) {
  const auto open = text.find(" (");
  const auto close = text.rfind(") ");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open + 1)
    return std::nullopt;
  long pid = 0;
  const auto [pidEnd, pidError] = std::from_chars(text.data(), text.data() + open, pid);
  if (pidError != std::errc() || pidEnd != text.data() + open || pid <= 0) return std::nullopt;
  ProcessStatus status;
  status.name = std::string(text.substr(open + 2, close - open - 2));
  std::string_view rest = text.substr(close + 2);
  const bool letter = rest.size() >= 3 &&
                      ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
  if (!letter || rest[1] != ' ') return std::nullopt;
  status.state = rest[0];
  rest.remove_prefix(2);
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), status.parent);
  if (error != std::errc() || (end != rest.data() + rest.size() && *end != ' ' && *end != '\n') ||
      status.parent < 0)
    return std::nullopt;
  return status;
}

bool IsOwnNetworkProcess(const ProcessStatus& status, long self) {
  return status.parent == self && status.name == std::string_view("WebKitNetworkProcess", 15) &&
         status.state != 'Z' && status.state != 'X';
}

}  // namespace wb
