// What the running program gives its windows: the window's first reading of the configuration
// takes what the program entry read at its start, and every later reading reads the
// executable again.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/resources.h"
#include "shell/main_window.h"
#include "shell/web_form.h"
#include "storage/process_values.h"
#include "storage/window_config.h"
#include "tests/common/fake_web_view.h"

namespace wbtest {
namespace {

class RecordingFactory : public FakeWebViewFactory {
 public:
  void ApplyConfig(const wb::WindowConfig& config) override { applied.push_back(config.resList); }
  std::vector<wb::ValueList> applied;
};

TEST(ProgramServices, TheFirstReadingTakesTheConfigurationTheStartRead) {
  const wb::ValueList fromFile = wb::ReadConfigSources(wb::LoadResText(wb::kConfigResourceName),
                                                       wb::ToUtf8(wb::ExecutablePath()));
  // The program's embedded defaults at least, so that no case below can pass by chance.
  ASSERT_FALSE(fromFile.empty());
  struct Case {
    const char* name;
    std::optional<wb::ValueList> first;
  };
  const Case cases[] = {
      {"given", wb::ValueList{u"title=Read at the start", u"go=http://start.example/"}},
      {"given, empty", wb::ValueList{}},
      {"not given", std::nullopt},
  };
  for (const auto& c : cases) {
    RecordingFactory views;
    std::optional<wb::WindowConfig> given;
    if (c.first) given = wb::WindowConfigFromValues(*c.first);
    const wb::WebFormServices services = wb::ProgramWebFormServices(views, given);
    const wb::ValueList first = services.readConfig().resList;
    const wb::ValueList second = services.readConfig().resList;
    EXPECT_EQ(first, c.first.value_or(fromFile)) << c.name;
    EXPECT_EQ(second, fromFile) << c.name;
    // Reading configures nothing: the window does, with what it read.
    EXPECT_TRUE(views.applied.empty()) << c.name;
  }
}

TEST(ProgramServices, TheWindowConfiguresTheEngineOnceWithWhatItRead) {
  RecordingFactory views;
  const wb::ValueList given{u"title=Read at the start", u"gpu=1", u"go=http://start.example/"};
  wb::TWebForm form(wb::ProgramWebFormServices(views, wb::WindowConfigFromValues(given)));
  EXPECT_TRUE(views.applied.empty());
  form.FormCreate();
  EXPECT_EQ(views.applied, std::vector<wb::ValueList>{given});
}

}  // namespace
}  // namespace wbtest
