#pragma once
// The program's main window on the real engine inside the test's own process, from
// configuration lines and without a remote socket, for the end-to-end tests that drive the
// window's widgets and read its view directly.
#include <memory>
#include <string>
#include <vector>

#include "engine/web_view_webkit.h"
#include "shell/main_window.h"
#include "shell/web_main.h"
#include "storage/value_list.h"
#include "support/text.h"
#include "tests/common/gtk_test_util.h"

namespace wbtest {

struct EngineWindow {
  explicit EngineWindow(std::vector<wb::Text> config)
      : EngineWindow(wb::WindowConfigFromValues(wb::ValueList(config.begin(), config.end()))) {}
  // A configuration made by the test, with what no line holds (the copy's style and script).
  explicit EngineWindow(wb::WindowConfig config) {
    wb::WebMainServices s;
    s.form = wb::ProgramWebFormServices(views);
    s.form.readConfig = [config] { return config; };
    s.remote.reset();
    form = std::make_unique<wb::TWebMain>(std::move(s));
    auto shown = form->View().onProgressChange;
    form->View().onProgressChange = [this, shown](int p, int m) {
      finished = m == 0;
      shown(p, m);
    };
    form->FormCreate();
    form->show();
  }
  // The program's own navigation, as the address box makes it.
  void Go(const std::string& url) {
    finished = false;
    form->go(wb::FromUtf8(url));
  }
  // Whether a load has ended with the view at `url`, within a minute.
  bool Loaded(const std::string& url) {
    return SpinUntil([&] { return finished && wb::ToUtf8(form->View().LocationURL()) == url; },
                     60000);
  }
  Gtk::Widget& Page() { return form->View().widget(); }

  wb::WebKitViewFactory views;
  std::unique_ptr<wb::TWebMain> form;
  bool finished = false;
};

}  // namespace wbtest
