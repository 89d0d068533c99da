#pragma once
// The real program, started by a test as a person would start it, and the window state it
// reports through `wbctl state`. The program ends with the object.
#include <glib.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/run_tool.h"

namespace wbtest {

class ProgramRun {
 public:
  // `environment` holds NAME=VALUE entries added to (or replacing those of) the test's own.
  ProgramRun(const std::string& exe, std::vector<std::string> args,
             const std::vector<std::string>& environment = {}) {
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    gchar** env = g_get_environ();
    for (const auto& entry : environment) {
      auto eq = entry.find('=');
      if (eq == std::string::npos) continue;
      env = g_environ_setenv(env, entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, TRUE);
    }
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv.data(), env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                       &pid_, &error)) {
      startError_ = error ? error->message : "cannot start";
      pid_ = 0;
    }
    if (error) g_error_free(error);
    g_strfreev(env);
  }
  ~ProgramRun() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (RunLoopUntil([&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, 5000)) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& startError() const { return startError_; }
  bool Runs() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
  // Waits up to `limitMs` for the program to end by itself; returns its exit status, or -1
  // when it still runs then (it is ended with the object) or did not end by exiting.
  int WaitForExit(int limitMs) {
    int status = 0;
    if (!RunLoopUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limitMs)) {
      return -1;
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Asks the program to end, as a logout does; returns its exit status, or -1.
  int Terminate() {
    int status = 0;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  GPid pid_ = 0;
  std::string startError_;
};

// The members of the window's state that the end-to-end tests read.
struct WindowState {
  std::string address;
  std::string status;
  std::vector<std::string> history;
  int historyIndex = -2;
  bool back = false;
  bool forward = false;
  // The explanation page shown instead of the page ("" when none), and the permission
  // question waiting ("" when none).
  std::string errorKind, errorAddress, errorDetail, errorFingerprint;
  std::string promptOrigin, promptKind;
  // The tray item: whether a task bar holds it, and whether the window is hidden in it.
  bool trayRegistered = false, trayHidden = false;
  std::string json;  // the whole answer, for messages
};

#ifdef WB_WBCTL_PATH
inline bool ReadWindowState(pid_t pid, WindowState& state) {
  ToolRun run = Wbctl({"state", "--pid", std::to_string(pid)});
  if (run.status != 0) return false;
  JsonParser* parser = json_parser_new();
  bool ok = json_parser_load_from_data(parser, run.out.c_str(), -1, nullptr) &&
            JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser));
  if (ok) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    state.json = run.out;
    state.address = json_object_get_string_member_with_default(root, "address", "");
    state.status = json_object_get_string_member_with_default(root, "status", "");
    state.historyIndex =
        static_cast<int>(json_object_get_int_member_with_default(root, "historyIndex", -2));
    state.back = json_object_get_boolean_member_with_default(root, "back", false);
    state.forward = json_object_get_boolean_member_with_default(root, "forward", false);
    auto objectMember = [root](const char* name) -> JsonObject* {
      JsonNode* node = json_object_get_member(root, name);
      return node && JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
    };
    JsonObject* error = objectMember("error");
    JsonObject* prompt = objectMember("prompt");
    state.errorKind = error ? json_object_get_string_member_with_default(error, "kind", "") : "";
    state.errorAddress =
        error ? json_object_get_string_member_with_default(error, "address", "") : "";
    state.errorDetail =
        error ? json_object_get_string_member_with_default(error, "detail", "") : "";
    state.errorFingerprint =
        error ? json_object_get_string_member_with_default(error, "fingerprint", "") : "";
    state.promptOrigin =
        prompt ? json_object_get_string_member_with_default(prompt, "origin", "") : "";
    state.promptKind = prompt ? json_object_get_string_member_with_default(prompt, "kind", "") : "";
    JsonObject* tray = objectMember("tray");
    state.trayRegistered =
        tray && json_object_get_boolean_member_with_default(tray, "registered", false);
    state.trayHidden = tray && json_object_get_boolean_member_with_default(tray, "hidden", false);
    state.history.clear();
    if (json_object_has_member(root, "history")) {
      JsonArray* h = json_object_get_array_member(root, "history");
      for (guint i = 0; i < json_array_get_length(h); ++i)
        state.history.push_back(json_array_get_string_element(h, i));
    }
  }
  g_object_unref(parser);
  return ok;
}

// Engine events can arrive after the first moment a condition holds, so a test that waits
// for a load also checks that what it expects stays true: `holds` must be true at every state
// read during `ms` milliseconds. Returns false at the first state that breaks it (left in
// `state`).
template <typename Check>
bool StateStays(pid_t pid, WindowState& state, Check holds, int ms = 1000) {
  bool ok = true;
  RunLoopUntil(
      [&] {
        if (!ReadWindowState(pid, state) || !holds(state)) ok = false;
        return !ok;
      },
      ms);
  return ok;
}
#endif

}  // namespace wbtest
