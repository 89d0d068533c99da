// The address box: its drop-down list, Enter, Refresh, completion, the status texts and the
// keyboard shortcuts of the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/maker.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;
using Items = std::vector<Text>;

// The box's rows, top to bottom.
Items Rows(wb::TWebForm& form) {
  Items rows;
  for (const auto& row : form.Addr.get_model()->children()) {
    Glib::ustring value;
    row.get_value(0, value);
    rows.push_back(wb::FromUtf8(value.raw()));
  }
  return rows;
}

// The recent addresses drop down as a list (a table for assistive technology), not as a menu:
// a menu keeps a widget of its own for every address of the day, some 2 kB each.
TEST(AddressList, TheDropDownIsAListNotAMenu) {
  FormFixture f;
  f.form->show();
  SpinIdle();
  AtkObject* popup = gtk_combo_box_get_popup_accessible(GTK_COMBO_BOX(f.form->Addr.gobj()));
  ASSERT_NE(popup, nullptr);
  EXPECT_NE(atk_object_get_role(popup), ATK_ROLE_MENU);
}

// The list's rules are the model's; the box shows its list, moving one row at a time.
TEST(AddressList, TheBoxShowsTheModelsList) {
  FormFixture f;
  for (const char16_t* u : {u"http://a/", u"http://b/", u"http://c/", u"HTTP://A/", u"http://c/"})
    f.form->go(u);
  EXPECT_EQ(Rows(*f.form), (Items{u"http://c/", u"http://a/", u"http://b/"}));
  EXPECT_EQ(Rows(*f.form), f.form->Model().AddrItems());
  // The entry equal to the address box's text is the selected one.
  EXPECT_EQ(f.form->Addr.get_active_row_number(), 0);
  f.form->SetAddrText(u"http://b/");
  EXPECT_EQ(f.form->Addr.get_active_row_number(), 2);
}

// The box's list reads the model's own list, so each move and insertion must reach the box
// (and its drop-down, open or not) as the same change: a row out of step would show, select
// or navigate to another address than the one the person sees.
struct ListStepCase {
  const char16_t* go;      // the address navigated to
  Items rows;              // the box's rows after it
  const char16_t* picked;  // then picked from the list, as the person does; null: none
};

TEST(AddressList, EveryChangeOfTheListReachesTheBox) {
  const ListStepCase steps[] = {
      {u"http://a/", {u"http://a/"}, nullptr},
      {u"http://b/", {u"http://b/", u"http://a/"}, nullptr},
      {u"http://c/", {u"http://c/", u"http://b/", u"http://a/"}, u"http://a/"},
      {u"http://d/", {u"http://d/", u"http://a/", u"http://c/", u"http://b/"}, u"http://c/"},
      {u"HTTP://B/", {u"http://b/", u"http://c/", u"http://d/", u"http://a/"}, u"http://a/"},
      {u"http://e/",
       {u"http://e/", u"http://a/", u"http://b/", u"http://c/", u"http://d/"},
       nullptr},
  };
  FormFixture f;
  f.form->show();
  SpinIdle();
  for (const ListStepCase& step : steps) {
    SCOPED_TRACE(wb::ToUtf8(step.go));
    f.form->go(step.go);
    SpinIdle();
    EXPECT_EQ(Rows(*f.form), step.rows);
    EXPECT_EQ(f.form->Model().AddrItems(), step.rows);
    // The row selected is the one spelt as the box's text: another spelling selects none.
    EXPECT_EQ(f.form->Addr.get_active_row_number(), step.rows[0] == step.go ? 0 : -1);
    EXPECT_EQ(wb::FromUtf8(f.form->Addr.get_active_text().raw()), step.go);
    if (!step.picked) continue;
    // The drop-down opens over the list as it is, and a row picked is that row's address.
    f.form->Addr.popup();
    SpinIdle();
    const auto at = std::find(step.rows.begin(), step.rows.end(), Text(step.picked));
    ASSERT_NE(at, step.rows.end());
    const std::size_t before = f.view->navigated.size();
    f.form->Addr.set_active(static_cast<int>(at - step.rows.begin()));
    f.form->Addr.popdown();
    SpinIdle();
    ASSERT_EQ(f.view->navigated.size(), before + 1);
    EXPECT_EQ(f.view->navigated.back(), step.picked);
    EXPECT_EQ(f.form->Model().AddrItems().front(), step.picked);
    EXPECT_EQ(Rows(*f.form), f.form->Model().AddrItems());
  }
}

TEST(AddressList, PickingAnEntryNavigates) {
  FormFixture f;
  f.form->go(u"http://a/");
  f.form->go(u"http://b/");
  size_t before = f.view->navigated.size();
  f.form->Addr.set_active(1);  // as the user picks it from the drop-down list
  ASSERT_EQ(f.view->navigated.size(), before + 1);
  EXPECT_EQ(f.view->navigated.back(), u"http://a/");
  EXPECT_EQ(f.form->Model().AddrItems(), (Items{u"http://a/", u"http://b/"}));
}

