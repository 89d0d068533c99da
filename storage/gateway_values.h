#pragma once
// The gateway's query values of the running program, which take the installation id from the
// settings store: the text rules of the gateway's addresses are support/gateway.h.
#include "support/gateway.h"
#include "support/text.h"

namespace wb {

// The values of the running program, read now: process values, the executable's build date,
// the system version and the installation id (created and stored on first use).
QueryValues CurrentQueryValues();

// GatewayAddress for the running program against BaseWebAddress().
Text GatewayAddress(TextView command);

}  // namespace wb
