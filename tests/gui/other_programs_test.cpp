// A page's addresses for other programs: the web's own go to the default browser at once; any
// other scheme waits for the person's "Open" on the permission bar, which is kept for the site
// and the scheme.
#include <gtest/gtest.h>

#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

constexpr const char16_t* kPage = u"http://127.0.0.1:8080/page";
constexpr const char* kOrigin = "http://127.0.0.1:8080";

TEST(OtherPrograms, TheBarAsksAndTheAnswerIsKeptForTheSiteAndScheme) {
  const struct {
    const char* name;
    void (*raise)(FakeWebView& view, const Text& address);
  } requests[] = {
      {"a navigation of the page",
       [](FakeWebView& v, const Text& a) { v.RaiseExternalNavigation(a); }},
      {"a new-window request", [](FakeWebView& v, const Text& a) { v.RaiseNewWindow(a); }},
  };
  for (const auto& r : requests) {
    SCOPED_TRACE(r.name);
    FormFixture f;
    f.form->go(kPage);
    wb::PermissionBar& bar = *f.form->pPermission;

    r.raise(*f.view, u"https://elsewhere.example/");
    EXPECT_EQ(f.opened, std::vector<Text>{u"https://elsewhere.example/"});
    EXPECT_FALSE(bar.get_visible());

    r.raise(*f.view, u"wbtestscheme://x");
    EXPECT_EQ(f.opened.size(), 1u);
    ASSERT_TRUE(bar.get_visible());
    EXPECT_EQ(bar.question.get_text(),
              "127.0.0.1:8080 wants to open a wbtestscheme: link with another program");
    EXPECT_EQ(bar.allowButton.get_label(), "Open");
    EXPECT_EQ(bar.blockButton.get_label(), "Block");
    Click(bar.allowButton);
    EXPECT_EQ(f.opened.back(), u"wbtestscheme://x");
    EXPECT_EQ(f.Permission(std::string(kOrigin) + " external:wbtestscheme"), "allow");
    EXPECT_FALSE(bar.get_visible());
    r.raise(*f.view, u"WBTestScheme://y");  // kept: opened without asking
    EXPECT_EQ(f.opened.back(), u"WBTestScheme://y");

    r.raise(*f.view, u"mailto:sales@acme.example?body=Send%20money");
    ASSERT_TRUE(bar.get_visible());
    EXPECT_EQ(bar.question.get_text(),
              "127.0.0.1:8080 wants to open a mailto: link with another program");
    Click(bar.blockButton);
    EXPECT_EQ(f.Permission(std::string(kOrigin) + " external:mailto"), "block");
    r.raise(*f.view, u"mailto:sales@acme.example");
    EXPECT_FALSE(bar.get_visible());
    EXPECT_EQ(f.opened.size(), 3u);
    EXPECT_EQ(f.opened.back(), u"WBTestScheme://y");
  }
}

TEST(OtherPrograms, AChildWindowsRequestIsAskedForItsOwnPage) {
  FormFixture f;
  f.form->go(kPage);
  auto* child = static_cast<FakeWebView*>(f.view->RaiseChildWindow(u"http://login.in/"));
  ASSERT_NE(child, nullptr);
  child->location = u"https://login.in:8443/form";
  child->RaiseNewWindow(u"smb://server/share");
  wb::PermissionBar& bar = *f.form->pPermission;
  ASSERT_TRUE(bar.get_visible());
  EXPECT_EQ(bar.question.get_text(),
            "login.in:8443 wants to open a smb: link with another program");
  EXPECT_TRUE(f.opened.empty());
  Click(bar.allowButton);
  EXPECT_EQ(f.opened, std::vector<Text>{u"smb://server/share"});
  EXPECT_EQ(f.store->Values(wb::CopyKey::kPermissions).count(u"https://login.in:8443 external:smb"),
            1u);

  // A permission's question after it keeps the bar's own words.
  f.view->onPermissionRequest({kOrigin, "127.0.0.1", {wb::PermissionKind::kGeolocation}},
                              [](bool) {});
  ASSERT_TRUE(bar.get_visible());
  EXPECT_EQ(bar.allowButton.get_label(), "Allow");
  f.form.reset();
}

// The bar lies over the page: its face covers all of its place, so no strip of the page shows
// through at its edges.
TEST(OtherPrograms, TheBarCoversThePageWhereItLies) {
  FormFixture f;
  f.form->show();
  f.form->go(kPage);
  f.view->RaiseNewWindow(u"wbtestscheme://x");
  wb::PermissionBar& bar = *f.form->pPermission;
  ASSERT_TRUE(SpinUntil([&] { return bar.get_visible() && bar.get_allocated_width() > 20; }));
  SpinIdle();
  const int width = bar.get_allocated_width(), height = bar.get_allocated_height();
  auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, width, height);
  gtk_widget_draw(GTK_WIDGET(bar.gobj()), Cairo::Context::create(surface)->cobj());
  surface->flush();
  auto alpha = [&](int x, int y) {
    return surface->get_data()[y * surface->get_stride() + x * 4 + 3];
  };
  for (auto [x, y] :
       {std::pair{0, 0}, {1, 2}, {3, 3}, {width - 1, 0}, {width / 2, 1}, {0, height / 2}})
    EXPECT_EQ(alpha(x, y), 255) << x << "," << y << " of " << width << "x" << height;
  f.form.reset();
}

}  // namespace
}  // namespace wbtest
