#include "storage/gateway_values.h"

#include "storage/process_values.h"
#include "storage/settings_store.h"
#include "storage/version_info.h"
#include "support/maker.h"

namespace wb {

QueryValues CurrentQueryValues() {
  QueryValues v;
  v.executablePath = ExecutablePath();
  v.versionText = Process().versionText;
  v.buildDate = BuildDate(v.executablePath);
  v.startupTitle = Process().startupTitle;
  v.systemVersion = SystemVersionText();
  v.installationId = InstallationId();
  return v;
}

Text GatewayAddress(TextView command) {
  return GatewayAddress(command, BaseWebAddress(), CurrentQueryValues());
}

}  // namespace wb
