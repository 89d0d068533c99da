#pragma once
// A default handler for web addresses of the test's own, under the test's XDG folders: it
// appends each address it is given to a file, so a test sees what reached "the browser".
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/common/test_env.h"

namespace wbtest {

// Installs the handler; returns the file it writes the addresses to.
inline std::string InstallBrowserHandler() {
  const std::string root = TestRoot();
  const std::string opened = root + "/opened.txt";
  const std::string script = root + "/fake-browser.sh";
  std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  std::filesystem::create_directories(root + "/data-dirs/applications");
  std::ofstream(root + "/data-dirs/applications/wbtest-browser.desktop")
      << "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" << script
      << " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\nNoDisplay=true\n";
  std::filesystem::create_directories(root + "/config");
  std::ofstream(root + "/config/mimeapps.list")
      << "[Default Applications]\nx-scheme-handler/http=wbtest-browser.desktop\n"
         "x-scheme-handler/https=wbtest-browser.desktop\n";
  return opened;
}

}  // namespace wbtest
