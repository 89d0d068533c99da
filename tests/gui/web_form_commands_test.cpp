// Save, print and exit, failures shown by the standard error display, and new-window
// requests of the page.
#include <gtest/gtest.h>

#include "shell/error_display.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    wb::InstallErrorDisplay();
    wb::SetErrorSink([this](const std::string& m) { messages.push_back(m); });
  }
  void TearDown() override { wb::SetErrorSink(nullptr); }
  std::vector<std::string> messages;
};

TEST_F(Commands, PrintAndSaveReachTheWebView) {
  FormFixture f;
  g_signal_emit_by_name(f.form->btPrint.gobj(), "clicked");
  EXPECT_EQ(f.view->prints, 1);
  f.form->acSave.Execute();
  EXPECT_EQ(f.view->saves, 1);
  EXPECT_TRUE(messages.empty());
}

TEST_F(Commands, AFailureIsShownAndTheWindowCarriesOn) {
  FormFixture f;
  f.form->go(u"http://a/");
  f.view->failure = "The printer is out of paper.";
  g_signal_emit_by_name(f.form->btPrint.gobj(), "clicked");
  ASSERT_EQ(messages, std::vector<std::string>{"The printer is out of paper."});
  f.view->failure.clear();
  f.form->go(u"http://b/");
  EXPECT_EQ(f.view->navigated.back(), u"http://b/");
  EXPECT_EQ(f.form->Model().HistoryList(), (std::vector<Text>{u"http://a/", u"http://b/"}));
}

TEST_F(Commands, ErrorsFromEngineCallbacksUseTheSameDisplay) {
  wb::ShowError(u"The page could not be saved: disk full");
  EXPECT_EQ(messages, std::vector<std::string>{"The page could not be saved: disk full"});
}

TEST_F(Commands, ExitClosesTheWindow) {
  FormFixture f;
  f.form->show();
  SpinIdle();
  f.form->acExit.Execute();
  EXPECT_TRUE(SpinUntil([&] { return !f.form->get_visible(); }, 10000));
}

TEST_F(Commands, NewWindowRequestsGoToTheDefaultBrowser) {
  FormFixture f;
  f.form->go(u"http://a/");
  f.view->RaiseNewWindow(u"http://elsewhere.example/");
  EXPECT_EQ(f.opened, std::vector<Text>{u"http://elsewhere.example/"});
  EXPECT_EQ(f.form->Model().HistoryList(), std::vector<Text>{u"http://a/"});
  EXPECT_EQ(f.form->AddrText(), u"http://a/");
}

TEST_F(Commands, EngineStatusTextsReachTheStatusBar) {
  FormFixture f;
  f.view->onStatusText(u"Download: file.zip (40%)");
  EXPECT_EQ(f.form->StatusText(), u"Download: file.zip (40%)");
}

}  // namespace
}  // namespace wbtest
