// The configured size is the size of the main window: no control may ask for more width or
// height than the configuration gives, whatever the title and the bars. Under Xvfb there is no
// window manager, so the window's allocation is the size of its content.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shell/web_main.h"
#include "tests/common/fake_web_view.h"
#include "tests/common/gtk_test_util.h"

namespace wbtest {
namespace {

struct SizeCase {
  const char* what;
  std::string config;
  int width, height;
};

TEST(WindowSize, TheConfiguredSizeIsTheWindowsSize) {
  const std::string longTitle(200, 'W');
  const SizeCase cases[] = {
      {"small", "width=400\r\nheight=300\r\n", 400, 300},
      {"small, long title in the banner",
       "width=400\r\nheight=300\r\nshowbanner=1\r\ntitle=" + longTitle + "\r\n", 400, 300},
      {"narrower than the status panel, with a banner",
       "width=600\r\nheight=400\r\nshowbanner=1\r\ntitle=" + longTitle + "\r\n", 600, 400},
      {"every bar", "width=420\r\nheight=320\r\nvis=mnal\r\n", 420, 320},
      {"the design size", "", 784, 542},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeWebViewFactory factory;
    wb::WebMainServices s;
    s.form.views = &factory;
    s.form.readConfig = [config = c.config] {
      wb::ValueList list;
      wb::TextToValues(wb::FromUtf8(config), list);
      return wb::WindowConfigFromValues(list);
    };
    s.remote.reset();
    auto window = std::make_unique<wb::TWebMain>(std::move(s));
    window->FormCreate();
    window->show();
    EXPECT_TRUE(SpinUntil(
        [&] {
          return window->get_allocated_width() == c.width &&
                 window->get_allocated_height() == c.height;
        },
        5000))
        << window->get_allocated_width() << " x " << window->get_allocated_height();
    window.reset();
    SpinIdle();
  }
}

}  // namespace
}  // namespace wbtest
