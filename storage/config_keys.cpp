#include "storage/config_keys.h"

#include <algorithm>
#include <cassert>

#include "support/values.h"

namespace wb {

const ConfigKey* FindConfigKey(TextView name) {
  const auto row = std::find_if(std::begin(kConfigKeys), std::end(kConfigKeys),
                                [&](const ConfigKey& key) { return SameName(key.name, name); });
  return row == std::end(kConfigKeys) ? nullptr : row;
}

Text ConfiguredValue(const ValueList& values, TextView name) {
  const ConfigKey* key = FindConfigKey(name);
  assert(key != nullptr && "every key the program reads has a row in kConfigKeys");
  Text value = ValueOf(values, name);
  if (value.empty() && key != nullptr) value = key->fallback;
  return value;
}

bool ConfiguredSwitch(const ValueList& values, TextView name) {
  return TextToBool(ConfiguredValue(values, name));
}

std::optional<bool> ConfiguredTriState(const ValueList& values, TextView name) {
  const Text value = ConfiguredValue(values, name);
  if (TrimBlanks(TextView(value)).empty()) return std::nullopt;
  return TextToBool(value);
}

int ConfiguredSize(const ValueList& values, TextView name) {
  return std::max(TextToInt(ConfiguredValue(values, name)), 0);
}

std::int32_t ConfiguredColor(const ValueList& values, TextView name) {
  return std::max(TextToColor(ConfiguredValue(values, name)), 0);
}

}  // namespace wb
