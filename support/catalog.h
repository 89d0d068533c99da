#pragma once
// The window's own texts in the person's language. Every text is written in the code in
// English, and that English is its message id: the catalog the program installs at start gives
// the text in the person's language, and with no catalog the English is shown as it stands.
//
// The core holds no GLib and no libintl (a Windows build would bring its own catalogs), so the
// catalog is a pair of plain functions the program installs once, before its first window; the
// platform layer's UseProgramCatalog installs the one over gettext. Texts the extraction must
// find are written as Tr("..."), TrN("...", "...", n) or, where the text is only named and
// translated later, N_("...").
#include <initializer_list>
#include <string>
#include <string_view>

namespace wb {

// Marks a text for extraction without translating it: for tables that are translated where a
// text is taken from them.
#ifndef N_
#define N_(text) text
#endif

struct Catalog {
  // The text for the message id `id`, or `id` itself; the result lives as long as the program.
  const char* (*text)(const char* id) = nullptr;
  // The form of `one`/`many` for the count `n`, by the language's own plural rule.
  const char* (*plural)(const char* one, const char* many, unsigned long n) = nullptr;
  // The language of the texts the catalog gives, as an HTML language tag ("de", "pt-BR"),
  // and whether that language is written right to left.
  std::string language = "en";
  bool rightToLeft = false;
};

// Makes `catalog` the program's catalog. Called once at start, before any text is asked for;
// a catalog with a missing function falls back to the English text for it.
void InstallCatalog(Catalog catalog);
const Catalog& InstalledCatalog();

// The text of the message `id` in the installed catalog.
const char* Tr(const char* id);
// The form of `one` (the singular, the message id) and `many` (its plural) for the count `n`.
const char* TrN(const char* one, const char* many, unsigned long n);

// `pattern` with each place "{N}" (N from 1 to 9) replaced by the Nth of `values`, so that a
// translation may put the values in its own order. A place whose number has no value, and a
// "{" that opens no place, stay as written; a value is never itself searched for places.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace wb
