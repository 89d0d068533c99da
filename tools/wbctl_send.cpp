// wbctl send: hands a text to a running window as a copy-data record, as another program
// would send an address ("url=..." or "go=...").
#include <string>
#include <vector>

#include "support/remote_record.h"
#include "support/text.h"
#include "tools/command.h"
#include "tools/target.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "send [--pid PID | --app NAME] TEXT";

int Run(const std::vector<std::string>& args) {
  return WithTarget(args, 1, kUsage, [](const auto& rest, wb::RemoteClient& window) {
    std::string data = wb::remote::CopyDataBytes(rest[0]);
    if (data.size() > wb::remote::kMaxRequestData) {
      return Fail("the text is too long: at most " +
                  std::to_string(wb::remote::kMaxRequestData / 2 - 1) + " characters");
    }
    return PrintReply(window.Call({wb::remote::kCopyData, 0, std::move(data)}));
  });
}

}  // namespace

const Command kSendCommand{"send", kUsage, &Run};

}  // namespace wbctl
