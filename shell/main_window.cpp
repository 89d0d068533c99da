#include "shell/main_window.h"

#include "platform/resources.h"
#include "platform/shell_open.h"
#include "storage/window_config.h"
#include "support/process_values.h"

namespace wb {

WebFormServices ProgramWebFormServices(WebViewFactory& views) {
  WebFormServices services;
  services.views = &views;
  services.readConfig = [] {
    return ReadConfigSources(LoadResText(kConfigResourceName), ToUtf8(ExecutablePath()));
  };
  services.openExternal = [](const Text& address) { ShellOpen(address, Text()); };
  return services;
}

ProgramWindows CreateProgramWindows(WebViewFactory& views, std::vector<std::string> arguments) {
  (void)arguments;  // the main window opens the first one when it is shown
  ProgramWindows windows;
  windows.main = std::make_unique<TWebForm>(ProgramWebFormServices(views));
  windows.main->FormCreate();
  windows.about = std::make_unique<TAboutBox>(windows.main.get(), ProgramAboutBoxDeps());
  return windows;
}

}  // namespace wb
