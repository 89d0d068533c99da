#pragma once
// The program's catalogs of its own texts (gettext's, text domain "webbrowser").
#include <string>

namespace wb {

inline constexpr char kTextDomain[] = "webbrowser";

// The folder the program takes its catalogs from, LANG/LC_MESSAGES/webbrowser.mo under it:
// the "locale" folder beside the executable `exePath` when there is one (a copy carried
// anywhere with its catalogs, and the build folder, where the build writes them), else the
// system's folder the package installs them in (`installedFolder`).
std::string CatalogFolder(const std::string& exePath, const std::string& installedFolder);

// Binds the text domain to CatalogFolder of the running program and installs gettext's
// catalog of the person's language (LC_MESSAGES, LANGUAGE) as the program's (InstallCatalog).
// Call after setlocale; with no catalog for the language every text stays English.
void UseProgramCatalog();
// The same with the catalogs of `folder`: for tests.
void UseProgramCatalogFrom(const std::string& folder);

// The HTML language tag of a catalog's "Language:" header value ("pt_BR" gives "pt-BR"),
// "en" for an empty or malformed one, and whether the language is written right to left.
std::string CatalogLanguageTag(const std::string& header);
bool IsRightToLeftLanguage(const std::string& tag);

}  // namespace wb
