// wbctl state: prints a running window's state (address, history, bars ...) as JSON on one
// line, for scripts and tests.
#include <json-glib/json-glib.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/command.h"
#include "tools/target.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "state [--pid PID | --app NAME]";

// True when the payload is one JSON object. The window's answer is printed unchanged, so a
// script sees exactly what the window wrote; checking it first keeps garbage off the line.
bool IsJsonObject(const std::string& payload, std::string& error) {
  JsonParser* parser = json_parser_new();
  GError* err = nullptr;
  bool ok =
      json_parser_load_from_data(parser, payload.data(), static_cast<gssize>(payload.size()), &err);
  if (!ok) {
    error = err ? err->message : "unreadable JSON";
  } else if (!json_parser_get_root(parser) ||
             !JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser))) {
    ok = false;
    error = "not a JSON object";
  }
  if (err) g_error_free(err);
  g_object_unref(parser);
  return ok;
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
