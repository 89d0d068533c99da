#pragma once
// The files embedded in the program (resources/): the default configuration "WebBrowser.txt",
// pictures and icons. They form one GResource bundle in the ELF section ".wbres" of the
// executable. A file is stored under its name upper-cased with every "." turned into "_"
// (WEBBROWSER_TXT), and looked up the same way, so lookups ignore case.
#include <string>

#include "support/text.h"

namespace wb {

// The name a file is stored under: `fileName` with every "." replaced by "_", upper-cased.
// "WebBrowser.txt" gives "WEBBROWSER_TXT".
std::string ResourceName(TextView fileName);

// The path of that file in the bundle, for GIO and GTK calls that take resource paths (after
// RegisterProgramResources): "/wb/" + ResourceName(fileName).
std::string ResourcePath(TextView fileName);

// LoadResText: the bytes of the embedded file `fileName` of the running program. A missing,
// empty or unreadable resource gives an empty byte string, never an error. Text resources are
// in the ANSI code page; callers decode them.
std::string LoadResText(TextView fileName);

// LoadResText for the executable file `exePath` instead of the running program: its ".wbres"
// section is located and read from the file. Empty when the file is not a readable ELF
// executable, has no such section, or the section holds no valid bundle or no such file.
std::string LoadResTextFromFile(const std::string& exePath, TextView fileName);

// Makes the program's bundle known to GIO, so that resource paths (ResourcePath) work with
// g_resources_lookup_data, Gio::Resource and the pixbuf loaders. Safe to call more than once.
void RegisterProgramResources();

}  // namespace wb
