#pragma once
// The lint of "wbctl check", for the configuration lines "wbctl brand" is about to write: what
// the program would ignore or read otherwise than it looks, with the values the key takes.
#include <string>
#include <vector>

#include "storage/value_list.h"

namespace wbctl {

struct ConfigFinding {
  std::string key;       // the key as written, UTF-8
  std::string line;      // "KEY: problem", as check prints it
  std::string accepted;  // what the key takes, for a maker who mistyped it
};

// The findings of "wbctl check" for the NAME=VALUE lines `values`: unknown keys and values that
// their key cannot hold.
std::vector<ConfigFinding> ConfigFindings(const wb::ValueList& values);

}  // namespace wbctl
