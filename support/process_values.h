#pragma once
// Values that describe the running program. They are written only by the start-up set-up
// (before the main window exists) and read afterwards from the user-interface thread.
// Folder values end with the path separator "/".
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

}  // namespace wb
