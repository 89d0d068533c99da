// Shared entry of every test program. Before anything else runs, HOME and every XDG_*
// variable are pointed at a fresh temporary directory, so no test can read or write the
// real user's settings; GUI test programs then initialise GTK.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/common/test_env.h"

#ifdef WB_TEST_GTK
#include <gtk/gtk.h>
#endif

namespace {
std::string g_root;
}

namespace wbtest {
const std::string& TestRoot() {
  return g_root;
}
}  // namespace wbtest

int main(int argc, char** argv) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "wbtest-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 2;
  }
  g_root = tmpl;
  auto make = [](const std::string& name) {
    std::string path = g_root + "/" + name;
    mkdir(path.c_str(), 0700);
    return path;
  };
  setenv("HOME", make("home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", make("config").c_str(), 1);
  setenv("XDG_DATA_HOME", make("data").c_str(), 1);
  setenv("XDG_CACHE_HOME", make("cache").c_str(), 1);
  setenv("XDG_STATE_HOME", make("state").c_str(), 1);
  // A Wayland display is found in the runtime folder. The engine's sandbox lets its processes
  // reach it only by its name there, so the compositor's socket is linked into the new folder.
  // Only when a test run asks for Wayland (tests/run-wayland.sh): otherwise the tests stay on
  // the virtual X display even where the person running them works on a Wayland desktop.
  std::string waylandSocket;
  const char* backend = getenv("GDK_BACKEND");
  const char* display = getenv("WAYLAND_DISPLAY");
  if (backend && std::string(backend) == "wayland" && display && *display) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    waylandSocket =
        display[0] == '/' ? display : std::string(runtime ? runtime : "") + "/" + display;
  }
  std::string runtime = make("runtime");
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  if (!waylandSocket.empty()) {
    std::string name = std::filesystem::path(waylandSocket).filename().string();
    if (symlink(waylandSocket.c_str(), (runtime + "/" + name).c_str()) == 0)
      setenv("WAYLAND_DISPLAY", name.c_str(), 1);
  }
  setenv("XDG_CONFIG_DIRS", make("etc-xdg").c_str(), 1);
  // Keep the system's data directories (icon themes, MIME data) but put ours first, so a
  // test can install its own handler for a URI scheme.
  std::string dataDirs = make("data-dirs") + ":/usr/local/share:/usr/share";
  setenv("XDG_DATA_DIRS", dataDirs.c_str(), 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  setenv("TZ", "UTC", 0);
  setenv("NO_AT_BRIDGE", "1", 1);
  // The program's engine events, shown with a failing case's output.
  setenv("WB_TRACE_NAVIGATION", "1", 1);
  ::testing::InitGoogleTest(&argc, argv);
#ifdef WB_TEST_GTK
  // A listing of the cases (how CTest learns them) runs none, so it needs no display.
  if (!GTEST_FLAG_GET(list_tests)) gtk_init(&argc, &argv);
#endif
  int rc = RUN_ALL_TESTS();
  if (!getenv("WB_KEEP_TEST_ROOT")) std::filesystem::remove_all(g_root);
  return rc;
}
