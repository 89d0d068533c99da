// wbctl home: sends a running window the home-page request, which navigates it to the
// maker's web site.
#include <string>
#include <vector>

#include "tools/command.h"
#include "tools/target.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "home [--pid PID | --app NAME]";

int Run(const std::vector<std::string>& args) {
  return WithTarget(args, 0, kUsage, [](const auto&, wb::RemoteClient& window) {
    return PrintReply(window.Call({wb::remote::kHomePageRequest, 0, {}}));
  });
}

}  // namespace

const Command kHomeCommand{"home", kUsage, &Run};

}  // namespace wbctl
