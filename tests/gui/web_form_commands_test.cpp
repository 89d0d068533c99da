// Save, print and exit, failures shown by the standard error display, new-window requests of
// the page, and the child windows of the "internal" key.
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

TEST_F(Commands, ChildWindowsOpenRelatedToTheirOpenerAndGoWhenClosed) {
  FormFixture f;
  f.form->go(u"http://a/");
  f.view->RaiseExternalNavigation(u"http://elsewhere.example/");
  EXPECT_EQ(f.opened, std::vector<Text>{u"http://elsewhere.example/"});
  EXPECT_EQ(f.form->Model().HistoryList(), std::vector<Text>{u"http://a/"});

  // The view of a child window shares its opener's web process; the window shows when the
  // page is ready, with the page's title.
  auto* child = static_cast<FakeWebView*>(f.view->RaiseChildWindow(u"http://login.in/"));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(f.factory.relatedOf.back(), f.view);
  ASSERT_EQ(f.form->Children().size(), 1u);
  wb::TChildWindow& window = *f.form->Children().front();
  EXPECT_EQ(window.Address(), u"http://login.in/");  // until the engine has an address
  EXPECT_FALSE(window.get_visible());
  child->RaiseReadyToShow();
  EXPECT_TRUE(window.get_visible());
  child->RaiseTitleChanged(u"Sign in");
  EXPECT_EQ(window.get_title(), "Sign in");
  EXPECT_EQ(window.get_transient_for(), f.form.get());

  // Its own requests follow the main window's rules.
  auto* grandchild = static_cast<FakeWebView*>(child->RaiseChildWindow(u"http://login.in/2fa"));
  ASSERT_NE(grandchild, nullptr);
  EXPECT_EQ(f.factory.relatedOf.back(), child);
  child->RaiseNewWindow(u"http://help.example/");
  EXPECT_EQ(f.opened.back(), u"http://help.example/");
  ASSERT_EQ(f.form->Children().size(), 2u);

  // The page's window.close(): hidden at once, gone at the next turn of the loop, the others
  // left as they are.
  child->RaiseCloseRequest();
  EXPECT_FALSE(window.get_visible());
  SpinIdle();
  ASSERT_EQ(f.form->Children().size(), 1u);
  EXPECT_EQ(&f.form->Children().front()->View(), grandchild);

  // Browser windows and child windows count together against the page's limit of 5 a second.
  EXPECT_NE(f.view->RaiseChildWindow(u"http://login.in/again"), nullptr);
  EXPECT_EQ(f.view->RaiseChildWindow(u"http://login.in/flood"), nullptr);
  EXPECT_EQ(f.form->Children().size(), 2u);
  f.form.reset();  // the child windows go with it
}

TEST_F(Commands, EngineStatusTextsReachTheStatusBar) {
  FormFixture f;
  f.view->onStatusText(u"Download: file.zip (40%)");
  EXPECT_EQ(f.form->StatusText(), u"Download: file.zip (40%)");
}

}  // namespace
}  // namespace wbtest
