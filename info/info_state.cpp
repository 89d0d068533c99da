#include "info/info_state.h"

namespace wb {

void AddInfoState(JsonObject* state, const TWebInfo* banner) {
  if (!banner) {
    json_object_set_null_member(state, "info");
    return;
  }
  TWebInfo::State s = banner->GetState();
  JsonObject* info = json_object_new();
  json_object_set_boolean_member(info, "visible", s.visible);
  json_object_set_string_member(info, "address", ToUtf8(s.address).c_str());
  json_object_set_int_member(info, "interval", s.interval);
  json_object_set_boolean_member(info, "timer", s.timer);
  json_object_set_object_member(state, "info", info);
}

}  // namespace wb
