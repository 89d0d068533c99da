#pragma once
// A page the window could not show, as the window reports it: instead of the page, the view
// shows an explanation of ours with a way on.
#include <string>

namespace wb {

struct PageError {
  std::string kind;     // "certificate", "network" or "crashed"
  std::string address;  // the address that could not be shown
  std::string detail;   // what went wrong, in words
  // Certificates only: the host that presented it and its SHA-256 fingerprint ("AB:CD:...").
  std::string host;
  std::string fingerprint;
  bool operator==(const PageError&) const = default;
};

}  // namespace wb
