// The dependencies of the banner and the about box in the running program. Kept apart from the
// windows, so that tests, which pass their own, link none of it.
#include "info/about_box.h"
#include "info/web_info.h"
#include "platform/shell_open.h"
#include "storage/gateway_values.h"
#include "storage/icon_block.h"
#include "storage/process_values.h"
#include "storage/version_info.h"
#include "support/maker.h"

namespace wb {

WebInfoDeps ProgramWebInfoDeps() {
  WebInfoDeps deps;
  deps.gatewayAddress = [](const Text& command) { return GatewayAddress(command); };
  deps.timeOfDay = LocalTimeOfDay;
  deps.open = [](const Text& address) { ShellOpen(address, Text()); };
  return deps;
}

AboutBoxDeps ProgramAboutBoxDeps() {
  AboutBoxDeps deps;
  deps.open = [](const Text& address) { ShellOpen(address, Text()); };
  deps.baseAddress = [] { return BaseWebAddress(); };
  deps.buildDate = [] { return BuildDate(); };
  deps.maker = OwnCopyMaker();
  try {
    deps.logo = ReadLogoBlock(ToUtf8(ExecutablePath()));
  } catch (const std::exception&) {
    // A copy whose file cannot be read has failed its configuration already; the logo is no
    // reason for a second message.
  }
  return deps;
}

}  // namespace wb
