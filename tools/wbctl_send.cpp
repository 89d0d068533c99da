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

// What "wbctl help send" prints after the usage line.
constexpr const char* kHelp =
    "Hands TEXT to a running window as another program would: \"url=ADDRESS\" or\n"
    "\"go=ADDRESS\" opens the address. Prints the window's reply.\n"
    "\n"
    "Options:\n"
    "  --pid PID     the window of this process\n"
    "  --app NAME    the newest window of the copy NAME (default: webbrowser)\n"
    "\n"
    "Example:\n"
    "  wbctl send --app acme url=https://shop.acme.example/cart\n";

}  // namespace

const Command kSendCommand{"send", kUsage, &Run, kHelp};

}  // namespace wbctl
