#include "support/process_values.h"

namespace wb {

ProcessValues& Process() {
  static ProcessValues values;
  return values;
}

}  // namespace wb
