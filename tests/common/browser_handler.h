#pragma once
// Default handlers of the test's own, under the test's XDG folders: each appends every address
// it is given to a file, so a test sees what reached "the browser" or another program.
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

// Installs the only program for addresses of `scheme`, as the desktop's default for it; returns
// the file it writes the addresses to, which does not exist until it has been started.
inline std::string InstallSchemeHandler(const std::string& scheme) {
  const std::string root = TestRoot();
  const std::string opened = root + "/opened-" + scheme + ".txt";
  const std::string script = root + "/" + scheme + "-handler.sh";
  std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  std::filesystem::create_directories(root + "/data-dirs/applications");
  const std::string entry = "wbtest-" + scheme + ".desktop";
  std::ofstream(root + "/data-dirs/applications/" + entry)
      << "[Desktop Entry]\nType=Application\nName=Test " << scheme << " handler\nExec=" << script
      << " %u\nMimeType=x-scheme-handler/" << scheme << ";\nNoDisplay=true\n";
  std::filesystem::create_directories(root + "/config");
  const std::string list = root + "/config/mimeapps.list";
  const bool listed = std::filesystem::exists(list);
  std::ofstream(list, std::ios::app) << (listed ? "" : "[Default Applications]\n")
                                     << "x-scheme-handler/" << scheme << "=" << entry << "\n";
  std::filesystem::remove(opened);
  return opened;
}

}  // namespace wbtest
