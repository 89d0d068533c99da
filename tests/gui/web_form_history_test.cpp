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

struct HistoryCase {
  const char* name;
  std::vector<Text> visits;  // addresses raised as navigation events, in order
  int backs;                 // Back clicks after the visits
  std::vector<Text> then;    // further navigation events after the Back clicks
  std::vector<Text> history;
  int index;
  bool backEnabled;
  bool forwardEnabled;
};

class HistoryTest : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(HistoryTest, FollowsNavigationEvents) {
  const HistoryCase& c = GetParam();
  FormFixture f;
  for (const Text& u : c.visits) f.view->RaiseBeforeNavigate(u);
  for (int i = 0; i < c.backs; ++i) {
    SpinIdle();
    ASSERT_TRUE(f.form->acBack.Execute()) << "Back " << i;
  }
  for (const Text& u : c.then) f.view->RaiseBeforeNavigate(u);
  SpinIdle();
  EXPECT_EQ(f.form->HistoryList, c.history);
  EXPECT_EQ(f.form->HistoryIndex, c.index);
  EXPECT_EQ(f.form->acBack.Enabled(), c.backEnabled);
  EXPECT_EQ(f.form->acForward.Enabled(), c.forwardEnabled);
  EXPECT_EQ(f.form->BackBtn.get_sensitive(), c.backEnabled);
  EXPECT_EQ(f.form->ForwardBtn.get_sensitive(), c.forwardEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryTest,
    ::testing::Values(
        HistoryCase{"empty", {}, 0, {}, {}, -1, false, false},
        HistoryCase{"three pages", {u"a", u"b", u"c"}, 0, {}, {u"a", u"b", u"c"}, 2, true, false},
        HistoryCase{"present in another case moves the index only",
                    {u"http://one/", u"http://two/", u"http://three/"},
                    0,
                    {u"HTTP://ONE/"},
                    {u"http://one/", u"http://two/", u"http://three/"},
                    0,
                    false,
                    true},
        HistoryCase{"back then a new link truncates the entries ahead",
                    {u"one", u"two", u"three"},
                    1,
                    {u"four"},
                    {u"one", u"two", u"four"},
                    2,
                    true,
                    false},
        HistoryCase{"back twice leaves forward entries",
                    {u"one", u"two", u"three"},
                    2,
                    {},
                    {u"one", u"two", u"three"},
                    0,
                    false,
                    true},
        HistoryCase{"javascript: is ignored",
                    {u"one", u"javascript:void(0)", u"x javascript:y"},
                    0,
                    {},
                    {u"one"},
                    0,
                    false,
                    false},
        HistoryCase{"JAVASCRIPT: is recorded",
                    {u"one", u"JAVASCRIPT:void(0)"},
                    0,
                    {},
                    {u"one", u"JAVASCRIPT:void(0)"},
                    1,
                    true,
                    false}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(History, JavascriptLeavesAddressStatusAndFlagAlone) {
  FormFixture f;
  f.form->go(u"http://one/");
  f.view->raiseOnNavigate = false;
  f.form->go(u"javascript:alert(1)");  // sets the flag; the event below must not use it
  EXPECT_TRUE(f.form->UpdateCombo);
  EXPECT_EQ(f.form->StatusText(), u"Load: javascript:alert(1)");
  f.view->RaiseBeforeNavigate(u"javascript:alert(1)");
  EXPECT_TRUE(f.form->UpdateCombo);
  EXPECT_EQ(f.form->AddrText(), u"javascript:alert(1)");
  EXPECT_EQ(f.form->StatusText(), u"Load: javascript:alert(1)");
  EXPECT_EQ(f.form->AddrItems(), std::vector<Text>{u"http://one/"});
  // The flag then serves the next navigation event.
  f.view->RaiseBeforeNavigate(u"http://two/");
  EXPECT_FALSE(f.form->UpdateCombo);
  EXPECT_EQ(f.form->AddrItems(), (std::vector<Text>{u"http://two/", u"http://one/"}));
}

TEST(History, BackAndForwardNavigateThroughTheAddressBox) {
  FormFixture f;
  for (const char16_t* u : {u"one", u"two", u"three"}) f.view->RaiseBeforeNavigate(u);
  SpinIdle();
  g_signal_emit_by_name(f.form->BackBtn.gobj(), "clicked");
  EXPECT_EQ(f.view->navigated.back(), u"two");
  EXPECT_EQ(f.form->AddrText(), u"two");
  EXPECT_EQ(f.form->HistoryIndex, 1);
  SpinIdle();
  EXPECT_TRUE(f.form->acForward.Enabled());
  g_signal_emit_by_name(f.form->ForwardBtn.gobj(), "clicked");
  EXPECT_EQ(f.view->navigated.back(), u"three");
  EXPECT_EQ(f.form->HistoryIndex, 2);
}

TEST(History, EnableRulesRunWhenTheLoopGoesIdle) {
  FormFixture f;
  SpinIdle();
  EXPECT_FALSE(f.form->acBack.Enabled());
  f.view->RaiseBeforeNavigate(u"one");
  f.view->RaiseBeforeNavigate(u"two");
  EXPECT_FALSE(f.form->acBack.Enabled());  // not yet evaluated
  SpinIdle();
  EXPECT_TRUE(f.form->acBack.Enabled());
}

TEST(History, AnAddressThatStartsNoNavigationLeavesNoFlagForTheNextOne) {
  FormFixture f;
  f.form->SetAddrText(u"   ");
  f.form->RefreshClick();
  EXPECT_TRUE(f.view->navigated.empty());
  EXPECT_FALSE(f.form->UpdateCombo);
  f.view->RaiseBeforeNavigate(u"http://link.in.page/");  // the page's own link
  EXPECT_TRUE(f.form->AddrItems().empty());
}

struct CalledOffCase {
  const char* what;
  std::function<void(FormFixture&)> navigate;
};

TEST(History, ANavigationCalledOffLeavesTheWindowOnThePageShown) {
  const CalledOffCase cases[] = {
      {"a new address, which cut the entries ahead", [](FormFixture& f) { f.form->go(u"four"); }},
      {"an address in the history", [](FormFixture& f) { f.form->go(u"ONE"); }},
      {"Back", [](FormFixture& f) { f.form->acBack.Execute(); }},
      {"a link in the page", [](FormFixture& f) { f.view->RaiseBeforeNavigate(u"five"); }},
  };
  for (const CalledOffCase& c : cases) {
    SCOPED_TRACE(c.what);
    FormFixture f;
    for (const char16_t* u : {u"one", u"two", u"three"}) f.view->RaiseBeforeNavigate(u);
    f.view->RaiseBeforeNavigate(u"two");  // went back: "three" lies ahead
    SpinIdle();
    c.navigate(f);
    f.view->RaiseNavigationCalledOff();
    EXPECT_EQ(f.form->HistoryList, (std::vector<Text>{u"one", u"two", u"three"}));
    EXPECT_EQ(f.form->HistoryIndex, 1);
    EXPECT_EQ(f.form->AddrText(), u"two");
    EXPECT_EQ(f.form->StatusText(), u"two");
    SpinIdle();
    EXPECT_TRUE(f.form->acForward.Enabled());
    // Only the navigation announced last can be called off, and only once.
    f.view->RaiseNavigationCalledOff();
    EXPECT_EQ(f.form->HistoryIndex, 1);
  }
}

TEST(History, NoNavigationStartsWhileThePageAsksWhetherToLeave) {
  FormFixture f;
  for (const char16_t* u : {u"one", u"two"}) f.view->RaiseBeforeNavigate(u);
  SpinIdle();
  f.view->leavePromptOpen = true;
  f.form->acBack.Execute();
  f.form->go(u"three");
  f.form->HomePageRequest();
  f.form->RefreshClick();
  EXPECT_TRUE(f.view->navigated.empty());
  EXPECT_EQ(f.form->AddrText(), u"two");
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
