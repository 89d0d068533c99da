#pragma once
// Values that describe the running program. They are written only by the start-up set-up
// (before the main window exists) and read afterwards from the user-interface thread.
// Folder values end with the path separator "/".
#include <string_view>

#include "support/text.h"

namespace wb {

struct ProcessValues {
  Text applicationTitle;  // the application's title; the program entry sets "WebBrowser"
  Text executablePath;    // full path of the running executable (empty: /proc/self/exe)
  Text startupTitle;
  Text versionText;
  Text programFolder;
  Text documentsFolder;
  Text appDataFolder;
  Text workFolder;
  Text dataFolder;
  int portable = -1;  // -1: not read yet
  // The copy's vendor (support/vendor_name.h, already checked): the name of the settings
  // hive's folder and of the folders the copy makes in the person's home; empty keeps ours.
  // Set before the start-up set-up, from the copy's configuration.
  Text vendor;
};

// The process-wide values.
ProcessValues& Process();

// The full path of the program's executable: Process().executablePath, or the running
// executable (/proc/self/exe) while that is empty. Tools that act for another executable set
// executablePath to it.
Text ExecutablePath();

// The application's title: Process().applicationTitle, or, while the program has not set one,
// the executable's file name without extension (what the title is before the program entry
// names the application). Folder names and the settings store's key markers both use it.
Text ApplicationTitle();

// The file name of `path` without its folder and its last extension: "/opt/x/shop.bin" gives
// "shop", "my.app.exe" gives "my.app". A name whose only dot is its first character, such as
// ".hidden", has no extension and stays whole. For the system's text and for UTF-8 paths.
TextView NameWithoutExtension(TextView path);
std::string_view NameWithoutExtension(std::string_view path);

// Why the copy's name `name` (NameWithoutExtension of its executable, UTF-8) cannot name its
// folders, or empty when it can. A name made of dots alone ("..x" gives ".", "...x" gives "..")
// would name the folder above or the folder itself, that is another copy's folders, so it
// names none.
std::string CopyNameProblem(std::string_view name);

}  // namespace wb
