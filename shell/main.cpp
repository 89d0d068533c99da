// The program entry: initialise the application, run the start-up set-up, create the main
// window and the about box, and run the main loop until the main window closes.
#include <glib.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/web_view_webkit.h"
#include "info/program_icon.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/program_catalog.h"
#include "platform/remote_channel.h"
#include "platform/resources.h"
#include "platform/single_instance.h"
#include "shell/error_display.h"
#include "shell/main_window.h"
#include "shell/program_end.h"
#include "storage/process_values.h"
#include "storage/timeline.h"
#include "storage/version_info.h"
#include "storage/window_config.h"
#include "support/values.h"

namespace {

// Runs once the dynamic linker has loaded and relocated the libraries and their own
// initialisers have run: the end of the linking part of the start on the timeline.
__attribute__((constructor)) void MarkLibrariesLoaded() {
  wb::TimelineMark("libraries loaded");
}

// The timeline's "first frame": the first time the main window has drawn itself, toolbar
// and all, into its window on the display.
void MarkFirstFrame(Gtk::Window& window) {
  if (!wb::TimelineEnabled()) return;
  auto drawn = std::make_shared<sigc::connection>();
  *drawn = window.signal_draw().connect(
      [drawn](const Cairo::RefPtr<Cairo::Context>&) {
        wb::TimelineMark("first frame");
        drawn->disconnect();
        return false;
      },
      true);
}

// The desktop tells windows of different programs apart by their class (WM_CLASS on X11,
// the application id on Wayland). Both follow the program name, so a branded copy of the
// executable is its own application in the task bar, not one more "webbrowser".
void NameTheProgram() {
  std::string exe = wb::ToUtf8(wb::ExecutablePath());
  std::string name = std::filesystem::path(exe).filename().string();
  if (!name.empty()) g_set_prgname(name.c_str());
}

// The configuration of the copy (embedded defaults, then the block appended to the file),
// read once for the whole start; nothing when it cannot be read, in which case the start reads
// it again and shows what is wrong with it.
std::optional<wb::WindowConfig> ReadOwnConfig() {
  try {
    return wb::ReadWindowConfig(wb::LoadResText(wb::kConfigResourceName),
                                wb::ToUtf8(wb::ExecutablePath()));
  } catch (...) {
    return std::nullopt;
  }
}

// A copy configured with single=1 keeps one window: while its window runs, a further start
// hands the command-line address to that window, brings it to the front and ends, before the
// display is opened or a web process started. Returns whether the start was handed over; if
// not, `startLock` holds the copy's start lock until the window answers on the channel.
// A hidden start (at login) that finds the window running leaves it as it is.
bool HandedToRunningWindow(const std::optional<wb::WindowConfig>& config, int argc, char** argv,
                           bool hidden, std::optional<wb::SingleStartLock>& startLock) {
  try {
    if (!config || !config->single) return false;
    const std::string address = argc > 1 && !hidden ? wb::HandOverAddress(argv[1]) : std::string();
    const std::string app = wb::OwnAppName();
    startLock.emplace(app);
    return wb::HandToRunningWindow(
        app, address, wb::StartupIdFromEnvironment(),
        hidden ? wb::StartHandOver::kQuiet : wb::StartHandOver::kPresent);
  } catch (...) {
    // The start goes on with a window of its own, so the address is not lost; the person who
    // wonders why a second window came gets the reason here.
    std::fprintf(
        stderr,
        "%s: the running window could not take the address (%s); opening a window of its own\n",
        argc > 0 ? argv[0] : "webbrowser", wb::CurrentExceptionMessage().c_str());
    return false;
  }
}

// Some environment variables set for a while and put back as they were, so that the programs
// and processes started later (the engine's, the default browser) get the environment this
// program got. The toolkit and the engine start threads of their own that read the
// environment while it is in force, and setenv or unsetenv change the array they read in
// place. So the environment is swapped as a whole: a copy with the variables is made the
// process's environment, and afterwards the environment it replaced, never changed, is made
// it again. Both arrays stay for the whole run, since a thread may still be reading either.
class EnvironmentWith {
 public:
  EnvironmentWith(std::initializer_list<std::pair<const char*, const char*>> variables) {
    before_ = environ;
    for (char** e = environ; *e; ++e) {
      const std::string_view entry(*e);
      const bool replaced = std::any_of(variables.begin(), variables.end(), [&](const auto& v) {
        const std::string_view name(v.first);
        return entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=';
      });
      if (!replaced) array_.push_back(*e);
    }
    for (const auto& [name, value] : variables) {
      names_.push_back(name);
      array_.push_back(strings_.emplace_back(std::string(name) + "=" + value).data());
    }
    array_.push_back(nullptr);
    environ = array_.data();
  }
  // Puts the environment back. Where something set a variable meanwhile (the C library then
  // made a copy of its own), the variables are taken out of that copy instead.
  void Restore() {
    if (environ == array_.data()) {
      environ = before_;
      return;
    }
    for (const char* name : names_) g_unsetenv(name);
  }
  EnvironmentWith(const EnvironmentWith&) = delete;
  EnvironmentWith& operator=(const EnvironmentWith&) = delete;

