// wbctl state: prints a running window's state (address, history, bars ...) as JSON on one
// line, for scripts and tests.
#include <iostream>
#include <string>
#include <vector>

#include "support/json_reader.h"
#include "tools/command.h"
#include "tools/target.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "state [--pid PID | --app NAME]";

// True when the payload is one JSON object. The window's answer is printed unchanged, so a
// script sees exactly what the window wrote; checking it first keeps garbage off the line.
bool IsJsonObject(const std::string& payload, std::string& error) {
  // The record's own size limit bounds the answer, and a window with many links writes many
  // values, so the count is bounded by the bytes rather than by the manifest's limit.
  const auto json = wb::ParseJson(payload, &error, payload.size() + 1);
  if (!json) return false;
  if (json->kind != wb::JsonValue::Kind::kObject) {
    error = "not a JSON object";
    return false;
  }
  return true;
}

int Run(const std::vector<std::string>& args) {
  return WithTarget(args, 0, kUsage, [](const auto&, wb::RemoteClient& window) {
    wb::remote::Reply reply = window.Call({wb::remote::kStateQuery, 0, {}});
    if (reply.status != wb::remote::Status::kHandled) return PrintReply(reply);
    std::string error;
    if (!IsJsonObject(reply.payload, error)) {
      return Fail("the window's state is not valid JSON: " + error);
    }
    if (reply.payload.find('\n') != std::string::npos) {
      return Fail("the window's state spans several lines");
    }
    std::cout << reply.payload << "\n";
    return 0;
  });
}

}  // namespace

const Command kStateCommand{"state", kUsage, &Run};

}  // namespace wbctl
