// The window in the person's language: with the catalogs the build compiled, its menus, the
// tooltips, the status line and our own pages speak German, French and Arabic, and under
// Arabic the window is mirrored as the toolkit mirrors it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/program_catalog.h"
#include "platform/resources.h"
#include "support/catalog.h"
#include "support/own_page.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

// Puts the C locale, the English texts and the left-to-right direction back, however the test
// ends.
struct EnglishAtExit {
  ~EnglishAtExit() {
    setlocale(LC_ALL, "C");
    wb::InstallCatalog(wb::Catalog{});
    gtk_widget_set_default_direction(GTK_TEXT_DIR_LTR);
  }
};

TEST(Languages, TheWindowSpeaksTheLocalesLanguage) {
  const struct {
    const char* locale;
    const char* fileMenu;
    const char* back;
    const char* nextTip;
    const char16_t* status;
    const char* pageStart;
    const char* pageTitle;
    bool rightToLeft;
  } cases[] = {
      {"de_DE.UTF-8", "_Datei", "Zurück", "Nächster Treffer", u"Laden: http://x.example/",
       "<html lang=\"de\" dir=\"ltr\">", "Diese Seite ist nicht erreichbar", false},
      {"fr_FR.UTF-8", "_Fichier", "Précédent", "Résultat suivant",
       u"Chargement : http://x.example/", "<html lang=\"fr\" dir=\"ltr\">",
       "Impossible d’atteindre cette page", false},
      {"ar_EG.UTF-8", "_ملف", "خلف", "النتيجة التالية", u"تحميل: http://x.example/",
       "<html lang=\"ar\" dir=\"rtl\">", "تعذر الوصول إلى هذه الصفحة", true},
  };
  EnglishAtExit restore;
  unsetenv("LANGUAGE");
  wb::RegisterProgramResources();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    if (!setlocale(LC_ALL, c.locale))
      GTEST_SKIP() << c.locale << " is not installed (scripts/install-deps.sh generates it)";
    wb::UseProgramCatalogFrom(WB_BINARY_DIR "/locale");
    // What the toolkit does at start: the direction its own catalog gives for the locale.
    gtk_widget_set_default_direction(gtk_get_locale_direction());
    EXPECT_EQ(gtk_widget_get_default_direction() == GTK_TEXT_DIR_RTL, c.rightToLeft);
    EXPECT_EQ(wb::InstalledCatalog().rightToLeft, c.rightToLeft);

    FormFixture f;
    // The status line keeps what the window asked for while the view has not answered.
    f.view->raiseOnNavigate = false;
    wb::TWebForm& form = *f.form;
    EXPECT_EQ(form.mnFile->get_label(), c.fileMenu);
    EXPECT_EQ(form.BackBtn.get_label(), c.back);
    EXPECT_EQ(form.findBar.next.get_tooltip_text(), c.nextTip);
    form.SetAddrText(u"http://x.example/");
    form.FindAddress();
    EXPECT_EQ(wb::ToUtf8(form.StatusText()), wb::ToUtf8(c.status));
    const std::string page = wb::OwnPageHtml(wb::NetworkErrorPage("http://x.example/", "-"),
                                             wb::LoadResText(u"error_page.html"), "#000000");
    EXPECT_NE(page.find(c.pageStart), std::string::npos) << page.substr(0, 200);
    EXPECT_NE(page.find(c.pageTitle), std::string::npos);

    // The toolbar's order follows the direction: Back stands left of Forward in a left-to-right
    // language and right of it in a right-to-left one.
    form.show();
    ASSERT_TRUE(SpinUntil([&] {
      return form.BackBtn.get_allocated_width() > 1 && form.ForwardBtn.get_allocated_width() > 1;
    }));
    const int back = form.BackBtn.get_allocation().get_x();
    const int forward = form.ForwardBtn.get_allocation().get_x();
    EXPECT_EQ(back > forward, c.rightToLeft) << back << " " << forward;
    form.hide();
  }
}

}  // namespace
}  // namespace wbtest
