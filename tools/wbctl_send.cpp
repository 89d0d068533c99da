// wbctl send: hands a text to a running window as a copy-data record, as another program
// would send an address ("url=..." or "go=...").
#include <string>
#include <vector>

#include "support/text.h"
#include "tools/command.h"
#include "tools/target.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "send [--pid PID | --app NAME] TEXT";

// The copy-data data: the text as UTF-16LE code units with a terminating NUL.
std::string CopyDataBytes(const std::string& utf8) {
  wb::Text text = wb::FromUtf8(utf8);
  std::string bytes;
  bytes.reserve(2 * text.size() + 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

int Run(const std::vector<std::string>& args) {
  return WithTarget(args, 1, kUsage, [](const auto& rest, wb::RemoteClient& window) {
    std::string data = CopyDataBytes(rest[0]);
    if (data.size() > wb::remote::kMaxRequestData) {
      return Fail("the text is too long: at most " +
                  std::to_string(wb::remote::kMaxRequestData / 2 - 1) + " characters");
    }
    return PrintReply(window.Call({wb::remote::kCopyData, 0, std::move(data)}));
  });
}

const CommandRegistration kRegistration({"send", kUsage, &Run});

}  // namespace
}  // namespace wbctl
