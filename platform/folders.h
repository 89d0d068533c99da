#pragma once
// Where the program lives and where its files go: the special folders of the user, the
// program, work and data folders in Process(), and the start-up set-up that settles them.
#include <string>

#include "support/text.h"

namespace wb {

// Special-folder identifiers, with the values the program family has always used for them.
inline constexpr int kFolderPersonal = 5;        // the user's documents
inline constexpr int kFolderAppData = 26;        // the user's application data
inline constexpr int kFolderCommonAppData = 35;  // application data shared by all users

// The path of a special folder, without a trailing "/": documents is the XDG documents
// directory, else $HOME; application data is the user's configuration directory; common
// application data is the first XDG system configuration directory. Throws std::system_error
// for an identifier that names no special folder here.
Text SpecialFolder(int id);

// The folder for a key, compared after its letters A-Z are lower-cased: "*", "doc", "*doc"
// give the documents folder; "**", "app", "dat", "*app", "*dat" the application-data folder;
// "adat", "aapp" the shared application-data folder. The keys "*", "**", "*doc", "*app" and
// "*dat" add "/" and the application's title (every "/" of it replaced by "-"), or the copy's
// vendor (Process().vendor) when it has one. Any other key gives an empty text.
Text FolderForKey(const Text& key);

// Derives the program, documents, application-data, work and data folders into Process(),
// reads the "Portable" setting once (from the settings file beside the executable) and makes
// the work folder the current directory when it exists. Creates no folder. Throws what
// SpecialFolder throws.
void SetUpFolders();

// The start-up set-up, called by the program entry after it has set the application's title:
// fixes the start-up title, runs SetUpFolders again, carries the settings of a copy that has
// been given a vendor over to the vendor's hive (CarryOverEarlierSettings) and takes the
// executable's version text. The caller sets Process().vendor first.
void StartupSetup();

// Aligns the process locale with the user's default locale (setlocale(LC_ALL, "")); a locale
// the environment names but the system lacks leaves the current one.
void AlignLocale();

// The initialisation of the runtime support, before the program entry: locale alignment, then
// a first SetUpFolders with the start-up title still empty.
void InitializeRuntimeSupport();

// Everything the start-up does, as the executable at `exePath` would do it with the
// application title `title`: for tools that act on behalf of an installed program. Resets
// the process values first and takes the vendor from the executable's configuration block, so
// portable mode and the folders are read afresh for that executable.
void SetUpForExecutable(const std::string& exePath, Text title);

}  // namespace wb
