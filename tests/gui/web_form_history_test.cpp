// The window's own back/forward history and the enable rules of Back and Forward.
#include <gtest/gtest.h>

#include <gtkmm/main.h>
#include <functional>

#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

// gtkmm's wrappers must know their C types before any window exists.
class GtkmmEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { Gtk::Main::init_gtkmm_internals(); }
};
[[maybe_unused]] auto* const kGtkmm = ::testing::AddGlobalTestEnvironment(new GtkmmEnvironment);

using wb::Text;

// The history's rules are the model's (tests/core/web_form_model_test.cpp); here, that the
// window's buttons follow them.
TEST(History, ButtonsFollowTheRulesWhenTheLoopGoesIdle) {
  FormFixture f;
  SpinIdle();
  EXPECT_FALSE(f.form->BackBtn.get_sensitive());
  EXPECT_FALSE(f.form->ForwardBtn.get_sensitive());
  for (const char16_t* u : {u"http://one/", u"http://two/", u"http://three/"})
    f.view->RaiseBeforeNavigate(u);
  f.view->RaiseBeforeNavigate(u"http://two/");
  EXPECT_FALSE(f.form->acBack.Enabled());  // not yet evaluated
  SpinIdle();
  EXPECT_TRUE(f.form->acBack.Enabled());
  EXPECT_TRUE(f.form->BackBtn.get_sensitive());
  EXPECT_TRUE(f.form->ForwardBtn.get_sensitive());
  EXPECT_TRUE(f.form->mnForward->get_sensitive());
}

TEST(History, BackAndForwardNavigateThroughTheAddressBox) {
  FormFixture f;
  for (const char16_t* u : {u"http://one/", u"http://two/", u"http://three/"})
    f.view->RaiseBeforeNavigate(u);
  SpinIdle();
  g_signal_emit_by_name(f.form->BackBtn.gobj(), "clicked");
  EXPECT_EQ(f.view->navigated.back(), u"http://two/");
  EXPECT_EQ(f.form->AddrText(), u"http://two/");
  EXPECT_EQ(f.form->Model().HistoryIndex(), 1);
  SpinIdle();
  EXPECT_TRUE(f.form->acForward.Enabled());
  g_signal_emit_by_name(f.form->ForwardBtn.gobj(), "clicked");
  EXPECT_EQ(f.view->navigated.back(), u"http://three/");
  EXPECT_EQ(f.form->Model().HistoryIndex(), 2);
}

TEST(History, BackWithoutHistoryDoesNothing) {
  // At start the action is enabled until its rule first runs; running it must still not
  // read outside the history.
  FormFixture f;
  EXPECT_FALSE(f.form->acBack.Execute());
  EXPECT_TRUE(f.view->navigated.empty());
}

}  // namespace
}  // namespace wbtest