 private:
  char** before_ = nullptr;
  std::vector<const char*> names_;
  std::deque<std::string> strings_;
  std::vector<char*> array_;
};

// "--help", "-h" and "--version" as the only argument are answered on standard output before
// anything else happens: no display, no window, no hand-over to a running window. Any other
// argument keeps its meaning (an address, even one that starts with "-"). Returns the exit
// status when the argument was answered.
std::optional<int> AnsweredOption(int argc, char** argv) {
  if (argc != 2) return std::nullopt;
  const std::string_view option = argv[1];
  if (option != "--help" && option != "-h" && option != "--version") return std::nullopt;
  const std::string name = g_get_prgname() ? g_get_prgname() : "webbrowser";
  if (option == "--version") {
    const std::string version = wb::ToUtf8(wb::FileVersionText(u""));
    std::printf("%s %s\n", name.c_str(), version.empty() ? "(no version note)" : version.c_str());
  } else {
    std::printf(
        "usage: %s [ADDRESS]\n"
        "\n"
        "Shows its web site in a window of its own. ADDRESS, when given, opens after the\n"
        "configured start address.\n"
        "\n"
        "Options (only as the one argument):\n"
        "  -h, --help    print this help and exit\n"
        "  --version     print the version and exit\n"
        "  --hidden      start hidden in the tray item (tray=1), as at login\n"
        "\n"
        "The configuration is carried in the executable; wbctl(1) makes, checks and\n"
        "installs branded copies (wbctl --help). Manual: man webbrowser.\n",
        name.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

// "--hidden" as the only argument: the start at login that the autostart entry makes, which
// waits in the tray item instead of showing the window. It is no address.
bool HiddenStart(int argc, char** argv) {
  return argc == 2 && std::string_view(argv[1]) == "--hidden";
}

}  // namespace

int main(int argc, char** argv) {
  wb::TimelineMark("main");
  wb::InitializeRuntimeSupport();
  NameTheProgram();
  if (const std::optional<int> status = AnsweredOption(argc, argv)) return *status;
  std::optional<wb::WindowConfig> firstConfig = ReadOwnConfig();
  // Every file the copy writes goes under its vendor's names, its settings first.
  if (firstConfig) wb::Process().vendor = firstConfig->vendor;
  const bool hidden = HiddenStart(argc, argv);
  std::optional<wb::SingleStartLock> startLock;
  if (HandedToRunningWindow(firstConfig, argc, argv, hidden, startLock)) return 0;
  wb::TimelineMark("single-window check done");
  // Bubblewrap answers whether the engine's sandbox works while the toolkit initialises.
  wb::StartEngineSandboxProbe();
  // Without hardware acceleration nothing in this process draws with GL: the page comes from
  // the web process as pixels in shared memory, and the window's own controls are drawn by
  // the toolkit without it. Yet the toolkit's X11 back end loads the system's GL driver when
  // it opens the display (to pick a visual for GL), and the engine makes a GL display at its
  // first call; with a software driver that maps a compiler and some 20 MB of memory into this
  // process that nothing uses. Both are told there is no GL here, for this process only.
  // Off when the configuration cannot be read, as the window would then decide.
  const bool gpu = firstConfig && firstConfig->gpu;
  // Set before the program has any thread; kept for the whole run (see EnvironmentWith).
  static std::optional<EnvironmentWith> noGl;
  if (!gpu)
    noGl.emplace(std::initializer_list<std::pair<const char*, const char*>>{
        {"GDK_GL", "disable"}, {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/gl-vendor.json"}});
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "%s: cannot open the display\n", g_get_prgname());
    return 1;
  }
  wb::TimelineMark("GTK initialised");
  // The toolkit has taken the person's locale; the window's own texts follow it from here.
  wb::UseProgramCatalog();
  Gtk::Main::init_gtkmm_internals();
  wb::TimelineMark("gtkmm initialised");
  g_set_application_name("WebBrowser");
  wb::Process().applicationTitle = u"WebBrowser";
  wb::InstallErrorDisplay();
  wb::RegisterProgramResources();
  wb::TimelineMark("program resources registered");

  // The engine makes its GL display as it starts, in the factory's first call, and with no GL
  // vendor library to be found it loads none. Its web processes start later, with the
  // environment as it was, and draw as they always do.
  wb::WebKitViewFactory views;
  if (noGl) noGl->Restore();
  views.showError = wb::ShowError;
  wb::TimelineMark("engine settings made");
  wb::ProgramWindows windows;
  try {
    wb::StartupSetup();
    wb::TimelineMark("start-up set-up done");
    // The site's data goes into the copy's own profile, set before the first web view exists.
    const std::string exe = wb::ToUtf8(wb::ExecutablePath());
    if (!firstConfig) {
      firstConfig = wb::ReadWindowConfig(wb::LoadResText(wb::kConfigResourceName), exe);
      // Read only now, the vendor settles the folders again before anything is written.
      if (!firstConfig->vendor.empty()) {
        wb::Process().vendor = firstConfig->vendor;
        wb::StartupSetup();
      }
    }
    const bool ephemeral = firstConfig->ephemeral;
    // The copy's maker is the base of every address built for the maker, before any exists.
    wb::UseCopyMaker(wb::MakerOf(*firstConfig));
    wb::TimelineMark("configuration read");
    // The copy's icon, read once, is every window's icon.
    wb::UseProgramIcon(wb::ReadProgramIcon(exe));
    wb::TimelineMark("program icon read");
    views.UseProfile(wb::ProfileFor(std::string(wb::NameWithoutExtension(exe)), ephemeral));
    std::vector<std::string> arguments(argv + (argc > 0 && !hidden ? 1 : argc), argv + argc);
    wb::TimelineMark("profile chosen");
    windows = wb::CreateProgramWindows(views, std::move(arguments), std::move(firstConfig));
    wb::TimelineMark("windows built");
    // The window answers on the channel now: a start waiting for the lock hands over to it.
    startLock.reset();
  } catch (...) {
    // An error at start-up ends the start: it is shown, and the exit status says so.
    std::string message = wb::CurrentExceptionMessage();
    std::fprintf(stderr, "%s: %s\n", g_get_prgname(), message.c_str());
    wb::ShowError(wb::FromUtf8(message));
    return 1;
  }
  // Ending the program politely (logout, kill) ends it as closing the main window without a
  // tray item does, hidden in the tray or not, but without asking the page, so the windows are
  // destroyed in order and the remote-navigation socket is removed.
  wb::EndOnSignals([&windows] {
    if (windows.main) windows.main->EndProgram();
  });
  MarkFirstFrame(*windows.main);
  if (hidden) {
    windows.main->StartHidden();
  } else {
    windows.main->show();
    wb::TimelineMark("main window shown");
  }
  gtk_main();
  return 0;
}
