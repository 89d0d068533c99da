#pragma once
// Runs another program to its end, as a user would from a terminal, and captures what it
// printed. Tests use it for wbctl and for the desktop's own tools (xwininfo and the like).
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace wbtest {

struct ToolRun {
  // The exit code; -1 when the program could not start or did not end by exiting.
  int status = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] with the other arguments, in `cwd` when it is not empty.
inline ToolRun RunTool(std::vector<std::string> args, const std::string& cwd = "") {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gchar* err = nullptr;
  gint wait = 0;
  ToolRun run;
  if (g_spawn_sync(cwd.empty() ? nullptr : cwd.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT,
                   nullptr, nullptr, &out, &err, &wait, nullptr)) {
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    run.out = out ? out : "";
    run.err = err ? err : "";
  }
  g_free(out);
  g_free(err);
  return run;
}

#ifdef WB_WBCTL_PATH
// Runs wbctl (or the copy at `tool`) with `args`.
inline ToolRun Wbctl(std::vector<std::string> args, const std::string& cwd = "",
                     const std::string& tool = WB_WBCTL_PATH) {
  args.insert(args.begin(), tool);
  return RunTool(std::move(args), cwd);
}

// The program wbctl's tests brand: the real program when it is built, else the tool itself;
// both carry the embedded bundle.
#ifdef WB_WEBBROWSER_PATH
inline const std::string kProgram = WB_WEBBROWSER_PATH;
#else
inline const std::string kProgram = WB_WBCTL_PATH;
#endif

// Brands a copy of kProgram at `copy` with the configuration lines `extra`, as given (--force:
// tests brand values that check reports, to see how they read); the test fails when wbctl does.
inline std::string BrandAt(const std::string& copy, const std::vector<std::string>& extra) {
  std::vector<std::string> args{"brand", kProgram, copy, "--force"};
  args.insert(args.end(), extra.begin(), extra.end());
  const ToolRun brand = Wbctl(args);
  EXPECT_EQ(brand.status, 0) << brand.err;
  return copy;
}
#endif

// The standard output of a shell command line, or empty; its exit code goes to `status`
// (-1 when it did not end by exiting).
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  return out;
}

}  // namespace wbtest
