#include "shell/main_window.h"

#include <glib.h>
#include <gtk/gtk.h>

#include "info/info_state.h"
#include "info/program_icon.h"
#include "info/web_info.h"
#include "platform/resources.h"
#include "platform/shell_open.h"
#include "shell/web_main.h"
#include "storage/copy_store.h"
#include "storage/process_values.h"
#include "storage/window_config.h"

namespace wb {

WebFormServices ProgramWebFormServices(WebViewFactory& views,
                                       std::optional<WindowConfig> firstConfig) {
  WebFormServices services;
  services.views = &views;
  services.readConfig =
      [&views, first = std::make_shared<std::optional<WindowConfig>>(std::move(firstConfig))] {
        WindowConfig config;
        if (*first) {
          config = std::move(**first);
          first->reset();
        } else {
          config = ReadWindowConfig(LoadResText(kConfigResourceName), ToUtf8(ExecutablePath()));
        }
        return config;
      };
  services.openExternal = [](const Text& address) { ShellOpen(address, Text()); };
  services.store = std::make_shared<SettingsCopyStore>();
  return services;
}

ProgramWindows CreateProgramWindows(WebViewFactory& views, std::vector<std::string> arguments,
                                    std::optional<WindowConfig> firstConfig) {
  WebMainServices services;
  services.form = ProgramWebFormServices(views, std::move(firstConfig));
  // The main window opens the first argument when it is shown.
  for (const auto& a : arguments) services.arguments.push_back(FromUtf8(a));
  // The main window closing for good ends the program.
  services.quit = [] { gtk_main_quit(); };
  services.startInfoBanner = [&views](TWebMain& window) {
    if (!window.infoBanner) {
      window.infoBanner = std::make_unique<TWebInfo>(views, &window.View(), ProgramWebInfoDeps());
    }
    TWebInfo& banner = *window.infoBanner;
    // Where the display lets a program place its windows the banner hangs below the window;
    // elsewhere (Wayland) it docks at the window's bottom.
    if (TWebInfo::CanPlaceWindows(window))
      banner.exec(window, 2);
    else
      banner.exec(window.infoDock, 2);
  };
  // The about box is created after the main window, as the program entry's steps say.
  auto about = std::make_shared<TAboutBox*>(nullptr);
  services.showAbout = [about](TWebMain&) {
    if (*about) (*about)->exec(Text(), Text());
  };
  services.aboutState = [about]() -> std::optional<WindowState::About> {
    return *about ? (*about)->State() : std::nullopt;
  };

  ProgramWindows windows;
  auto main = std::make_unique<TWebMain>(std::move(services));
  windows.main = std::move(main);
  windows.main->FormCreate();
  windows.about = std::make_unique<TAboutBox>(windows.main.get(), ProgramAboutBoxDeps());
  *about = windows.about.get();
  return windows;
}

}  // namespace wb
