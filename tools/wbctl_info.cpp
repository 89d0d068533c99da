// wbctl info: what the program tells the maker's gateway about itself.
#include <iostream>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "storage/gateway_values.h"
#include "support/maker.h"
#include "support/values.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  const std::string exe = TakeExecutableOption(args);
  if (exe.empty()) return kExitError;
  if (!args.empty()) return Fail("info: unexpected argument \"" + args.front() + "\"");
  wb::SetUpForExecutable(exe, u"WebBrowser");
  // One set of values for every line, so the id is created at most once and all lines agree.
  const wb::QueryValues values = wb::CurrentQueryValues();
  std::cout << "version=" << wb::ToUtf8(values.versionText) << "\n"
            << "build=" << wb::ToUtf8(wb::FormatIsoDate(values.buildDate)) << "\n"
            << "os=" << wb::ToUtf8(values.systemVersion) << "\n"
            << "id=" << wb::ToUtf8(values.installationId) << "\n"
            << "query=" << wb::ToUtf8(wb::StandardQuery(values)) << "\n"
            << "gateway=" << wb::ToUtf8(wb::GatewayAddress(u"info", wb::BaseWebAddress(), values))
            << "\n";
  return 0;
}

}  // namespace

const Command kInfoCommand{"info", "info [--exe EXE]", &Run};

}  // namespace wbctl