TEST(AddressBox, EnterNavigatesToTheTypedText) {
  FormFixture f;
  f.form->show();
  f.form->Addr.get_entry()->grab_focus();
  TypeText(*f.form, "example.org");
  EXPECT_TRUE(f.view->navigated.empty());
  SendKey(*f.form, GDK_KEY_Return);
  ASSERT_EQ(f.view->navigated.size(), 1u);
  EXPECT_EQ(f.view->navigated[0], u"http://example.org");  // resolved as the engine gets it
}

TEST(AddressBox, RefreshAfterEditingNavigatesToTheEditedText) {
  FormFixture f;
  f.form->go(u"http://a/");
  f.form->Addr.get_entry()->set_text("http://edited/");
  g_signal_emit_by_name(f.form->RefreshBtn.gobj(), "clicked");
  EXPECT_EQ(f.view->navigated.back(), u"http://edited/");
}

TEST(AddressBox, TypedLettersCompleteAnEntryAndNavigate) {
  FormFixture f;
  f.form->go(u"http://zeta.example/");
  f.form->go(u"http://alpha.example/");
  f.form->SetAddrText(u"");
  f.form->show();
  f.form->Addr.get_entry()->grab_focus();
  size_t before = f.view->navigated.size();
  TypeText(*f.form, "HTTP://Z");
  ASSERT_TRUE(SpinUntil([&] { return f.view->navigated.size() > before; }, 1000));
  EXPECT_EQ(f.view->navigated.back(), u"http://zeta.example/");
  EXPECT_EQ(f.form->AddrText(), u"http://zeta.example/");
  int start = 0, end = 0;
  ASSERT_TRUE(f.form->Addr.get_entry()->get_selection_bounds(start, end));
  EXPECT_EQ(start, 8);  // the completed part is selected
  // Typing on within the same entry does not navigate again.
  before = f.view->navigated.size();
  TypeText(*f.form, "e");
  EXPECT_EQ(f.view->navigated.size(), before);
  EXPECT_EQ(f.form->AddrText(), u"http://zeta.example/");
}

TEST(AddressBox, TextWithoutAMatchingEntryIsNotCompleted) {
  FormFixture f;
  f.form->go(u"http://alpha.example/");
  f.form->SetAddrText(u"");
  f.form->show();
  f.form->Addr.get_entry()->grab_focus();
  size_t before = f.view->navigated.size();
  TypeText(*f.form, "beta");
  EXPECT_EQ(f.form->AddrText(), u"beta");
  EXPECT_EQ(f.view->navigated.size(), before);
}

struct AltCase {
  const char* name;
  guint keyval;
  guint state;
  bool backEnabled;          // history position in the middle when true, at the start when false
  const char16_t* expected;  // the address navigated, or null for none
};

class AltArrowTest : public ::testing::TestWithParam<AltCase> {};

TEST_P(AltArrowTest, OnlyAltAloneMovesThroughTheHistory) {
  const AltCase& c = GetParam();
  FormFixture f;
  for (const char16_t* u : {u"http://one/", u"http://two/", u"http://three/"})
    f.view->RaiseBeforeNavigate(u);
  if (c.backEnabled) {
    SpinIdle();
    f.form->acBack.Execute();  // now at "two": both directions possible
  } else {
    f.view->RaiseBeforeNavigate(u"http://one/");  // at the start: Back disabled
  }
  f.form->show();
  SpinIdle();
  size_t before = f.view->navigated.size();
  SendKey(*f.form, c.keyval, c.state);
  SpinIdle();
  if (c.expected) {
    ASSERT_EQ(f.view->navigated.size(), before + 1);
    EXPECT_EQ(f.view->navigated.back(), c.expected);
  } else {
    EXPECT_EQ(f.view->navigated.size(), before);
  }
  // A key the window does not act on is left to the page: only a key that moved through the
  // history is taken.
  f.view->RaiseBeforeNavigate(c.backEnabled ? u"http://two/" : u"http://one/");
  SpinIdle();
  GdkEventKey key{};
  key.type = GDK_KEY_PRESS;
  key.keyval = c.keyval;
  key.state = c.state;
  EXPECT_EQ(f.form->FormKeyDown(&key), c.expected != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AltArrowTest,
    ::testing::Values(
        AltCase{"AltLeft", GDK_KEY_Left, GDK_MOD1_MASK, true, u"http://one/"},
        AltCase{"AltRight", GDK_KEY_Right, GDK_MOD1_MASK, true, u"http://three/"},
        AltCase{"AltLeftBackDisabled", GDK_KEY_Left, GDK_MOD1_MASK, false, nullptr},
        AltCase{"CtrlAltLeft", GDK_KEY_Left, GDK_MOD1_MASK | GDK_CONTROL_MASK, true, nullptr},
        AltCase{"ShiftAltLeft", GDK_KEY_Left, GDK_MOD1_MASK | GDK_SHIFT_MASK, true, nullptr},
        AltCase{"AltLeftWithMouseButton", GDK_KEY_Left, GDK_MOD1_MASK | GDK_BUTTON1_MASK, true,
                nullptr},
        AltCase{"LeftAlone", GDK_KEY_Left, 0, true, nullptr},
        AltCase{"AltUp", GDK_KEY_Up, GDK_MOD1_MASK, true, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wbtest
